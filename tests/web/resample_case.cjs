// A sound at 44.1 kHz loads in the browser to the same 11025 Hz samples as
// natively: the browser build resamples with the same library. The file, a
// second of a stereo sweep from 100 Hz to 15 kHz (most of it above what 11025
// Hz can hold, which the resampler must filter out) with noise from a fixed
// seed, is made here; wave_dump loads it in both builds and writes what it got.
// The browser's libsoxr has only its portable transform, the native one also
// an SSE transform that it prefers: the browser's samples equal the native
// load's with the portable one, and are within an 8-bit step of the other's.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

function sweepWave() {
  const rate = 44100, frames = rate, channels = 2;
  const bytes = Buffer.alloc(44 + frames * channels * 2);
  bytes.write('RIFF', 0);
  bytes.writeUInt32LE(bytes.length - 8, 4);
  bytes.write('WAVEfmt ', 8);
  bytes.writeUInt32LE(16, 16);
  bytes.writeUInt16LE(1, 20);
  bytes.writeUInt16LE(channels, 22);
  bytes.writeUInt32LE(rate, 24);
  bytes.writeUInt32LE(rate * channels * 2, 28);
  bytes.writeUInt16LE(channels * 2, 32);
  bytes.writeUInt16LE(16, 34);
  bytes.write('data', 36);
  bytes.writeUInt32LE(frames * channels * 2, 40);
  let seed = 12345, phase = 0;
  for (let i = 0; i < frames; ++i) {
    phase += 2 * Math.PI * (100 + 14900 * i / frames) / rate;
    seed = (Math.imul(seed, 1103515245) + 12345) >>> 0;
    const noise = ((seed >>> 16) / 65536 - 0.5) * 4000;
    bytes.writeInt16LE(Math.round(20000 * Math.sin(phase) + noise), 44 + i * 4);
    bytes.writeInt16LE(Math.round(12000 * Math.sin(phase / 3)), 46 + i * 4);
  }
  return bytes;
}

module.exports = async (browser, base, { repo, site, serve, fail }) => {
  const wave = sweepWave();
  const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'v17resample-')), 'sweep.wav');
  fs.writeFileSync(file, wave);
  const dump = path.join(repo, 'build/default/tests/wave_dump');
  const native = execFileSync(dump, [file], { encoding: 'utf8' });
  // Natively libsoxr picks its SSE transform; asked for its portable one (the
  // only one the browser's has), it must give the browser's samples exactly.
  const portable = execFileSync(dump, [file], { encoding: 'utf8', env: { ...process.env, SOXR_USE_SIMD: '0' } });

  const server = await serve(path.resolve(site, '..', 'web-cmake', 'tests'));
  let web;
  try {
    // A page of the server's own (an error page's origin is none, and fetches nothing).
    const script = `http://127.0.0.1:${server.address().port}/wave_dump.js`;
    const page = await browser.newPage();
    await page.goto(script);
    await page.addScriptTag({ url: script });
    web = await page.evaluate(async bytes => {
      const out = [], errors = [];
      await createWaveDump({
        arguments: ['/sweep.wav'],
        print: line => out.push(line),
        printErr: line => errors.push(line),
        preRun: [module => module.FS.writeFile('/sweep.wav', new Uint8Array(bytes))],
      });
      return { out: out.join('\n') + '\n', errors };
    }, [...wave]);
    await page.close();
  } finally {
    server.close();
  }
  if (web.errors.length) fail(`the browser's load: ${web.errors.join('\n')}`);
  const samples = text => {
    const [head, ...lines] = text.trim().split('\n');
    return { head, bytes: Buffer.from(lines.join(''), 'hex') };
  };
  const n = samples(native), p = samples(portable), w = samples(web.out);
  if (n.head !== '44100 Hz, 2 channels, 16 bits: 11025 samples') fail(`the native load says: ${n.head}`);
  if (w.head !== n.head) fail(`the browser's load says "${w.head}", the native "${n.head}"`);
  if (w.bytes.length !== n.bytes.length || p.bytes.length !== n.bytes.length)
    fail(`${w.bytes.length} samples in the browser, ${n.bytes.length} natively`);
  const i = w.bytes.findIndex((value, at) => value !== p.bytes[at]);
  if (i >= 0) fail(`sample ${i} is ${w.bytes[i]} in the browser, ${p.bytes[i]} natively with the portable transform`);
  // The two transforms round differently in the last bits of a float, which
  // moves a sample to the next 8-bit step only where it lies on a step's edge.
  const off = [...w.bytes].filter((value, at) => value !== n.bytes[at]);
  const far = [...w.bytes].findIndex((value, at) => Math.abs(value - n.bytes[at]) > 1);
  if (far >= 0) fail(`sample ${far} is ${w.bytes[far]} in the browser, ${n.bytes[far]} natively`);
  if (off.length > w.bytes.length / 1000) fail(`${off.length} samples a step off the native load's`);
  return `${w.bytes.length} samples at 11025 Hz from a 44.1 kHz file: equal to the native load with ` +
         `libsoxr's portable transform; with its SSE one, ${off.length} a step off`;
};
