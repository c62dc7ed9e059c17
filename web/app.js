// The page: recordings dropped or chosen are converted one after another in
// a worker; each gets its console report, its images as download links, a
// .zip of them and, when analysing, the picture. Everything a file or a
// tape holds is shown as text: nothing here parses markup from data.
'use strict';

/** Makes an element; props are set as properties (text as textContent). */
function el(tag, props = {}, children = []) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(props)) {
    if (key === 'text') node.textContent = value;
    else node[key] = value;
  }
  for (const child of children) node.append(child);
  return node;
}

/** The options chosen on the page, as the module and the worker take them. */
function readOptions() {
  const mode = document.querySelector('input[name=mode]:checked').value;
  const channel = document.getElementById('channel').value.trim();
  return { mode, join: document.getElementById('join').checked, channel: channel || undefined };
}

/** Shows what the converter printed, wrote and drew, in `body` (replaced). */
function renderResult(body, baseName, result) {
  for (const url of body.blobUrls || []) URL.revokeObjectURL(url);
  body.blobUrls = [];
  const blobUrl = (bytes, type) => {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    body.blobUrls.push(url);
    return url;
  };
  body.replaceChildren();
  const failed = result.exitCode !== 0;
  body.append(el('p', { className: failed ? 'exit failed' : 'exit', text: 'exit code ' + result.exitCode }));
  if (result.stdout) body.append(el('pre', { className: 'stdout', text: result.stdout }));
  if (result.stderr) body.append(el('pre', { className: 'stderr', text: result.stderr }));
  if (result.seconds !== undefined) {
    body.append(el('p', { className: 'timing', text: `read in ${result.seconds.toFixed(2)} s` }));
  }
  if (result.svg !== null) {
    // As an image, so nothing in the drawing can run or reach the page.
    body.append(el('img', { className: 'plot', src: blobUrl(result.svg, 'image/svg+xml'), alt: 'analysis of the recording' }));
  }
  if (result.images.length === 0) return;
  const link = (name, bytes, type) => el('a', { href: blobUrl(bytes, type), download: name, text: name });
  const list = el('ul', { className: 'images' });
  const entries = {};
  for (const image of result.images) {
    list.append(el('li', {}, [link(image.name, image.bytes, 'application/octet-stream')]));
    entries[image.name] = image.bytes;
  }
  const zipName = baseName + '-images.zip';
  const zip = link(zipName, fflate.zipSync(entries), 'application/zip');
  zip.className = 'zip';
  zip.textContent = 'all images (' + zipName + ')';
  body.append(list, el('p', {}, [zip]));
}

const queue = [];
let running = null;
let worker = null;
let nextId = 1;

/** The worker's code: beside the page, or inside it when the page is one file. */
function workerSource() {
  const inline = document.getElementById('worker-source');
  if (!inline) return 'worker.js';
  const bytes = Uint8Array.from(atob(inline.textContent.trim()), (c) => c.charCodeAt(0));
  return URL.createObjectURL(new Blob([bytes], { type: 'text/javascript' }));
}

function startWorker() {
  worker = new Worker(workerSource());
  worker.onmessage = (event) => onWorkerMessage(event.data);
  worker.onerror = (event) => finish(running, 'failed', 'The converter stopped: ' + event.message);
}

function onWorkerMessage(message) {
  const job = running;
  if (!job || message.id !== job.id) return;
  if (message.type === 'progress') {
    job.progress.max = message.total;
    job.progress.value = message.done;
  } else if (message.type === 'result') {
    job.section.dataset.seconds = message.result.seconds;
    renderResult(job.body, job.file.name.replace(/\.[^.]*$/, '') || 'recording', message.result);
    finish(job, 'done');
  } else {
    finish(job, 'failed', 'The converter stopped: ' + message.message);
  }
}

/** Ends a job (done, failed or cancelled) and starts the next one. */
function finish(job, state, text) {
  if (!job) return;
  job.section.dataset.state = state;
  job.progress.remove();
  job.cancel.remove();
  if (text) job.body.append(el('p', { className: 'exit failed', text }));
  if (running === job) running = null;
  runNext();
}

function runNext() {
  if (running || queue.length === 0) return;
  running = queue.shift();
  running.section.dataset.state = 'running';
  if (!worker) startWorker();
  worker.postMessage({ id: running.id, file: running.file, opts: running.opts });
}

/** Cancelling a running job ends its worker; a fresh one takes the rest. */
function cancel(job) {
  const waiting = queue.indexOf(job);
  if (waiting >= 0) queue.splice(waiting, 1);
  if (running === job) {
    worker.terminate();
    worker = null;
  }
  finish(job, 'cancelled', 'Cancelled.');
}

function addFiles(files) {
  const opts = readOptions();
  const results = document.getElementById('results');
  for (const file of files) {
    const job = { id: nextId++, file, opts };
    job.progress = el('progress', { max: Math.max(1, file.size), value: 0 });
    job.cancel = el('button', { type: 'button', text: 'Cancel', onclick: () => cancel(job) });
    job.body = el('div', { className: 'body' });
    job.section = el('section', { className: 'file' }, [
      el('h2', { text: file.name }), job.progress, job.cancel, job.body]);
    job.section.dataset.state = 'queued';
    results.append(job.section);
    queue.push(job);
  }
  runNext();
}

function setUpDropping() {
  const drop = document.getElementById('drop');
  const input = document.getElementById('files');
  input.addEventListener('change', () => {
    addFiles([...input.files]);
    input.value = '';
  });
  document.addEventListener('dragover', (e) => {
    e.preventDefault();
    drop.classList.add('over');
  });
  document.addEventListener('dragleave', () => drop.classList.remove('over'));
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    drop.classList.remove('over');
    addFiles([...e.dataTransfer.files]);
  });
}

setUpDropping();
setUpListening({ el, renderResult, workerSource });
