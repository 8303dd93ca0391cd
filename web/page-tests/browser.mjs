// Headless Chromium for the page tests: the installed browser, a fresh profile, no network, and
// the built page served on 127.0.0.1.
import {mkdtemp, rm} from 'node:fs/promises';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import puppeteer from 'puppeteer-core';
import {serve} from '../serve.mjs';

export const kChromium = process.env.TESMARO_CHROMIUM || '/usr/bin/chromium';

// Starts the server on the built folder and the browser; close() ends both.
export async function startBrowser(folder) {
  const server = await serve(folder, 0);
  const profile = await mkdtemp(join(tmpdir(), 'tesmaro-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: kChromium,
    headless: 'new',
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage',
      // Tabs in the background keep their pace: two tabs work at once in a test.
      '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
      '--disable-backgrounding-occluded-windows'],
  });
  const base = `http://127.0.0.1:${server.address().port}/`;
  return {
    browser,
    base,
    // A page of the test build with its simulated programmer, ready to use.
    async page(query = 'fake-device', viewport = {width: 1100, height: 720, deviceScaleFactor: 1}) {
      const page = await browser.newPage();
      await page.setViewport(viewport);
      const errors = [];
      page.on('pageerror', (e) => errors.push(String(e)));
      page.on('dialog', (d) => d.accept());
      page.errors = errors;
      await page.goto(`${base}index.html?${query}`);
      await page.waitForFunction(() => document.body.dataset.ready, {timeout: 30000});
      const ready = await page.evaluate(() => document.body.dataset.ready);
      if (ready !== '1') throw new Error(`the page did not start: ${await page.$eval('#notice', (n) => n.textContent)} ${errors}`);
      return page;
    },
    async close() {
      await browser.close();
      server.close();
      await rm(profile, {recursive: true, force: true});
    },
  };
}
