// Live decoding in the worker: the page sends the sound input's samples in
// pieces as they arrive; they are appended to a 16-bit mono WAV file in
// memory, and the converter reads what has arrived so far again and again
// (at most a quarter of the time busy), so each block's lines and image
// appear soon after its checksum. Stop decodes once more and hands back the
// capture as a WAV file.
// In:  {live: 'start', rate, opts} {live: 'samples', samples: Int16Array} {live: 'stop'}
// Out: {live: 'result', result, load, seconds} ... {live: 'capture', bytes}
const kLiveFolder = '/live';
const kLivePath = kLiveFolder + '/capture.wav';
const kWavHeaderBytes = 44;
const kMinRerunMs = 250;

const live = { instance: null, stream: null, frames: 0, rate: 0, opts: null, lastRun: 0,
  rerunMs: kMinRerunMs, busyMs: 0, startedAt: 0, lastShown: '' };

/** A PCM header: 16-bit mono at `rate`, `dataBytes` of samples. */
function liveWavHeader(rate, dataBytes) {
  const h = new DataView(new ArrayBuffer(kWavHeaderBytes));
  const tag = (at, text) => { for (let i = 0; i < 4; i++) h.setUint8(at + i, text.charCodeAt(i)); };
  tag(0, 'RIFF'); h.setUint32(4, 36 + dataBytes, true); tag(8, 'WAVE');
  tag(12, 'fmt '); h.setUint32(16, 16, true); h.setUint16(20, 1, true); h.setUint16(22, 1, true);
  h.setUint32(24, rate, true); h.setUint32(28, rate * 2, true); h.setUint16(32, 2, true);
  h.setUint16(34, 16, true); tag(36, 'data'); h.setUint32(40, dataBytes, true);
  return new Uint8Array(h.buffer);
}

async function liveStart(message) {
  if (vorlaneReady === null) vorlaneReady = vorlaneInstance(createVorlaneCore);
  live.instance = await vorlaneReady;
  const FS = live.instance.core.FS;
  if (!FS.analyzePath(kLiveFolder).exists) FS.mkdir(kLiveFolder);
  live.stream = FS.open(kLivePath, 'w+');
  Object.assign(live, { frames: 0, rate: message.rate, opts: message.opts, lastRun: performance.now(),
    rerunMs: kMinRerunMs, busyMs: 0, startedAt: performance.now(), lastShown: '' });
}

function liveSamples(message) {
  if (live.stream === null) return;
  const bytes = new Uint8Array(message.samples.buffer, message.samples.byteOffset, message.samples.byteLength);
  live.instance.core.FS.write(live.stream, bytes, 0, bytes.length, kWavHeaderBytes + live.frames * 2);
  live.frames += message.samples.length;
  if (performance.now() - live.lastRun >= live.rerunMs) liveDecode(false);
}

/** Reads the capture so far; tells the page when the report has changed. */
function liveDecode(final) {
  const FS = live.instance.core.FS;
  FS.write(live.stream, liveWavHeader(live.rate, live.frames * 2), 0, kWavHeaderBytes, 0);
  const began = performance.now();
  const result = vorlaneRun(live.instance, live.opts, () => kLivePath);
  const now = performance.now();
  live.busyMs += now - began;
  live.lastRun = now;
  // Reading grows with the capture: wait three times as long as it took.
  live.rerunMs = Math.max(kMinRerunMs, 3 * (now - began));
  const shown = result.stderr + '\u0000' + result.images.map((i) => i.name).join('/');
  if (!final && shown === live.lastShown) return;
  live.lastShown = shown;
  postMessage({ live: 'result', result, final, load: live.busyMs / (now - live.startedAt),
    seconds: live.frames / live.rate }, result.images.map((i) => i.bytes.buffer));
}

function liveStop() {
  if (live.stream === null) return;
  liveDecode(true);
  const FS = live.instance.core.FS;
  FS.close(live.stream);
  live.stream = null;
  const bytes = FS.readFile(kLivePath);
  FS.unlink(kLivePath);
  postMessage({ live: 'capture', bytes }, [bytes.buffer]);
}

/** One live message, after the ones before it. */
async function liveMessage(message) {
  if (message.live === 'start') await liveStart(message);
  else if (message.live === 'samples') liveSamples(message);
  else if (message.live === 'stop') liveStop();
}
