// The touch controls at a phone's size, in Chromium's touch emulation, with
// several fingers at once (the DevTools protocol's touch points): Enter taps
// through the title and the story into level 1, a finger walks on ▶, another
// aims and charges on the picture while a third walks on ◀, lifting it
// launches. In portrait no control covers the picture; turned to landscape the
// picture keeps its 5:4 aspect at the screen's full height. A tap on Esc does
// not end the game, holding it does. With V17_SHOTS=DIR the page is saved as
// DIR/touch-390x844.png and DIR/touch-844x390.png during level 1.
'use strict';
const path = require('path');

module.exports = async (browser, base, { fail, untilDone, parseTrace, sleep, checkPlay }) => {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', e => errors.push(String(e)));
  const phone = { width: 390, height: 844, hasTouch: true, isMobile: true };
  await page.setViewport(phone);
  await page.goto(`${base}/index.html?trace=1`);
  await page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 20 });
  const cdp = await page.target().createCDPSession();

  // The fingers down now, by identifier, each at x, y.
  const down = new Map();
  const send = type => cdp.send('Input.dispatchTouchEvent', {
    type, touchPoints: [...down].map(([id, [x, y]]) => ({ x, y, id, radiusX: 4, radiusY: 4 })),
  });
  const put = (id, x, y) => { down.set(id, [x, y]); return send('touchStart'); };
  const slide = (id, x, y) => { down.set(id, [x, y]); return send('touchMove'); };
  const lift = id => { down.delete(id); return down.size ? send('touchMove') : send('touchEnd'); };
  const box = async selector => {
    const b = await (await page.$(selector)).boundingBox();
    if (!b) fail(`${selector} is not shown`);
    return { ...b, cx: b.x + b.width / 2, cy: b.y + b.height / 2 };
  };
  const tap = async (selector, holdMs = 90) => {
    const b = await box(selector);
    await put(9, b.cx, b.cy);
    await sleep(holdMs);
    await lift(9);
  };
  const overlap = (a, b) => a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
  const shots = process.env.V17_SHOTS;

  for (let i = 0; i < 3; ++i) {
    await tap('#touch-enter');
    await sleep(500);
  }
  const picture = await box('#canvas');
  for (const pad of ['#touch-left', '#touch-right', '#touch-enter', '#touch-escape', '#touch-full']) {
    if (overlap(await box(pad), picture)) fail(`in portrait ${pad} covers the picture`);
  }
  if (shots) await page.screenshot({ path: path.join(shots, 'touch-390x844.png') });

  // Walk right with one finger.
  await tap('#touch-right', 700);
  await sleep(300);
  // Walk left with one finger while another aims and charges on the picture.
  const left = await box('#touch-left');
  await put(1, left.cx, left.cy);
  await put(2, picture.cx, picture.cy);
  for (let i = 1; i <= 10; ++i) {
    await slide(2, picture.cx + 4 * i, picture.cy - 8 * i);
    await sleep(80);
  }
  await lift(1);
  await sleep(500);
  await lift(2);
  await sleep(1500);

  // Turned to landscape: no status bar, the picture at full height.
  const turned = { width: 844, height: 390, hasTouch: true, isMobile: true };
  await page.setViewport(turned);
  await page.waitForFunction('window.innerWidth === 844');
  const wide = await box('#canvas');
  if (Math.abs(wide.width - 1.25 * wide.height) > 1 || Math.abs(wide.height - turned.height) > 1)
    fail(`in landscape the picture is ${wide.width}x${wide.height}, not 5:4 at the screen's height`);
  if (await page.$eval('#bar', bar => bar.offsetHeight > 0)) fail('in landscape the status bar takes room');
  if (shots) await page.screenshot({ path: path.join(shots, 'touch-844x390.png') });

  // A stray tap on Esc is not Escape; holding it is.
  await tap('#touch-escape');
  await sleep(1200);
  if (await page.evaluate(() => window.v17.done)) fail('a tap on Esc ended the game');

  const escape = await box('#touch-escape');
  await put(3, escape.cx, escape.cy);
  const run = await untilDone(page, 10).finally(() => lift(3));
  if (run.exitCode !== 0) fail(`the run ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
  const frames = parseTrace(run.trace || '');
  const level = checkPlay(frames);
  // Both fingers at once: a walk to the left while charging.
  if (!level.some((f, i) => i > 0 && f.charging === 1 && !f.airborne && f.x < level[i - 1].x))
    fail('◀ held while another finger charged did not walk left');
  const loose = errors.filter(e => !e.startsWith('ExitStatus'));
  if (loose.length) fail(loose.join('; '));
  await page.close();
  return `${frames.length} frames, ${level.length} in level 1: walked both ways, aimed, charged, launched ` +
         `by touch; no control over the picture in portrait (${Math.round(picture.width)}x` +
         `${Math.round(picture.height)}), ${Math.round(wide.width)}x${Math.round(wide.height)} in landscape` +
         `${shots ? `; screenshots in ${shots}` : ''}`;
};
