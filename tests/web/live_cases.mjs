// Listen, fed by Chromium's fake capture device playing a vorlane-synth
// recording (44.1 kHz, 16-bit, looping): the samples must arrive exact, the
// images equal the native converter's, the first block's link appear before
// the recording ends, and the warnings come when the level asks for them.
import { readFileSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const hello = join(here, '../../demo/hello.htp');
const kRate = 44100;
const kHeaderBytes = 44;

/** The capture holds the recording's samples exactly, from where it joined the loop. */
function assertSampleExact(env, capture, wav) {
  const h = (at) => capture.readUInt32LE(at);
  env.assert.deepEqual([capture.toString('latin1', 0, 4), h(4), capture.toString('latin1', 8, 16), h(16), h(20), h(24), h(28), h(32), capture.toString('latin1', 36, 40), h(40)],
    ['RIFF', capture.length - 8, 'WAVEfmt ', 16, 0x10001, kRate, kRate * 2, 0x100002, 'data', capture.length - kHeaderBytes],
    'the capture is a 16-bit mono WAV file, its sizes true');
  const samples = (bytes) => new Int16Array(bytes.buffer.slice(bytes.byteOffset + kHeaderBytes, bytes.byteOffset + bytes.length));
  const file = samples(readFileSync(wav));
  const got = samples(capture);
  // The recording opens with silence, and the capture in silence too (the
  // device's own before the file plays, or the file's): the first sound
  // lines the two up.
  const firstSound = (a) => a.findIndex((v) => v !== 0);
  const shift = firstSound(file) - firstSound(got);
  env.assert.ok(firstSound(got) > 0, 'the capture starts in silence');
  let differing = 0;
  for (let i = firstSound(got); i < got.length; i++) {
    if (got[i] !== file[(i + shift) % file.length]) differing += 1;
  }
  env.assert.equal(differing, 0, 'every captured sample equals the recording\'s');
  const lastSound = (a) => a.length - 1 - [...a].reverse().findIndex((v) => v !== 0);
  env.assert.ok(got.length - firstSound(got) > lastSound(file) - firstSound(file), 'the capture holds the whole block');
}

/** The live report after Stop equals the module's conversion of the saved capture. */
async function assertSameAsCapture(env, page, capture, mode) {
  const { convert } = await import(pathToFileURL(join(env.pageDir, 'vorlane.mjs')).href);
  const offline = await convert(capture, { mode });
  const shown = await page.evaluate(() => {
    const r = document.getElementById('live-report');
    const text = (sel) => (r.querySelector(sel) ? r.querySelector(sel).textContent : '');
    return { exit: text('.exit'), stdout: text('pre.stdout'), stderr: text('pre.stderr'),
      names: [...r.querySelectorAll('.images a')].map((a) => a.download) };
  });
  env.assert.deepEqual(shown, { exit: 'exit code ' + offline.exitCode, stdout: offline.stdout,
    stderr: offline.stderr, names: offline.images.map((i) => i.name) });
}

async function listenRow(env, row) {
  const wav = env.synth(row.name + '.wav', ['-b', '16', '-s', String(kRate), ...row.synth], [hello]);
  const seconds = (readFileSync(wav).length - kHeaderBytes) / 2 / kRate;
  const browser = await env.launch(['--use-fake-ui-for-media-stream', '--use-fake-device-for-media-stream',
    `--use-file-for-fake-audio-capture=${wav}`, '--autoplay-policy=no-user-gesture-required']);
  try {
    const page = await browser.newPage();
    await page.goto(env.serverUrl);
    await page.select('#live-decoder', row.decoder);
    const began = Date.now();
    await page.click('#listen');
    await row.expect(env, page, { wav, seconds, began });
  } finally {
    await browser.close();
  }
}

/** The image arrives while the tape plays; Stop gives the capture and the same report. */
async function expectImage(env, page, { wav, seconds, began }) {
  await page.waitForSelector('#live-report .images a', { timeout: seconds * 2000 });
  const arrived = (Date.now() - began) / 1000;
  env.assert.ok(arrived < seconds, `the block's link came at ${arrived} s, the recording is ${seconds} s`);
  // The link comes with the checksum; the capture must also hold the tape's
  // last bits after it, so Stop waits a little.
  await new Promise((r) => setTimeout(r, 1000));
  await page.click('#stop');
  await page.waitForSelector('#capture:not([hidden])');
  const mode = await page.$eval('#live-decoder', (s) => s.value);
  const capture = Buffer.from(await page.evaluate(async () => {
    const bytes = new Uint8Array(await (await fetch(document.getElementById('capture').href)).arrayBuffer());
    return [...bytes];
  }));
  assertSampleExact(env, capture, wav);
  await assertSameAsCapture(env, page, capture, mode === 'convert' ? undefined : mode);
  const native = env.native([], wav).files;
  const images = await page.$$eval('#live-report .images a', (as) => as.map((a) => a.href));
  env.assert.equal(images.length, Object.keys(native).length);
  const liveBytes = await page.evaluate(async (url) => [...new Uint8Array(await (await fetch(url)).arrayBuffer())], images[0]);
  env.assert.deepEqual(Buffer.from(liveBytes), Object.values(native)[0], 'the image, byte for byte');
  env.assert.deepEqual(await page.$$eval('#warnings li', (l) => l.length), 0, 'no warning for a clean input');
}

/** A warning of one kind shows up, and no other. */
const expectWarning = (kind) => async (env, page) => {
  await page.waitForSelector(`#warnings li[data-kind=${kind}]`, { timeout: 8000 });
  const kinds = await page.$$eval('#warnings li', (l) => l.map((i) => i.dataset.kind));
  env.assert.deepEqual(kinds, [kind]);
};

const rows = [
  { name: 'recover_decoder_gives_the_image', synth: ['-B', '3', '-E', '3'], decoder: 'recover', expect: expectImage },
  { name: 'default_decoder_gives_the_image', synth: ['-B', '3', '-E', '3'], decoder: 'convert', expect: expectImage },
  { name: 'warns_when_clipping', synth: ['-a', '1'], decoder: 'recover', expect: expectWarning('clipping') },
  { name: 'warns_when_too_quiet', synth: ['-a', '0.005'], decoder: 'recover', expect: expectWarning('quiet') },
];

export const liveCases = rows.map((row) => ({ name: 'Live.' + row.name, retries: 1, run: (env) => listenRow(env, row) }));
