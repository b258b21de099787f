// The browser build in a real browser: Debian's Chromium, headless, driven by
// puppeteer-core (which never fetches a browser of its own).
//   node tests/web/browser_test.cjs SITE NATIVE_GAME NATIVE_ASSETS [test...]
// Tests: trace (the complete run's trace equals the native headless one on every
// frame and field), input (real key, mouse and button events play level 1),
// showcase (runs to its end in its page), picture (WebGL's picture equals the
// 2D canvas's), figures (load time and timedemo
// speed beside the native game's). All of them without names.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');

const [site, nativeGame, nativeAssets, ...wanted] = process.argv.slice(2);
if (!site || !nativeGame || !nativeAssets) {
  console.error('usage: browser_test.cjs SITE NATIVE_GAME NATIVE_ASSETS [trace|input|showcase|picture|figures]...');
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

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// A key pressed and held as a player does.
async function press(page, key, holdMs = 90) {
  await page.keyboard.down(key);
  await sleep(holdMs);
  await page.keyboard.up(key);
}

const figures = {};

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

  // The picture on the canvas: drawn by WebGL from the indices and the
  // palette, it equals the 2D canvas's picture expanded in wasm, pixel for pixel.
  async picture(browser, base) {
    const seen = {};
    for (const renderer of ['gl', 'cpu']) {
      const page = await browser.newPage();
      await page.setViewport({ width: 1280, height: 1100 });
      await page.evaluateOnNewDocument(() => { window.V17_READBACK = true; });
      await page.goto(`${base}/index.html?input=replays/complete.txt&timedemo=1&frames=300&renderer=${renderer}`);
      const run = await untilDone(page, 300);
      if (run.exitCode !== 0) fail(`${renderer}: the run ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
      // The rows top down, hashed (FNV-1a), and the picture's colours counted.
      seen[renderer] = await page.evaluate(() => {
        const p = window.V17_PICTURE;
        if (!p) return null;
        let hash = 2166136261;
        const colours = new Set();
        for (let y = 0; y < p.height; ++y) {
          const row = p.bottomUp ? p.height - 1 - y : y;
          for (let i = row * p.width * 4, end = i + p.width * 4; i < end; i += 4) {
            const c = p.rgba[i] << 16 | p.rgba[i + 1] << 8 | p.rgba[i + 2];
            colours.add(c);
            hash = Math.imul(hash ^ c, 16777619) >>> 0;
          }
        }
        return { renderer: window.v17.renderer, width: p.width, height: p.height, hash, colours: colours.size };
      });
      await page.close();
      if (!seen[renderer]) fail(`${renderer}: no picture was read back`);
    }
    const { gl, cpu } = seen;
    if (gl.renderer !== 'webgl' || cpu.renderer !== '2d')
      fail(`the renderers were ${gl.renderer} and ${cpu.renderer}, not webgl and 2d`);
    if (cpu.colours < 32) fail(`the picture has only ${cpu.colours} colours`);
    if (gl.width !== cpu.width || gl.height !== cpu.height || gl.hash !== cpu.hash)
      fail(`WebGL's picture (${gl.width}x${gl.height}, ${gl.hash}) differs from the 2D canvas's ` +
           `(${cpu.width}x${cpu.height}, ${cpu.hash})`);
    return `WebGL and the 2D canvas show the same ${gl.width}x${gl.height} picture (${gl.colours} colours)`;
  },

  // Real events, at a player's pace, on the real clock: Enter through the
  // title and the story into level 1, a walk to the right, the pointer moved,
  // a charge held and let go, then Escape.
  async input(browser, base) {
    const opened = Date.now();
    const page = await openPage(browser, `${base}/index.html?trace=1`);
    await page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 20 });
    figures.firstFrameMs = await page.evaluate(() => window.v17.firstFrameMs);
    figures.firstFrameWallMs = Date.now() - opened;
    await sleep(1500);
    const title = await page.evaluate(() => ({ frames: window.v17.audioFrames, peak: window.v17.audioPeak }));
    for (let i = 0; i < 3; ++i) {
      await press(page, 'Enter');
      await sleep(500);
    }
    const box = await (await page.$('#canvas')).boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2, { delay: 60 });
    await sleep(300);
    await press(page, 'ArrowRight', 700);
    await sleep(300);
    await page.mouse.down();
    for (let i = 1; i <= 10; ++i) {
      await page.mouse.move(box.x + box.width / 2 + 12 * i, box.y + box.height / 2 - 25 * i);
      await sleep(80);
    }
    await sleep(500);
    await page.mouse.up();
    await sleep(1500);
    for (let i = 0; i < 3; ++i) {
      await press(page, 'Escape');
      const done = await page.waitForFunction('window.v17.done', { timeout: 3000 }).then(() => true, () => false);
      if (done) break;
    }
    const run = await untilDone(page, 10);
    if (run.exitCode !== 0) fail(`the run ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
    const frames = parseTrace(run.trace || '');
    const level = frames.filter(f => f.state === 1);
    if (!level.length) fail(`level 1 never came (states seen: ${[...new Set(frames.map(f => f.state))]})`);
    const xs = new Set(level.filter(f => !f.airborne && !f.charging).map(f => f.x));
    if (xs.size < 2) fail('the player did not walk');
    const charged = level.findIndex(f => f.charging === 1);
    if (charged < 0) fail('the button held did not charge');
    const aims = new Set(level.slice(charged).filter(f => f.charging).map(f => `${f.mouse_x},${f.mouse_y}`));
    if (aims.size < 2) fail('moving the mouse did not move the aim');
    const launched = level.some((f, i) => i > 0 && level[i - 1].charging === 1 && level[i - 1].power > 10 &&
                                          f.airborne === 1 && (f.vx !== 0 || f.vy !== 0));
    if (!launched) fail('letting go of a long charge did not launch the player');
    // The title's music played (the browser is told to allow sound without a gesture).
    if (title.frames < 22050 || title.peak < 0.02)
      fail(`the title played ${title.frames} audio frames, peak ${title.peak}: no music`);
    const gaps = frames.slice(1).map((f, i) => f.tick - frames[i].tick).sort((a, b) => a - b);
    figures.medianGap = gaps[Math.floor(gaps.length / 2)];
    await page.close();
    return `${frames.length} frames, ${level.length} in level 1: walked, aimed, charged, launched; ` +
           `median frame gap ${figures.medianGap} ms; music peak ${title.peak.toFixed(2)} on the title`;
  },

  // The library's showcase runs to its end in its own page.
  async showcase(browser, base) {
    const page = await openPage(browser, `${base}/showcase.html`);
    const run = await untilDone(page, 300);
    if (run.exitCode !== 0) fail(`the showcase ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
    const scenes = ['0_FADE_TO_BLACK', '1_FADE_TO_WHITE', '2_CLOSE_COLUMNS', '3_CLOSE_ROWS', '4_DISSOLVE',
                    '5_CLOSE_BOX', '6_TINT_BLUE', '7_TINT_RED', '8_TINT_GREEN', '9_POLYGONS'];
    const missing = scenes.filter(scene => !run.stdout.includes(scene));
    if (missing.length) fail(`scenes not shown: ${missing.join(', ')}`);
    if (run.frames < 200) fail(`only ${run.frames} frames were shown`);
    await page.close();
    return `every scene shown, ${run.frames} frames`;
  },

  // What a player waits for and gets: the site's size as served and gzipped,
  // the time from opening the page to its first frame, and the timedemo's
  // speed beside the native game's, in this run.
  async figures(browser, base) {
    let bytes = 0, gzipped = 0;
    for (const name of fs.readdirSync(site)) {
      const data = fs.readFileSync(path.join(site, name));
      bytes += data.length;
      gzipped += zlib.gzipSync(data, { level: 9 }).length;
    }
    if (figures.firstFrameMs === undefined) {
      const page = await openPage(browser, `${base}/index.html`);
      await page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 20 });
      figures.firstFrameMs = await page.evaluate(() => window.v17.firstFrameMs);
      await page.close();
    }
    // Three timedemos of each, taken in turn; the medians.
    const fps = line => Number((/([0-9.]+) frames per second/.exec(line) || [])[1]);
    const median = values => values.sort((x, y) => x - y)[Math.floor(values.length / 2)];
    const web = [], native = [];
    for (let i = 0; i < 3; ++i) {
      const page = await openPage(browser, `${base}/index.html?input=replays/complete.txt&timedemo=1`);
      const run = await untilDone(page, 600);
      web.push(fps(run.stdout.find(line => line.startsWith('timedemo:')) || ''));
      await page.close();
      native.push(fps(execFileSync(nativeGame, ['--headless', '--timedemo', '--input',
                                                path.join(repo, 'assets/replays/complete.txt'),
                                                '--assets', nativeAssets], { encoding: 'utf8' })));
    }
    const mb = n => (n / 1048576).toFixed(1) + ' MiB';
    return `site ${mb(bytes)} (${mb(gzipped)} gzipped); first frame ${Math.round(figures.firstFrameMs)} ms ` +
           `after the page opened; timedemo ${median(web)} fps in Chromium, ` +
           `${median(native)} fps native headless (medians of ${web.join(', ')} and ${native.join(', ')})`;
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
