// The page in Debian's chromium against quillet-check, in one run (bench/web_run starts it):
//   node web_bench.js QUILLET.HTML QUILLET-CHECK CHART-10MB CHART-60MB ROUNDS
// - from the chart chosen to the verdict shown, against quillet-check's whole process on the
//   same chart, medians of interleaved rounds;
// - the longest the page's main thread does not answer while the 60 MB chart is checked;
// - the page's size.
'use strict';

const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require(path.join(__dirname, '../tests/web/node_modules/playwright-core'));

const [html, quilletCheck, chart10, chart60, roundsArg] = process.argv.slice(2);
const rounds = Number(roundsArg || 7);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];

function commandTime(chart) {
    const start = process.hrtime.bigint();
    spawnSync(quilletCheck, [chart], { stdio: ['ignore', 'ignore', 'ignore'] });
    return Number(process.hrtime.bigint() - start) / 1e6;
}

// Milliseconds from the input's change to the first frame after the verdict; with watch, also
// the longest the main thread was busy meanwhile: its longest task (the browser's long-task
// entries) and the longest a 10 ms timer was late, which also counts the machine's own load.
async function pageTime(page, chart, watch) {
    await page.evaluate((watching) => {
        const log = document.getElementById('log');
        window.bench = { longestTask: 0, longestGap: 0 };
        document.getElementById('files').addEventListener('change', () => {
            window.bench.start = performance.now();
        }, { capture: true, once: true });
        new MutationObserver((changes, observer) => {
            if (log.getAttribute('aria-busy') !== 'false')
                return;
            observer.disconnect();
            requestAnimationFrame(() => { window.bench.end = performance.now(); });
        }).observe(log, { attributes: true, attributeFilter: ['aria-busy'] });
        if (!watching)
            return;
        new PerformanceObserver((list) => {
            for (const entry of list.getEntries())
                window.bench.longestTask = Math.max(window.bench.longestTask, entry.duration);
        }).observe({ type: 'longtask' });
        let last = performance.now();
        const tick = () => {
            const now = performance.now();
            window.bench.longestGap = Math.max(window.bench.longestGap, now - last - 10);
            last = now;
            if (window.bench.end === undefined)
                setTimeout(tick, 10);
        };
        setTimeout(tick, 10);
    }, watch);
    await page.setInputFiles('#files', chart);
    await page.waitForFunction(() => window.bench.end !== undefined, null, { timeout: 600000 });
    return page.evaluate(() => ({ time: window.bench.end - window.bench.start,
        longestTask: window.bench.longestTask, longestGap: window.bench.longestGap }));
}

(async () => {
    const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
    const page = await browser.newPage();
    await page.goto(pathToFileURL(path.resolve(html)).href);
    await pageTime(page, chart10, false); // warm-up: the worker's module compiled
    const command = [];
    const inPage = [];
    for (let round = 0; round < rounds; ++round) {
        command.push(commandTime(chart10));
        inPage.push((await pageTime(page, chart10, false)).time);
    }
    let longestTask = 0;
    let longestGap = 0;
    for (let round = 0; round < 3; ++round) {
        const watched = await pageTime(page, chart60, true);
        longestTask = Math.max(longestTask, watched.longestTask);
        longestGap = Math.max(longestGap, watched.longestGap);
    }
    await browser.close();

    const size = fs.statSync(html).size;
    const ratio = median(inPage) / median(command);
    console.log(`10 MB chart, chosen to verdict: page ${median(inPage).toFixed(0)} ms, quillet-check ${median(command).toFixed(0)} ms: ${ratio.toFixed(2)} x (at most 6)`);
    console.log(`60 MB chart: the main thread's longest task ${longestTask.toFixed(0)} ms, a 10 ms timer's longest delay ${longestGap.toFixed(0)} ms (at most 250)`);
    console.log(`quillet.html: ${size} bytes, ${(size / 409600).toFixed(2)} of 400 KB`);
})();
