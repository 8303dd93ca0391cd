// The page's host cost per exchange: a read of a 24C512 in headless Chromium with the simulated
// programmer answering at once, and again with LATENCY_MS (default 1) per answer as a real
// programmer's pace. Prints milliseconds per exchange; a benchmark, not a test.
//   node bench_exchange.mjs [BUILT_FOLDER]
import {startBrowser} from './browser.mjs';

const folder = process.argv[2] || new URL('../../build-web/web', import.meta.url).pathname;
const latency = Number(process.env.LATENCY_MS ?? 1);
const b = await startBrowser(folder);
try {
  const page = await b.page();
  for (const ms of [0, latency]) {
    const r = await page.evaluate(async (ms) => {
      const fake = window.tesmaroFakeHid;
      fake.sim()._sim_set_latency(ms);
      const p = window.tesmaroPage;
      document.getElementById('chip').value = '24C512';
      p.selectChip();
      const before = fake.exchanges();
      const t0 = performance.now();
      const result = await p.runChip('tw_read');
      const t1 = performance.now();
      return {result, exchanges: fake.exchanges() - before, ms: t1 - t0};
    }, ms);
    console.log(`latency ${ms} ms: ${r.exchanges} exchanges in ${r.ms.toFixed(0)} ms, ` +
      `${(r.ms / r.exchanges).toFixed(3)} ms per exchange (result ${r.result})`);
  }
  await page.close();
} finally {
  await b.close();
}
