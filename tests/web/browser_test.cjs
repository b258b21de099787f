// The browser build in real browsers: Debian's Chromium (headless) and Firefox
// ESR (headless), driven by puppeteer-core (which never fetches a browser of
// its own; Firefox through WebDriver BiDi), and WebKitGTK's MiniBrowser driven
// by WebKitWebDriver through plain WebDriver (webdriver.cjs; it needs an X
// display, which scripts/web-test gives it with xvfb-run).
//   node tests/web/browser_test.cjs [--engine chromium|firefox|webkit] SITE NATIVE_GAME NATIVE_ASSETS [test...]
// The engine may also come from V17_ENGINE; Chromium without either.
// Tests: trace (the complete run's trace equals the native headless one on every
// frame and field), input (real key, mouse and button events play level 1),
// showcase (runs to its end in its page), picture (WebGL's picture equals the
// 2D canvas's), figures (load time and timedemo speed beside the native
// game's), examples (each example of the examples page runs there, and its
// source view shows its file), size (what the game page's first visit
// downloads, and the time to its title at 10 Mbit/s), offline (after one visit
// the game plays with the network gone; a new build replaces the kept files),
// resample (a 44.1 kHz WAV loads to the native load's samples),
// touch (the touch controls play level 1 with several fingers), gesture (no
// sound before the first key press, click or touch, sound after it), gamepad
// (a controller through the Gamepad API plays level 1). Without names: all of
// them in Chromium, trace and input in the other engines.
// A test is async (browser, base, helpers) => what it found, and throws on a
// failure; tests kept in files of their own (NAME_case.cjs) export one and are
// named in the table below.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');
const webdriver = require('./webdriver.cjs');

const ENGINES = ['chromium', 'firefox', 'webkit'];
const argv = process.argv.slice(2);
let engine = process.env.V17_ENGINE || 'chromium';
for (let i = 0; i < argv.length; ++i) {
  const at = /^--engine(?:=(.*))?$/.exec(argv[i]);
  if (!at) continue;
  engine = at[1] !== undefined ? at[1] : argv[i + 1];
  argv.splice(i, at[1] !== undefined ? 1 : 2);
  break;
}
const [site, nativeGame, nativeAssets, ...wanted] = argv;
if (!site || !nativeGame || !nativeAssets || !ENGINES.includes(engine)) {
  console.error('usage: browser_test.cjs [--engine chromium|firefox|webkit] SITE NATIVE_GAME NATIVE_ASSETS ' +
                '[trace|input|showcase|picture|aspect|figures|examples|size|offline|resample|touch|gesture|gamepad]...');
  process.exit(2);
}
const repo = path.resolve(__dirname, '..', '..');
const chromium = process.env.V17_CHROMIUM || '/usr/bin/chromium';
const firefox = process.env.V17_FIREFOX || '/usr/bin/firefox-esr';
const webkitDriver = process.env.V17_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
                '.wasm': 'application/wasm', '.data': 'application/octet-stream',
                '.txt': 'text/plain', '.png': 'image/png',
                '.webmanifest': 'application/manifest+json' };

// A plain static server of the site, as any host would be: the files as they
// are, with their lengths. served(name, bytes), when given, hears of each
// file sent; port, when given, is the one to listen on (0: any free one).
function serve(root, served, port = 0) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(root, path.normalize(name === '/' ? '/index.html' : name));
    if (!file.startsWith(path.resolve(root)) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404);
      res.end();
      return;
    }
    const size = fs.statSync(file).size;
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                         'Content-Length': size });
    if (served) res.on('finish', () => served(name, size));
    fs.createReadStream(file).pipe(res);
  });
  return new Promise(resolve => server.listen(port, '127.0.0.1', () => resolve(server)));
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

// Escape held until the run ends (a program may look at the keys only now
// and then, as the showcase does between its transitions).
async function escapeUntilDone(page, what) {
  await page.keyboard.down('Escape');
  const run = await untilDone(page, 15).finally(() => page.keyboard.up('Escape'));
  if (run.exitCode !== 0) fail(`${what} ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
  return run;
}

// The texts of the sources the examples page shows.
function shownSources(page) {
  return page.$$eval('pre.source', pres => pres.filter(pre => !pre.hidden && pre.offsetHeight > 0)
                                                 .map(pre => pre.textContent));
}

// What a player did in level 1, from the trace: a walk, the pointer moved
// while charging, a launch from a long charge. Returns the level's frames.
function checkPlay(frames) {
  const level = frames.filter(f => f.state === 1);
  if (!level.length) fail(`level 1 never came (states seen: ${[...new Set(frames.map(f => f.state))]})`);
  const xs = new Set(level.filter(f => !f.airborne && !f.charging).map(f => f.x));
  if (xs.size < 2) fail('the player did not walk');
  const charged = level.findIndex(f => f.charging === 1);
  if (charged < 0) fail('the button held did not charge');
  const aims = new Set(level.slice(charged).filter(f => f.charging).map(f => `${f.mouse_x},${f.mouse_y}`));
  if (aims.size < 2) fail('moving the pointer did not move the aim');
  const launched = level.some((f, i) => i > 0 && level[i - 1].charging === 1 && level[i - 1].power > 10 &&
                                        f.airborne === 1 && (f.vx !== 0 || f.vy !== 0));
  if (!launched) fail('letting go of a long charge did not launch the player');
  return level;
}

const figures = {};

// What the tests in files of their own are given.
const helpers = { engine, chromium, repo, site, serve, fail, openPage, untilDone, nativeTrace, parseTrace,
                  sleep, press, escapeUntilDone, checkPlay, figures };
const caseFile = name => (browser, base) => require(`./${name}_case.cjs`)(browser, base, helpers);

const tests = {
  size: caseFile('size'),
  offline: caseFile('offline'),
  resample: caseFile('resample'),
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

  // The picture keeps its 5:4 aspect at every size, phone to desktop, portrait
  // and landscape: as large as the screen's box allows, centred in it.
  async aspect(browser, base) {
    const page = await openPage(browser, `${base}/index.html`);
    await page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 20 });
    const seen = [];
    for (const [width, height] of [[390, 844], [844, 390], [768, 1024], [1366, 768], [1920, 1080]]) {
      await page.setViewport({ width, height });
      await page.waitForFunction(`window.innerWidth === ${width} && window.innerHeight === ${height}`);
      const { c, s } = await page.evaluate(() => {
        const box = e => { const r = e.getBoundingClientRect(); return { x: r.x, y: r.y, w: r.width, h: r.height }; };
        return { c: box(document.getElementById('canvas')), s: box(document.getElementById('screen')) };
      });
      const at = `at ${width}x${height}: the picture is ${c.w}x${c.h} in a ${s.w}x${s.h} box`;
      if (Math.abs(c.w - 1.25 * c.h) > 1) fail(`${at}, not 5:4`);
      if (c.w > s.w + 1 || c.h > s.h + 1) fail(`${at}, larger than its box`);
      if (Math.abs(c.w - s.w) > 1 && Math.abs(c.h - s.h) > 1) fail(`${at}, smaller than its box allows`);
      if (Math.abs(c.x - s.x - (s.w - c.w) / 2) > 1 || Math.abs(c.y - s.y - (s.h - c.h) / 2) > 1)
        fail(`${at}, not centred`);
      seen.push(`${width}x${height}: ${Math.round(c.w)}x${Math.round(c.h)}`);
    }
    await page.close();
    return seen.join(', ');
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
    const level = checkPlay(frames);
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

  // The examples page runs each example, one to a loading of the page: the
  // first program's hero walks on an arrow key and shouts on Enter over the
  // music; the sound and music example plays to its end, its sounds and the
  // tune's end said where they happened; the showcase runs until Escape. Each
  // one's source view shows its file as it is (nothing of it taken for HTML).
  async examples(browser, base) {
    const said = {};
    for (const name of ['first_steps', 'sound_and_music', 'showcase']) {
      const page = await openPage(browser, `${base}/examples.html?example=${name}`);
      const file = fs.readFileSync(path.join(repo, 'examples', `${name}.cpp`), 'utf8');
      if ((await shownSources(page)).length) fail(`${name}: a source is shown before it is asked for`);
      await page.click('#source-toggle');
      const shown = await shownSources(page);
      if (shown.length !== 1 || shown[0] !== file)
        fail(`${name}: the source view does not show examples/${name}.cpp as it is`);
      await page.click('#source-toggle');
      if ((await shownSources(page)).length) fail(`${name}: the source view does not close`);

      let run;
      if (name === 'sound_and_music') {
        // The tune alone until the first sound, at 2 s.
        await page.waitForFunction('window.v17.stdout.length > 0', { timeout: 60000, polling: 20 });
        await sleep(1500);
        const music = await page.evaluate(() => window.v17.audioPeak);
        run = await untilDone(page, 180);
        if (run.exitCode !== 0) fail(`${name} ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
        const at = what => run.stdout.filter(line => line.startsWith(what)).map(line => Number(/(\d+) ms/.exec(line)[1]));
        const sounds = at('sound at '), ended = at('music ended at ');
        if (at('music starts at ').length !== 1 || sounds.length !== 2 || ended.length !== 1)
          fail(`${name} said ${JSON.stringify(run.stdout)}`);
        if (sounds[0] < 2010 || sounds[0] > 2700 || sounds[1] < 3000 || sounds[1] > 3700)
          fail(`the sounds were played at ${sounds.join(' and ')} ms, not at 2010 and 3000`);
        // The title tune lasts 51 s (51000 ms headless, on the virtual clock).
        if (ended[0] < 50000 || ended[0] > 52500) fail(`the music ended at ${ended[0]} ms, not after 51 s`);
        if (run.audioFrames < 44100 * 40 || music < 0.02)
          fail(`${run.audioFrames} audio frames were played, the tune's peak ${music}: not the music`);
        said[name] = `sounds at ${sounds.join(' and ')} ms, tune ended at ${ended[0]} ms, ` +
                     `${(run.audioFrames / 1e6).toFixed(2)} M audio frames (tune's peak ${music.toFixed(2)})`;
      } else if (name === 'first_steps') {
        // The canvas takes only pictures that differ: one while the hero
        // stands, one a frame while he walks.
        await page.waitForFunction('window.v17.frames >= 1', { timeout: 60000, polling: 50 });
        await sleep(1000);
        await page.focus('#canvas');
        const standing = await page.evaluate(() => window.v17.frames);
        await press(page, 'ArrowRight', 600);
        const walked = await page.evaluate(() => window.v17.frames) - standing;
        const music = await page.evaluate(() => window.v17.audioPeak);  // before the shout
        await press(page, 'Enter');
        await sleep(300);
        run = await escapeUntilDone(page, name);
        const end = /^first_steps: (\d+) frames, hero at (\d+),(\d+), shouts: (\d+), music (\w+)$/
            .exec(run.stdout.join('\n').trim());
        if (!end) fail(`first_steps said ${JSON.stringify(run.stdout)}`);
        const [frames, x, y, shouts] = end.slice(1, 5).map(Number);
        if (x <= 284 || x >= 640 || y !== 203) fail(`the hero went from 284,203 to ${x},${y} on ArrowRight`);
        if (walked < 5) fail(`the canvas showed ${walked} new pictures while the hero walked`);
        if (frames < 45) fail(`the program ran ${frames} frames in about 2 s`);
        if (shouts !== 1 || end[5] !== 'playing') fail(`${shouts} shouts on one Enter, music ${end[5]}`);
        if (run.audioFrames < 44100 || music < 0.02)
          fail(`${run.audioFrames} audio frames were played, peak ${music} before the shout: no music`);
        said[name] = `hero 284,203 to ${x},${y} on ArrowRight (${walked} pictures), ${shouts} shout, ` +
                     `${frames} frames, music peak ${music.toFixed(2)}`;
      } else {
        await page.waitForFunction('window.v17.frames >= 15', { timeout: 60000, polling: 50 });
        await page.focus('#canvas');
        run = await escapeUntilDone(page, name);
        if (!run.stdout.includes('0_FADE_TO_BLACK')) fail(`the showcase said ${JSON.stringify(run.stdout)}`);
        said[name] = `${run.frames} frames to Escape`;
      }
      // What the program wrote is on the page.
      const output = await page.$eval('#output', pre => pre.textContent);
      if (output !== run.stdout.map(line => line + '\n').join('')) fail(`${name}: the page shows ${JSON.stringify(output)}`);
      // (The runtime ends a program by throwing its ExitStatus, which the page sees.)
      const errors = page.errors.filter(e => !e.startsWith('ExitStatus'));
      if (errors.length) fail(`${name}: ${errors.join('; ')}`);
      await page.close();
    }
    const mb = n => (n / 1048576).toFixed(1) + ' MiB';
    return `${Object.entries(said).map(([name, text]) => `${name}: ${text}`).join('; ')}; ` +
           `each source shown as its file; examples.data ${mb(fs.statSync(path.join(site, 'examples.data')).size)}`;
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
    // Five timedemos of each, taken in turn. The fastest of each is the one
    // least held back by whatever else the machine runs, and is compared.
    const fps = line => Number((/([0-9.]+) frames per second/.exec(line) || [])[1]);
    const best = values => Math.max(...values);
    const web = [], native = [];
    for (let i = 0; i < 5; ++i) {
      const page = await openPage(browser, `${base}/index.html?input=replays/complete.txt&timedemo=1`);
      const run = await untilDone(page, 600);
      web.push(fps(run.stdout.find(line => line.startsWith('timedemo:')) || ''));
      await page.close();
      native.push(fps(execFileSync(nativeGame, ['--headless', '--timedemo', '--input',
                                                path.join(repo, 'assets/replays/complete.txt'),
                                                '--assets', nativeAssets], { encoding: 'utf8' })));
    }
    const ratio = best(web) / best(native);
    // The goals: the title within 3 s of opening the page on this machine's
    // loopback, and the browser at least 0.8 times as fast as the native game.
    if (!(figures.firstFrameMs < 3000)) fail(`the first frame came ${figures.firstFrameMs} ms after the page opened`);
    if (!(ratio >= 0.8))
      fail(`the timedemo ran at ${best(web)} fps in Chromium, ${ratio.toFixed(2)} times the native ${best(native)} fps`);
    const mb = n => (n / 1048576).toFixed(1) + ' MiB';
    return `site ${mb(bytes)} (${mb(gzipped)} gzipped); first frame ${Math.round(figures.firstFrameMs)} ms ` +
           `after the page opened; timedemo ${best(web)} fps in Chromium, ${best(native)} fps native ` +
           `headless, ${ratio.toFixed(2)} times (the fastest of ${web.join(', ')} and ${native.join(', ')})`;
  },

  touch: caseFile('touch'),
  gesture: caseFile('gesture'),
  gamepad: caseFile('gamepad'),
};

// WebKitGTK's MiniBrowser, from whichever WebKitGTK API version is installed.
function miniBrowser() {
  const lib = '/usr/lib/x86_64-linux-gnu';
  const found = fs.readdirSync(lib).filter(name => /^webkit2?gtk-[0-9.]+$/.test(name)).sort().reverse()
    .map(name => path.join(lib, name, 'MiniBrowser')).find(file => fs.existsSync(file));
  return process.env.V17_MINIBROWSER || found || fail('no MiniBrowser of WebKitGTK is installed');
}

// The browser of the engine, each told to play sound without a gesture and to
// keep it silent.
function launch() {
  if (engine === 'firefox') {
    return puppeteer.launch({
      browser: 'firefox',
      executablePath: firefox,
      headless: true,
      // Sound allowed without a gesture, and played to Firefox's stand-in
      // output, which runs without a sound device (as on a machine running CI).
      extraPrefsFirefox: { 'media.autoplay.default': 0, 'media.autoplay.block-webaudio': false,
                           'media.cubeb.force_mock_context': true },
    });
  }
  if (engine === 'webkit') {
    return webdriver.launch({
      driver: webkitDriver,
      capabilities: { 'webkitgtk:browserOptions': { binary: miniBrowser(),
                                                     args: ['--automation', '--autoplay-policy=allow'] } },
    });
  }
  return puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
}

async function main() {
  const server = await serve(path.resolve(site));
  const base = `http://127.0.0.1:${server.address().port}`;
  const browser = await launch().catch(e => {
    server.close();
    throw e;
  });
  const names = wanted.length ? wanted : engine === 'chromium' ? Object.keys(tests) : ['trace', 'input'];
  let failed = 0;
  try {
    for (const name of names) {
      const started = Date.now();
      try {
        if (!tests[name]) fail(`no test named ${name}`);
        const said = await tests[name](browser, base, helpers);
        console.log(`web: ${engine}: ${name}: ok (${((Date.now() - started) / 1000).toFixed(1)} s): ${said}`);
      } catch (e) {
        ++failed;
        console.log(`web: ${engine}: ${name}: FAILED: ${e.message}`);
      }
    }
  } finally {
    await browser.close();
    server.close();
  }
  process.exit(failed ? 1 : 0);
}

module.exports = { helpers };
if (require.main === module) {
  main().catch(e => {
    console.error(`web: ${engine}: ${e.message}`);
    process.exit(1);
  });
}
