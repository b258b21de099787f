// Offline play: after one visit, with the service worker active and its cache
// filled, the host gone and the browser offline, the page reloads and the
// game plays a scripted run to its end. Then a new build on the host (one file
// changed, the worker naming it with its new hash and a new cache) replaces
// the kept files on the next visits, and the old cache is gone.
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const os = require('os');
const path = require('path');

// What the page's origin keeps: each cache's name and the paths in it.
function kept(page) {
  return page.evaluate(async () => {
    const out = {};
    for (const key of await caches.keys())
      out[key] = (await (await caches.open(key)).keys()).map(r => new URL(r.url).pathname.slice(1)).sort();
    return out;
  });
}

async function visit(page, url, fail) {
  await page.goto(url);
  await page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 50 });
  await page.waitForFunction('window.v17.worker', { timeout: 30000 });
  if (await page.evaluate(() => window.v17.worker) !== 'registered')
    fail('the service worker could not be registered');
  await page.evaluate(() => navigator.serviceWorker.ready);
}

module.exports = async (browser, base, { site, serve, fail, untilDone, parseTrace }) => {
  // A copy of the site, which the second half changes.
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'v17offline-'));
  fs.cpSync(path.resolve(site), root, { recursive: true });
  const worker = fs.readFileSync(path.join(root, 'sw.js'), 'utf8');
  const files = [...worker.matchAll(/^ {2}'([^']+)': '([0-9a-f]{64})',$/gm)].map(m => m[1]);
  const build = /const CACHE = '(vantorel17-[0-9a-f]+)'/.exec(worker);
  if (files.length < 10 || !build) fail('sw.js does not list the files it keeps and its cache');

  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  let server = await serve(root);
  const at = `http://127.0.0.1:${server.address().port}`;
  try {
    await visit(page, `${at}/index.html`, fail);
    const first = await kept(page);
    if (JSON.stringify(Object.keys(first)) !== JSON.stringify([build[1]]))
      fail(`the caches are ${Object.keys(first).join(', ')}, not ${build[1]} alone`);
    const missing = files.filter(name => !first[build[1]].includes(name));
    if (missing.length) fail(`the cache lacks ${missing.join(', ')}`);

    // No host, no network: the page comes from the worker and plays.
    server.closeAllConnections();
    server.close();
    await page.setOfflineMode(true);
    await page.goto(`${at}/index.html?input=replays/complete.txt&timedemo=1&frames=300&trace=1`);
    const run = await untilDone(page, 120);
    if (run.exitCode !== 0) fail(`offline, the run ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
    const frames = parseTrace(run.trace || '').length;
    if (frames < 300) fail(`offline, the run traced ${frames} frames, not 300`);
    if (await page.evaluate(() => fetch('showcase.html').then(() => true, () => false)))
      fail('a file the worker does not keep was fetched: the network was not off');
    await page.setOfflineMode(false);

    // A new build: page.css changed, the worker naming its new hash and cache.
    const css = path.join(root, 'page.css');
    fs.appendFileSync(css, '/* the next build */\n');
    const hash = crypto.createHash('sha256').update(fs.readFileSync(css)).digest('hex');
    fs.writeFileSync(path.join(root, 'sw.js'), worker
        .replace(/('page\.css': ')[0-9a-f]{64}/, `$1${hash}`)
        .replace(build[1], 'vantorel17-nextbuild'));
    server = await serve(root, undefined, Number(new URL(at).port));
    await visit(page, `${at}/index.html`, fail);
    await page.waitForFunction(async () => (await caches.keys()).join() === 'vantorel17-nextbuild',
                               { timeout: 30000, polling: 200 });
    const style = await page.evaluate(async () =>
        (await (await caches.open('vantorel17-nextbuild')).match('page.css')).text());
    if (!style.includes('the next build')) fail('the new build\'s page.css was not kept');
    return `${files.length} files kept in ${build[1]}; offline the reloaded page played ` +
           `${frames} frames to exit 0; the next build replaced the cache`;
  } finally {
    server.close();
    await context.close();
    fs.rmSync(root, { recursive: true, force: true });
  }
};
