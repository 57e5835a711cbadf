// quillet.html in Debian's chromium, opened from file://, against quillet-check on the same
// charts: each chart's log and findings, several charts and their summary, a folder, a drop, the
// copy button, the mended chart's download against quillet-check --fix -, and no request leaving
// the page.
//   node page.test.js BUILD-WEB/quillet.html NATIVE-BUILD/bin/quillet-check
'use strict';

const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, before, describe, test } = require('node:test');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');

const [pagePath, quilletCheck] = process.argv.slice(2).map((arg) => path.resolve(arg));
const chromiumPath = process.env.QUILLET_CHROMIUM || '/usr/bin/chromium';

const rows = (count, eol = '\r\n', row = '0000') => (row + eol).repeat(count);

// A chart larger than a slice of the page's reads, whose faulty measures make a log and findings
// of many pieces: every third of 12,000 measures has 7 rows, and 5 MB of comment lines in the
// middle put the rest of them past the first slice.
function longChart() {
    let chart = '#TITLE:Long;\r\n#NOTES:\r\n     dance-single:\r\n';
    for (let measure = 1; measure <= 12000; ++measure) {
        chart += rows(measure % 3 === 0 ? 7 : 4) + (measure < 12000 ? ',\r\n' : ';\r\n');
        if (measure === 6000)
            chart += ('// ' + '-'.repeat(61) + '\r\n').repeat(80000);
    }
    return chart;
}

// A measure whose blank line --fix drops, one of 8th notes in 96 rows that it writes in 12, and
// one of 32nd notes that it leaves.
function mendableChart() {
    const notes = (count, every) => Array.from({ length: count },
        (_, row) => (row % every === 0 ? '1000' : '0000') + '\r\n').join('');
    return '#TITLE:Mend;\r\n#NOTES:\r\n     dance-single:\r\n' + rows(2) + '\r\n' + rows(2) + ',\r\n'
        + notes(96, 8) + ',\r\n' + notes(32, 1) + ';\r\n';
}

// Each chart reaches a different part of the reading or the reports.
const kCharts = [
    { name: 'ok.sm', text: '#TITLE:Song;\r\n' + rows(4) + ';\r\n' },
    { name: 'seven-row-measure.sm', text: fs.readFileSync(path.join(__dirname, '../../examples/seven-row-measure.sm')) },
    { name: 'blank-rows-lf.sm', text: '#T\n' + rows(3, '\n') + '\n\n,\n' + rows(32, '\n') + ';\n' },
    { name: 'lone-cr.sm', text: '#T\r' + rows(5, '\r') + ',\r;\r' },
    { name: 'byte-order-mark.sm', text: '\ufeff#TITLE:Song;\r\n' + rows(4) + ';\r\n' },
    { name: 'empty.sm', text: '' },
    { name: 'Ünïcode ☃.sm', text: '#T\r\n' + rows(9) + ';\r\n' },
    { name: 'long.sm', text: longChart() },
    { name: 'mendable.sm', text: mendableChart() },
];

let folder;
let browser;
let page;
const requests = [];

function run(args, cwd) {
    return spawnSync(quilletCheck, args, { cwd, encoding: 'utf8' });
}

// The chart as quillet-check --fix - writes it.
function mended(file) {
    return spawnSync(quilletCheck, ['--fix', '-'], { input: fs.readFileSync(file) }).stdout;
}

// What the page should show of one chart: its name, its log, its findings, and whether it offers
// the mended chart.
function expected(name, cwd = folder) {
    const file = path.join(cwd, name);
    return { name: name + '\n', log: run([name], cwd).stdout, findings: run(['--format=gnu', name], cwd).stdout,
        mended: !mended(file).equals(fs.readFileSync(file)) };
}

async function shown() {
    await page.waitForSelector('#log[aria-busy="false"]');
    return page.$$eval('#log .name', (names) => names.map((name) => {
        const findings = name.nextElementSibling.nextElementSibling;
        return { name: name.textContent, log: name.nextElementSibling.textContent, findings: findings.textContent,
            mended: findings.nextElementSibling?.className === 'mend' };
    }));
}

async function summary() {
    return page.$eval('#log', (log) => (log.querySelector('.summary') || { textContent: '' }).textContent.trim());
}

before(async () => {
    assert.ok(fs.existsSync(pagePath), `no page at ${pagePath}`);
    assert.ok(fs.existsSync(quilletCheck), `no quillet-check at ${quilletCheck}`);
    folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quillet-page-'));
    for (const chart of kCharts)
        fs.writeFileSync(path.join(folder, chart.name), chart.text);
    browser = await chromium.launch({ executablePath: chromiumPath, args: ['--no-sandbox'] });
    const context = await browser.newContext();
    // The copy button's text, as the clipboard would get it.
    await context.addInitScript(() => {
        navigator.clipboard.writeText = (text) => {
            window.copiedText = text;
            return Promise.resolve();
        };
    });
    context.on('request', (request) => requests.push(request.url()));
    page = await context.newPage();
    await page.goto(pathToFileURL(pagePath).href);
});

after(async () => {
    await browser?.close();
    if (folder)
        fs.rmSync(folder, { recursive: true, force: true });
});

describe('one chart at a time', () => {
    for (const chart of kCharts) {
        test(chart.name, async () => {
            await page.setInputFiles('#files', path.join(folder, chart.name));
            assert.deepEqual(await shown(), [expected(chart.name)]);
            assert.equal(await summary(), '');
        });
    }
});

test('several charts at once, in the order given, with the summary', async () => {
    const names = kCharts.map((chart) => chart.name).reverse();
    await page.setInputFiles('#files', names.map((name) => path.join(folder, name)));
    assert.deepEqual(await shown(), names.map((name) => expected(name)));
    const stderr = run(names, folder).stderr.trim().split('\n');
    assert.equal(await summary(), stderr[stderr.length - 1]);
});

test('a folder: its charts in sorted order, as quillet-check finds them', async () => {
    const pack = path.join(folder, 'pack');
    const files = { 'b.sm': kCharts[1].text, 'a/z.SM': kCharts[0].text, 'a.sm': kCharts[4].text,
        '._a.sm': 'resource fork', '._hidden/c.sm': kCharts[1].text, 'notes.txt': 'not a chart' };
    for (const [name, text] of Object.entries(files)) {
        fs.mkdirSync(path.dirname(path.join(pack, name)), { recursive: true });
        fs.writeFileSync(path.join(pack, name), text);
    }
    const names = run(['--format=json', 'pack'], folder).stdout.trim().split('\n')
        .map((line) => JSON.parse(line)).filter((record) => record.type === 'chart')
        .map((record) => record.path);
    assert.deepEqual(names, ['pack/a.sm', 'pack/a/z.SM', 'pack/b.sm']);
    await page.setInputFiles('#folder', pack);
    assert.deepEqual(await shown(), names.map((name) => expected(name)));
});

test('a dropped chart', async () => {
    const chart = kCharts[1];
    await page.evaluate(({ name, text }) => {
        const transfer = new DataTransfer();
        transfer.items.add(new File([text], name));
        window.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, cancelable: true }));
    }, { name: chart.name, text: chart.text.toString() });
    assert.deepEqual(await shown(), [expected(chart.name)]);
});

test('the copy button gives the log with CR LF line ends, without the download link', async () => {
    await page.setInputFiles('#files', [path.join(folder, 'mendable.sm'), path.join(folder, 'ok.sm')]);
    await shown();
    await page.click('#copy');
    const crlf = (name) => name + '\r\n' + run(['--crlf', name], folder).stdout
        + run(['--crlf', '--format=gnu', name], folder).stdout;
    const summary = run(['mendable.sm', 'ok.sm'], folder).stderr.trim().split('\n').pop();
    assert.equal(await page.evaluate(() => window.copiedText),
        crlf('mendable.sm') + '\r\n' + crlf('ok.sm') + '\r\n' + summary + '\r\n');
});

test('the mended chart downloads as quillet-check --fix - writes it, under its own name', async () => {
    const file = path.join(folder, 'mendable.sm');
    const before = fs.readFileSync(file);
    await page.setInputFiles('#files', file);
    assert.deepEqual(await shown(), [expected('mendable.sm')]);
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#log .mend')]);
    assert.equal(download.suggestedFilename(), 'mendable.sm');
    const bytes = fs.readFileSync(await download.path());
    assert.notDeepEqual(bytes, before);
    assert.deepEqual(bytes, mended(file));
    assert.deepEqual(fs.readFileSync(file), before, 'the chart itself is left as it was');
});

test('no request leaves the page', () => {
    const own = pathToFileURL(pagePath).href;
    assert.ok(requests.includes(own), 'the page itself was seen');
    assert.deepEqual(requests.filter((url) => url !== own && !url.startsWith('blob:')), []);
});
