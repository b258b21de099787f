// A controller through the Gamepad API, made up in the page (the browser has
// no way to attach one): plugged in once the title shows, Start through the
// title and the story into level 1, the d-pad walks, the right trigger charges
// while the right stick aims, letting go launches, Back ends the game.
'use strict';

module.exports = async (browser, base, { fail, untilDone, parseTrace, sleep, checkPlay }) => {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 1100 });
  await page.evaluateOnNewDocument(() => {
    const pad = window.V17_PAD = { plugged: false, buttons: new Array(17).fill(0), axes: [0, 0, 0, 0] };
    navigator.getGamepads = () => pad.plugged ? [{
      id: 'made-up pad', index: 0, connected: true, mapping: 'standard', timestamp: performance.now(),
      buttons: pad.buttons.map(value => ({ value, pressed: value > 0.5, touched: value > 0 })),
      axes: pad.axes.slice(),
    }] : [null, null, null, null];
  });
  await page.goto(`${base}/index.html?trace=1`);
  await page.waitForFunction('window.v17.frames > 0', { timeout: 60000, polling: 20 });
  const set = (what, i, value) => page.evaluate((w, n, v) => { window.V17_PAD[w][n] = v; }, what, i, value);
  const hold = async (i, ms) => {
    await set('buttons', i, 1);
    await sleep(ms);
    await set('buttons', i, 0);
  };
  await page.evaluate(() => {
    window.V17_PAD.plugged = true;
    window.dispatchEvent(new Event('gamepadconnected'));
  });
  for (let i = 0; i < 3; ++i) {
    await hold(9, 90);  // Start
    await sleep(500);
  }
  await hold(15, 700);  // the d-pad's right
  await sleep(300);
  await set('buttons', 7, 1);  // the right trigger
  await set('axes', 2, 0.9);   // the right stick up and right
  await set('axes', 3, -0.9);
  await sleep(400);
  await set('axes', 2, 0);
  await set('axes', 3, 0);
  await sleep(500);
  await set('buttons', 7, 0);
  await sleep(1500);
  await set('buttons', 8, 1);  // Back
  const run = await untilDone(page, 10);
  if (run.exitCode !== 0) fail(`the run ended with ${run.exitCode}: ${run.stderr.join('\n')}`);
  const frames = parseTrace(run.trace || '');
  const level = checkPlay(frames);
  await page.close();
  return `${frames.length} frames, ${level.length} in level 1: walked, aimed, charged, launched and ended ` +
         'with a controller plugged in on the title';
};
