// The page's worker: one recording per message, read from the dropped File
// in slices (the worker file system), never copied whole into memory.
// In:  {id, file, opts}      Out: {id, type: 'progress', done, total}
//                                 {id, type: 'result', result} | {id, type: 'failed', message}
let vorlaneReady = null;
let liveQueue = Promise.resolve();

/** Slices of the dropped file read at once: each read of a File costs a
 *  round trip to the browser, so few large ones beat many small ones. */
const kSliceBytes = 16 * 1024 * 1024;

/**
 * Reads the recording through one slice kept in memory, and reports how far
 * the converter has read, at most every 1/200 of the file. Returns the undo.
 */
function readInSlices(core, id, file) {
  const ops = core.WORKERFS.stream_ops;
  const original = ops.read;
  const step = Math.max(1, Math.floor(file.size / 200));
  let next = step;
  let slice = { start: 0, bytes: new Uint8Array(0) };
  ops.read = function (stream, buffer, offset, length, position) {
    if (position >= file.size) return 0;
    if (position < slice.start || position + Math.min(length, file.size - position) > slice.start + slice.bytes.length) {
      const end = Math.min(file.size, position + Math.max(length, kSliceBytes));
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
    const unwatch = readInSlices(instance.core, id, file);
    let result;
    const began = performance.now();
    try {
      result = vorlaneRun(instance, opts, (FS, dir) => {
        FS.mkdir(dir + '/in');
        FS.mount(instance.core.WORKERFS, { blobs: [{ name: 'recording.wav', data: file }] }, dir + '/in');
        return dir + '/in/recording.wav';
      });
    } finally {
      unwatch();
    }
    result.seconds = (performance.now() - began) / 1000;
    postMessage({ id, type: 'result', result }, result.images.map((i) => i.bytes.buffer));
  } catch (e) {
    postMessage({ id, type: 'failed', message: String(e && e.message ? e.message : e) + (e && e.stack ? ' ' + e.stack : '') });
  }
};
