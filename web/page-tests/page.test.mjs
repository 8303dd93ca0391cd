// The page in headless Chromium with the simulated programmer behind navigator.hid: the chip
// commands byte-exact, Stop, unplug, a short reply, two tabs, and screenshots of the page.
//   node --test page.test.mjs   (TESMARO_WEB_DIR: the built folder; TESMARO_CLI: a native
//   tesmaro-cli whose reading of the same simulated chip the page's must equal)
import {after, before, test} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {mkdirSync, mkdtempSync, readFileSync, writeFileSync, existsSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {dirname, join, resolve} from 'node:path';
import {fileURLToPath} from 'node:url';
import {startBrowser} from './browser.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const webDir = resolve(process.env.TESMARO_WEB_DIR || join(here, '../../build-web/web'));
const shots = resolve(process.env.TESMARO_SHOTS || join(webDir, '../page-screenshots'));
let b;

before(async () => {
  mkdirSync(shots, {recursive: true});
  b = await startBrowser(webDir);
});
after(async () => b && b.close());

// Selects a chip, runs a chip command and returns its result and the message it left.
async function chipCommand(page, name, command) {
  return page.evaluate(async (name, command) => {
    const p = window.tesmaroPage;
    document.getElementById('chip').value = name;
    p.selectChip();
    const result = await p.runChip(command);
    return {result, message: p.state.lastMessage, written: document.body.dataset.written || ''};
  }, name, command);
}

const simChip = (page, n) => page.evaluate((n) => Array.from(window.tesmaroFakeHid.chip().subarray(0, n)), n);
const pageImage = (page, n) => page.evaluate((n) => Array.from(window.tesmaroPage.image().subarray(0, n)), n);

// TChipRun and TChipCheck of chip_operations.h.
const Run = {Stopped: 2, NoAnswer: 3, Done: 5};
const Check = {Stopped: 2, NoAnswer: 3, Same: 5, Different: 6};

test('the programmer granted before is found with its firmware version', async () => {
  const page = await b.page();
  assert.equal(await page.$eval('#version', (e) => e.textContent), 'Mervo v.1.7');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('read, write and verify of a 24C64 are byte-exact', async () => {
  const page = await b.page();
  const read = await chipCommand(page, '24C64', 'tw_read');
  assert.equal(read.result, Run.Done, JSON.stringify(read.message));
  assert.deepEqual(await pageImage(page, 8192), await simChip(page, 8192));

  // The simulated chip of seed 1 is the one tesmaro-cli --simulate --sim-seed 1 reads.
  if (process.env.TESMARO_CLI) {
    const out = join(mkdtempSync(join(tmpdir(), 'tesmaro-web-')), 'chip.bin');
    execFileSync(process.env.TESMARO_CLI, ['--simulate', '--sim-seed', '1', '--chip', '24C64', 'read', out]);
    assert.deepEqual(await pageImage(page, 8192), Array.from(readFileSync(out)));
  }

  await page.evaluate(() => {
    const img = window.tesmaroPage.image();
    for (let i = 0; i < 8192; ++i) img[i] = (i * 7 + (i >> 8)) & 0xff;
  });
  const written = await chipCommand(page, '24C64', 'tw_write');
  assert.equal(written.result, Check.Same, JSON.stringify(written.message));
  assert.deepEqual(await simChip(page, 8192), await pageImage(page, 8192));

  const verified = await chipCommand(page, '24C64', 'tw_verify');
  assert.equal(verified.result, Check.Same, JSON.stringify(verified.message));
  await page.evaluate(() => { window.tesmaroFakeHid.chip()[100] ^= 0xff; });
  const differs = await chipCommand(page, '24C64', 'tw_verify');
  assert.equal(differs.result, Check.Different);
  assert.equal(differs.message.kind, 'error');
  await page.screenshot({path: join(shots, 'page-en-100.png')});
  await page.close();
});

test('erase after its question, then the blank check finds the chip blank', async () => {
  const page = await b.page();
  const before = await chipCommand(page, '24C64', 'tw_blank_check');
  assert.ok(before.result > 0, JSON.stringify(before));
  const erased = await chipCommand(page, '24C64', 'tw_erase');
  assert.equal(erased.result, Check.Same, JSON.stringify(erased.message));
  assert.ok((await simChip(page, 8192)).every((v) => v === 0xff));
  const after = await chipCommand(page, '24C64', 'tw_blank_check');
  assert.equal(after.result, 0);
  assert.equal(after.message.kind, 'information');
  await page.close();
});

test('Stop during a write names the partly written range', async () => {
  const page = await b.page();
  const result = await page.evaluate(async () => {
    const p = window.tesmaroPage;
    document.getElementById('chip').value = '24C64';
    p.selectChip();
    const running = p.runChip('tw_write');
    // Stop once a quarter is written.
    await new Promise((ok) => {
      const t = setInterval(() => {
        if (document.querySelector('#progress progress').value >= 25) {
          document.getElementById('stop').click();
          clearInterval(t);
          ok();
        }
      }, 1);
    });
    const r = await running;
    return {r, message: p.state.lastMessage, written: document.body.dataset.written};
  });
  assert.equal(result.r, Check.Stopped);
  assert.match(result.written, /^0-[0-9A-F]+$/);
  const last = parseInt(result.written.split('-')[1], 16);
  assert.ok(last > 0 && last < 8191, result.written);
  assert.match(result.message.text, /partly written/i);
  await page.close();
});

test('a failed exchange leaves the image as it was and says why', async (t) => {
  // Each fault, the exchange it hits and the message's words.
  const cases = [
    {fault: 'unplug@40', words: /unplugged|not found|disconnected/i},
    {fault: 'short@40', words: /reply|answer/i},
  ];
  for (const c of cases) {
    await t.test(c.fault, async () => {
      const page = await b.page();
      const before = await pageImage(page, 8192);
      await page.evaluate((f) => window.tesmaroFakeHid.addFault(f), c.fault);
      const read = await chipCommand(page, '24C64', 'tw_read');
      assert.equal(read.result, Run.NoAnswer, JSON.stringify(read.message));
      assert.equal(read.message.kind, 'error');
      assert.match(read.message.text, c.words);
      assert.deepEqual(await pageImage(page, 8192), before);
      await page.close();
    });
  }
});

test('two tabs never use one programmer at once', async () => {
  const first = await b.page();
  const second = await b.page();
  await first.evaluate(() => window.tesmaroFakeHid.sim()._sim_set_latency(5));
  const running = chipCommand(first, '24C64', 'tw_read');
  await first.waitForFunction(() => document.querySelector('#progress progress').value > 5, {polling: 20});
  const refused = await chipCommand(second, '24C64', 'tw_read');
  assert.notEqual(refused.result, Run.Done);
  assert.match(refused.message.text, /another|busy|in use/i);
  assert.match(refused.message.text, /It is in use in: Tesmaro, the tab opened at/);
  assert.equal((await running).result, Run.Done);
  await first.close();
  await second.close();
});

test('images saved in each format open back byte-exact, as tesmaro-cli convert writes them', async () => {
  const page = await b.page();
  await chipCommand(page, '24C64', 'tw_read');
  const chip = await pageImage(page, 8192);
  const dir = mkdtempSync(join(tmpdir(), 'tesmaro-web-'));
  if (process.env.TESMARO_CLI) writeFileSync(join(dir, 'chip.bin'), Buffer.from(chip));
  for (const ext of ['bin', 'hex', 'srec']) {
    const saved = await page.evaluate((ext) => Array.from(window.tesmaroPage.saveBytes(`24C64.${ext}`) || []), ext);
    assert.ok(saved.length > 0, ext);
    if (process.env.TESMARO_CLI) {
      execFileSync(process.env.TESMARO_CLI, ['--chip', '24C64', 'convert', join(dir, 'chip.bin'), join(dir, `cli.${ext}`)]);
      assert.deepEqual(saved, Array.from(readFileSync(join(dir, `cli.${ext}`))), `${ext} as the CLI writes it`);
    }
    const reopened = await page.evaluate((ext, saved) => {
      window.tesmaroPage.image().fill(0);
      return window.tesmaroPage.openBytes(`copy.${ext}`, new Uint8Array(saved));
    }, ext, saved);
    assert.ok(reopened, ext);
    assert.deepEqual(await pageImage(page, 8192), chip, ext);
  }
  // Data past the chip are refused and the image is kept.
  const refused = await page.evaluate(() => {
    const p = window.tesmaroPage;
    const big = new Uint8Array(8193).fill(0x11);
    const ok = p.openBytes('big.bin', big);
    return {ok, message: p.state.lastMessage, first: p.image()[0]};
  });
  assert.equal(refused.ok, false);
  assert.equal(refused.message.kind, 'error');
  assert.equal(refused.first, chip[0]);
  await page.close();
});

test('screenshots at 200 % zoom, light and dark', async () => {
  // A 1100 by 720 window at 200 % zoom: half the CSS pixels, each drawn twice as large.
  const page = await b.page('fake-device', {width: 550, height: 360, deviceScaleFactor: 2});
  await chipCommand(page, '24C64', 'tw_read');
  await page.screenshot({path: join(shots, 'page-en-200.png')});
  // The dark look follows the system's.
  await page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: 'dark'}]);
  const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
  assert.equal(background, 'rgb(30, 31, 34)');
  await page.screenshot({path: join(shots, 'page-en-200-dark.png')});
  assert.ok(existsSync(join(shots, 'page-en-200.png')));
  await page.close();
});
