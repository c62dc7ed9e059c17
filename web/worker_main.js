// The page's worker: one recording per message, read from the dropped File
// in slices, never copied whole into memory. The samples go to the core's
// file entry (file_entry.cpp) slice by slice while the next slices are
// being read: the browser reads the file in its own process, so reading
// and decoding overlap (under --recover the bytes are taken in on a reading
// thread too). --analyze reads the file itself, through the worker file
// system.
// In:  {id, file, opts}      Out: {id, type: 'progress', done, total}
//                                 {id, type: 'result', result} | {id, type: 'failed', message}
let vorlaneReady = null;
let liveQueue = Promise.resolve();

/** Slices the converter reads itself (--analyze) at once: each read of a
 *  File costs a round trip to the browser, so few large ones beat many small ones. */
const kSliceBytes = 16 * 1024 * 1024;
/** Slices fed to the decoder, and how many are read while one decodes:
 *  32 MiB slices cost the browser less work than smaller ones. */
const kFeedSliceBytes = 32 * 1024 * 1024;
const kFeedReadsAhead = 2;

/**
 * Lets the converter read the recording through one slice kept in memory
 * of at least `sliceBytes`, and reports how far it has read, at most every
 * 1/200 of the file. Returns the undo.
 */
function readInSlices(core, id, file, sliceBytes) {
  const ops = core.WORKERFS.stream_ops;
  const original = ops.read;
  const step = Math.max(1, Math.floor(file.size / 200));
  let next = step;
  let slice = { start: 0, bytes: new Uint8Array(0) };
  ops.read = function (stream, buffer, offset, length, position) {
    if (position >= file.size) return 0;
    if (position < slice.start || position + Math.min(length, file.size - position) > slice.start + slice.bytes.length) {
      const end = Math.min(file.size, position + Math.max(length, sliceBytes));
      slice = { start: position, bytes: new Uint8Array(new FileReaderSync().readAsArrayBuffer(file.slice(position, end))) };
    }
    const n = Math.min(length, slice.start + slice.bytes.length - position);
    buffer.set(slice.bytes.subarray(position - slice.start, position - slice.start + n), offset);
    if (position + n >= next) {
      next = position + n + step;
      postMessage({ id, type: 'progress', done: position + n, total: file.size });
    }
    return n;
  };
  return () => { ops.read = original; };
}

/** The command line as C strings in the core's memory, and their release. */
function coreArgv(core, args) {
  const strings = args.map((a) => {
    const n = core.lengthBytesUTF8(a) + 1;
    const p = core._malloc(n);
    core.stringToUTF8(a, p, n);
    return p;
  });
  const argv = core._malloc(4 * (strings.length + 1));
  // Looked up after the allocations: a growing memory replaces the buffer.
  const heap = new DataView(core.HEAPU8.buffer);
  strings.forEach((p, i) => heap.setUint32(argv + 4 * i, p, true));
  heap.setUint32(argv + 4 * strings.length, 0, true);
  return { argv, free: () => { for (const p of [...strings, argv]) core._free(p); } };
}

/**
 * The file from `from` to its end in slices, read on this thread: while one
 * slice decodes, the next `kFeedReadsAhead` are being read. The browser hands
 * a read's bytes over in pieces whenever this thread's loop is free, so they
 * arrive in a few large batches: the least work, best when the reading is
 * slower than the decoding (the default decoder).
 */
async function* slicesHere(file, from) {
  const reads = [];
  let next = from;
  const ask = () => {
    if (next >= file.size) return;
    const end = Math.min(file.size, next + kFeedSliceBytes);
    reads.push({ end, bytes: file.slice(next, end).arrayBuffer() });
    next = end;
  };
  for (let i = 0; i < kFeedReadsAhead; i++) ask();
  while (reads.length > 0) {
    const read = reads.shift();
    const bytes = new Uint8Array(await read.bytes);
    ask();
    yield { bytes, end: read.end };
  }
}

/**
 * The reading thread's code: it keeps `ahead` slices read or being read that
 * the decoding thread has not taken, and hands each over (moved, not copied)
 * in order.
 */
function readerMain() {
  let job = null;
  const ask = () => {
    if (job.next >= job.file.size || job.owed <= 0) return;
    const end = Math.min(job.file.size, job.next + job.sliceBytes);
    job.reads.push({ end, bytes: job.file.slice(job.next, end).arrayBuffer() });
    job.next = end;
    job.owed--;
  };
  const send = async (current) => {
    while (job === current && current.reads.length > 0) {
      const read = current.reads[0];
      let bytes;
      try {
        bytes = await read.bytes;
      } catch (e) {
        // The decoding thread waits for this slice: tell it, or the run never ends.
        if (job === current) postMessage({ job: current.job, failed: String(e && e.message ? e.message : e) });
        return;
      }
      if (job !== current) return;
      current.reads.shift();
      postMessage({ job: current.job, bytes, end: read.end }, [bytes]);
    }
    current.sending = false;
  };
  onmessage = ({ data }) => {
    if (data.file) job = { ...data, next: data.from, owed: data.ahead, reads: [], sending: false };
    else job.owed++;
    ask();
    if (!job.sending) {
      job.sending = true;
      send(job);
    }
  };
}

let readerWorker = null;
let readerJobs = 0;

/** The reading thread, made once (from a blob: the page may be one file). */
function reader() {
  if (readerWorker === null) {
    const source = '(' + readerMain.toString() + ')();';
    readerWorker = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
  }
  return readerWorker;
}

/**
 * The same slices read on a thread of their own: the copying of the bytes
 * the browser hands over then leaves the decoding thread, which is worth
 * the extra hand-over when the decoding is the slower (--recover).
 */
async function* slicesThere(file, from) {
  if (from >= file.size) return;
  const thread = reader();
  const job = ++readerJobs;
  const arrived = [];
  let wake = null;
  // Slices for an earlier run that ended early may still be on their way.
  thread.onmessage = ({ data }) => {
    if (data.job !== job) return;
    arrived.push(data);
    if (wake) wake();
  };
  thread.postMessage({ job, file, from, sliceBytes: kFeedSliceBytes, ahead: kFeedReadsAhead });
  for (let end = from; end < file.size;) {
    if (arrived.length === 0) await new Promise((r) => { wake = r; });
    wake = null;
    const slice = arrived.shift();
    if (slice.failed !== undefined) throw new Error(slice.failed);
    thread.postMessage({ took: true });
    end = slice.end;
    yield { bytes: new Uint8Array(slice.bytes), end };
  }
}

/**
 * Copies a slice that ends at file offset `end` into the core's piece buffer
 * and decodes it, in parts that fit, telling `done(offset)` after each.
 */
function feedSlice(core, session, bytes, end, done) {
  const room = core._vorlane_file_piece_bytes();
  const piece = core._vorlane_file_piece(session);
  for (let at = 0; at < bytes.length; at += room) {
    const part = bytes.subarray(at, Math.min(bytes.length, at + room));
    core.HEAPU8.set(part, piece);
    core._vorlane_file_feed(session, part.length);
    done(end - bytes.length + at + part.length);
  }
}

/** The command line on `file`, its samples fed to the core; resolves to the exit code. */
async function fedMain(core, id, file, args) {
  const { argv, free } = coreArgv(core, ['vorlane', ...args]);
  let session;
  try {
    session = core._vorlane_file_open(args.length + 1, argv);
  } finally {
    free();
  }
  if (core._vorlane_file_waiting(session)) {
    const slices = args.includes('--recover') ? slicesThere : slicesHere;
    for await (const { bytes, end } of slices(file, core._vorlane_file_offset(session))) {
      feedSlice(core, session, bytes, end, (done) => postMessage({ id, type: 'progress', done, total: file.size }));
    }
  }
  return core._vorlane_file_close(session);
}

onmessage = async (event) => {
  if (event.data.live) {
    // In order: samples may arrive while the instance is still starting.
    liveQueue = liveQueue.then(() => liveMessage(event.data)).catch((e) =>
      postMessage({ live: 'failed', message: String(e && e.message ? e.message : e) }));
    return;
  }
  const { id, file, opts } = event.data;
  try {
    if (vorlaneReady === null) vorlaneReady = vorlaneInstance(createVorlaneCore);
    const instance = await vorlaneReady;
    const core = instance.core;
    // The fed run reads only the header through the file system.
    const unwatch = readInSlices(core, id, file, opts.mode === 'analyze' ? kSliceBytes : 0);
    let result;
    const began = performance.now();
    try {
      result = await vorlaneRun(instance, opts, (FS, dir) => {
        FS.mkdir(dir + '/in');
        FS.mount(core.WORKERFS, { blobs: [{ name: 'recording.wav', data: file }] }, dir + '/in');
        return dir + '/in/recording.wav';
      }, (args) => fedMain(core, id, file, args));
    } finally {
      unwatch();
    }
    result.seconds = (performance.now() - began) / 1000;
    postMessage({ id, type: 'result', result }, result.images.map((i) => i.bytes.buffer));
  } catch (e) {
    postMessage({ id, type: 'failed', message: String(e && e.message ? e.message : e) + (e && e.stack ? ' ' + e.stack : '') });
  }
};
