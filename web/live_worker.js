// Live decoding in the worker: the page sends the sound input's samples in
// pieces as they arrive; each piece goes into the core's live session (the
// decoder's feed, see live_entry.cpp), so a block's lines and image come the
// moment its checksum arrives, and is appended to the capture, a 16-bit mono
// WAV file in memory that Stop hands back.
// In:  {live: 'start', rate, opts} {live: 'samples', samples: Int16Array} {live: 'stop'}
// Out: {live: 'result', result, final, load, seconds} ... {live: 'capture', bytes}
const kLiveFolder = '/live';
const kLiveCapture = '/live-capture.wav';
const kWavHeaderBytes = 44;

const live = { instance: null, session: 0, stream: null, frames: 0, rate: 0, busyMs: 0, startedAt: 0,
  stdout: [], stderr: [] };

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

/** Joins byte arrays into one. */
function liveJoin(parts) {
  const out = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
  let at = 0;
  for (const p of parts) { out.set(p, at); at += p.length; }
  return out;
}

async function liveStart(message) {
  if (vorlaneReady === null) vorlaneReady = vorlaneInstance(createVorlaneCore);
  live.instance = await vorlaneReady;
  const { core, console } = live.instance;
  const FS = core.FS;
  if (!FS.analyzePath(kLiveFolder).exists) FS.mkdir(kLiveFolder);
  FS.chdir(kLiveFolder);
  live.session = core._vorlane_live_begin(message.rate, message.opts.mode === 'recover' ? 1 : 0);
  // The header report comes again, with the true length, in front of each report.
  console.out.take();
  console.err.take();
  if (live.session === 0) throw new Error(`a capture at ${message.rate} Hz cannot be decoded`);
  live.stream = FS.open(kLiveCapture, 'w+');
  Object.assign(live, { frames: 0, rate: message.rate, busyMs: 0, startedAt: performance.now(), stdout: [], stderr: [] });
}

/** Puts the piece into the core's buffer and decodes it, in slices it can take. */
function liveFeed(bytes) {
  const core = live.instance.core;
  const room = core._vorlane_live_piece_bytes();
  for (let at = 0; at < bytes.length; at += room) {
    const part = bytes.subarray(at, Math.min(bytes.length, at + room));
    // HEAPU8 is looked up each time: a growing memory replaces it.
    core.HEAPU8.set(part, core._vorlane_live_piece(live.session));
    core._vorlane_live_feed(live.session, part.length);
  }
}

function liveSamples(message) {
  if (live.stream === null) return;
  const bytes = new Uint8Array(message.samples.buffer, message.samples.byteOffset, message.samples.byteLength);
  live.instance.core.FS.write(live.stream, bytes, 0, bytes.length, kWavHeaderBytes + live.frames * 2);
  live.frames += message.samples.length;
  const began = performance.now();
  liveFeed(bytes);
  live.busyMs += performance.now() - began;
  liveReport(null);
}

/** Shows the report when the decoder has said something, and always at the end. */
function liveReport(exitCode) {
  const { core, console } = live.instance;
  const out = console.out.take();
  const err = console.err.take();
  if (out.length > 0) live.stdout.push(out);
  if (err.length > 0) live.stderr.push(err);
  if (exitCode === null && out.length === 0 && err.length === 0) return;
  core._vorlane_live_header_report(live.rate, live.frames * 2);
  const header = console.out.take();
  console.err.take();
  const stdoutBytes = liveJoin([header, ...live.stdout]);
  const stderrBytes = liveJoin(live.stderr);
  const result = { exitCode: exitCode === null ? 0 : exitCode, stdout: vorlaneUtf8.decode(stdoutBytes),
    stderr: vorlaneUtf8.decode(stderrBytes), stdoutBytes, stderrBytes, images: [], svg: null };
  const FS = core.FS;
  for (const name of FS.readdir(kLiveFolder)) {
    const path = kLiveFolder + '/' + name;
    if (FS.isFile(FS.stat(path).mode)) result.images.push({ name, bytes: FS.readFile(path) });
  }
  const now = performance.now();
  postMessage({ live: 'result', result, final: exitCode !== null, load: live.busyMs / Math.max(1, now - live.startedAt),
    seconds: live.frames / live.rate }, result.images.map((i) => i.bytes.buffer));
}

function liveStop() {
  if (live.stream === null) return;
  const FS = live.instance.core.FS;
  const exitCode = live.instance.core._vorlane_live_end(live.session);
  live.session = 0;
  liveReport(exitCode);
  FS.write(live.stream, liveWavHeader(live.rate, live.frames * 2), 0, kWavHeaderBytes, 0);
  FS.close(live.stream);
  live.stream = null;
  const bytes = FS.readFile(kLiveCapture);
  FS.unlink(kLiveCapture);
  FS.chdir('/');
  vorlaneRemoveTree(FS, kLiveFolder);
  postMessage({ live: 'capture', bytes }, [bytes.buffer]);
}

/** One live message, after the ones before it. */
async function liveMessage(message) {
  if (message.live === 'start') await liveStart(message);
  else if (message.live === 'samples') liveSamples(message);
  else if (message.live === 'stop') liveStop();
}
