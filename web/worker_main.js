// The page's worker: one recording per message, read from the dropped File
// in slices (the worker file system), never copied whole into memory.
// In:  {id, file, opts}      Out: {id, type: 'progress', done, total}
//                                 {id, type: 'result', result} | {id, type: 'failed', message}
let vorlaneReady = null;
let liveQueue = Promise.resolve();

/** Reports how far the converter has read, at most every 1/200 of the file. */
function watchReads(core, id, total) {
  const ops = core.WORKERFS.stream_ops;
  const read = ops.read;
  const step = Math.max(1, Math.floor(total / 200));
  let next = step;
  ops.read = function (stream, buffer, offset, length, position) {
    const n = read.call(this, stream, buffer, offset, length, position);
    if (position + n >= next) {
      next = position + n + step;
      postMessage({ id, type: 'progress', done: position + n, total });
    }
    return n;
  };
  return () => { ops.read = read; };
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
    const unwatch = watchReads(instance.core, id, file.size);
    let result;
    try {
      result = vorlaneRun(instance, opts, (FS, dir) => {
        FS.mkdir(dir + '/in');
        FS.mount(instance.core.WORKERFS, { blobs: [{ name: 'recording.wav', data: file }] }, dir + '/in');
        return dir + '/in/recording.wav';
      });
    } finally {
      unwatch();
    }
    postMessage({ id, type: 'result', result }, result.images.map((i) => i.bytes.buffer));
  } catch (e) {
    postMessage({ id, type: 'failed', message: String(e && e.message ? e.message : e) + (e && e.stack ? ' ' + e.stack : '') });
  }
};
