// Shoots the page after a check, in Debian's chromium, headless:
//   node tools/web-screenshot.js build-web/quillet.html docs/screenshot-web.png CHART...
'use strict';

const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require(path.join(__dirname, '../tests/web/node_modules/playwright-core'));

const [html, output, ...charts] = process.argv.slice(2);

(async () => {
    const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
    const page = await browser.newPage({ viewport: { width: 900, height: 760 } });
    await page.goto(pathToFileURL(path.resolve(html)).href);
    await page.setInputFiles('#files', charts);
    await page.waitForSelector('#log[aria-busy="false"]');
    await page.screenshot({ path: output, fullPage: true });
    await browser.close();
})();
