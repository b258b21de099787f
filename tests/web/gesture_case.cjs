// The browser's rule for sound, as a player meets it: in a browser left with
// its own autoplay policy, the title plays no sound until the first key press,
// click or touch, and its music after it. The page is read through the
// DevTools protocol's plain evaluation, since puppeteer's own evaluations
// count as a user's gesture.
'use strict';
const puppeteer = require('puppeteer-core');

module.exports = async (_browser, base, { chromium, fail, sleep }) => {
  const browser = await puppeteer.launch({ executablePath: chromium, headless: true,
                                           args: ['--no-sandbox', '--mute-audio'] });
  const said = [];
  try {
    for (const gesture of ['key press', 'click', 'touch']) {
      const page = await browser.newPage();
      await page.setViewport({ width: 1280, height: 1100, hasTouch: gesture === 'touch' });
      const cdp = await page.target().createCDPSession();
      const read = async expression =>
        (await cdp.send('Runtime.evaluate', { expression, returnByValue: true })).result.value;
      const until = async (expression, seconds, what) => {
        for (const end = Date.now() + seconds * 1000; !(await read(expression));) {
          if (Date.now() > end) fail(what);
          await sleep(50);
        }
      };
      await page.goto(`${base}/index.html`);
      await until('window.v17 && window.v17.frames > 0', 60, 'the title never showed');
      await sleep(1500);
      const before = await read('window.v17.audioFrames');
      if (before !== 0) fail(`before any ${gesture}, ${before} audio frames were played`);
      const [x, y] = await read('(r => [r.x + r.width / 2, r.y + r.height / 2])' +
                                '(document.getElementById("canvas").getBoundingClientRect())');
      if (gesture === 'key press') await page.keyboard.press('KeyZ');
      else if (gesture === 'click') await page.mouse.click(x, y);
      else await page.touchscreen.tap(x, y);
      await until('window.v17.audioFrames > 0', 5, `no sound came after a ${gesture}`);
      await sleep(1000);
      const peak = await read('window.v17.audioPeak');
      if (peak < 0.02) fail(`after a ${gesture} the title's music peaked at ${peak}`);
      said.push(`${gesture}: silent, then music (peak ${peak.toFixed(2)})`);
      await page.close();
    }
  } finally {
    await browser.close();
  }
  return said.join('; ');
};
