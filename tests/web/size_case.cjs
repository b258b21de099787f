// What the game page's first visit costs: the bytes a plain static host sends
// (each file whole, nothing compressed by the server) until the title's first
// frame, at most 2,500,000, and with the service worker's keeping of the site
// for offline play; then the time from opening the page to the title with the
// network at 10 Mbit/s and 40 ms, a figure beside its goal of 3 s.
'use strict';
const path = require('path');

const limit = 2500000;

// A page in a browser context of its own: no cache, no service worker.
async function freshPage(browser) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 1280, height: 1100 });
  return { context, page };
}

module.exports = async (browser, base, { site, serve, fail }) => {
  const served = [];
  const server = await serve(path.resolve(site), (name, bytes) => served.push({ name, bytes }));
  const at = `http://127.0.0.1:${server.address().port}`;
  const sum = list => list.reduce((total, file) => total + file.bytes, 0);
  let title, total, throttled;
  try {
    const { context, page } = await freshPage(browser);
    await page.goto(`${at}/index.html`);
    await page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 20 });
    title = served.slice();
    await page.waitForFunction('window.v17.worker', { timeout: 30000 });
    await page.evaluate(() => navigator.serviceWorker.ready);
    total = served.slice();
    await context.close();

    const slow = await freshPage(browser);
    await slow.page.emulateNetworkConditions({ download: 10e6 / 8, upload: 10e6 / 8, latency: 40 });
    await slow.page.goto(`${at}/index.html`);
    await slow.page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 20 });
    throttled = await slow.page.evaluate(() => window.v17.firstFrameMs);
    await slow.context.close();
  } finally {
    server.close();
  }
  const names = list => new Set(list.map(file => file.name));
  for (const needed of ['/vantorel17.wasm.gz', '/vantorel17.data.gz', '/libfluidsynth-2.3.0.js.gz'])
    if (!names(title).has(needed)) fail(`the page never fetched ${needed}`);
  // The service worker keeps what the page downloaded; only the small files
  // the page loads before it (the page, its script, style and icon) come twice.
  const twice = total.filter((file, i) => total.findIndex(other => other.name === file.name) !== i);
  if (twice.some(file => file.bytes > 20000)) fail(`fetched twice: ${[...names(twice)].join(', ')}`);
  if (sum(title) > limit) fail(`${sum(title)} bytes before the title, above ${limit}`);
  if (sum(total) > limit) fail(`${sum(total)} bytes with the offline copy, above ${limit}`);
  const largest = title.sort((a, b) => b.bytes - a.bytes).slice(0, 4)
      .map(file => `${file.name.slice(1)} ${(file.bytes / 1e6).toFixed(2)}`);
  return `${sum(title)} bytes in ${title.length} files before the title (${largest.join(', ')} MB), ` +
         `${sum(total)} with the offline copy; title ${Math.round(throttled)} ms after opening ` +
         `the page at 10 Mbit/s and 40 ms (goal 3000)`;
};
