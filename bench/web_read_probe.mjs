// How fast a page's worker can read a recording given to a file input, with
// nothing decoded: each way of reading alone, the ways taking turns so that
// the machine's other load falls on all of them alike. A way is
//   slice:MIB:N   Blob.slice().arrayBuffer(), MIB-sized slices, N in flight
//   sync:MIB      FileReaderSync, MIB-sized slices, one after another
//   stream        File.stream(), the chunks the browser hands over
//   byob:MIB      File.stream() read by a BYOB reader into one MIB buffer
// and every way copies what it reads into WebAssembly memory, as the page
// does before it decodes. Prints each way's best and median in Msamples/s
// of an 8-bit recording (bytes per second).
//   node bench/web_read_probe.mjs FILE RUNS WAY...
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';

/** CPU seconds of the browser's processes by kind (browser, renderer, ...). */
function cpuByKind(root) {
  const info = new Map();
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const f = readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      const type = /--type=([a-z-]+)/.exec(readFileSync(`/proc/${pid}/cmdline`, 'utf8'));
      const sub = /--utility-sub-type=([a-zA-Z.]+)/.exec(readFileSync(`/proc/${pid}/cmdline`, 'utf8'));
      info.set(pid, { parent: f[1], cpu: (Number(f[11]) + Number(f[12])) / 100, kind: type ? type[1] + (sub ? ':' + sub[1] : '') : 'browser' });
    } catch { /* gone */ }
  }
  const kinds = {};
  for (const [pid, v] of info) {
    for (let p = pid; p; p = info.get(p)?.parent) {
      if (p === String(root)) { kinds[v.kind] = (kinds[v.kind] || 0) + v.cpu; break; }
    }
  }
  return kinds;
}
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { serve } from '../tests/web/serve.mjs';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');
const [file, runsText, ...ways] = process.argv.slice(2);
const runs = Number(runsText || 5);
if (!file || ways.length === 0) {
  console.error('usage: node bench/web_read_probe.mjs FILE RUNS WAY...');
  process.exit(2);
}

// The worker: reads the file one way, copying into a 4 MiB window of
// WebAssembly memory; answers with the seconds it took.
const worker = `
const memory = new WebAssembly.Memory({ initial: 128 });
const window = 4 << 20;
function keep(bytes) {
  const heap = new Uint8Array(memory.buffer);
  for (let at = 0; at < bytes.length; at += window) heap.set(bytes.subarray(at, Math.min(bytes.length, at + window)));
}
async function sliced(file, size, ahead) {
  const reads = [];
  let next = 0;
  const ask = () => {
    if (next >= file.size) return;
    const end = Math.min(file.size, next + size);
    reads.push(file.slice(next, end).arrayBuffer());
    next = end;
  };
  for (let i = 0; i < ahead; i++) ask();
  while (reads.length > 0) {
    const bytes = new Uint8Array(await reads.shift());
    ask();
    keep(bytes);
  }
}
function sync(file, size) {
  const reader = new FileReaderSync();
  for (let at = 0; at < file.size; at += size) keep(new Uint8Array(reader.readAsArrayBuffer(file.slice(at, at + size))));
}
async function streamed(file) {
  const reader = file.stream().getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) return;
    keep(value);
  }
}
async function byob(file, size) {
  const reader = file.stream().getReader({ mode: 'byob' });
  let buffer = new ArrayBuffer(size);
  for (;;) {
    const { done, value } = await reader.read(new Uint8Array(buffer));
    if (done) return;
    keep(value);
    buffer = value.buffer;
  }
}
onmessage = async ({ data: { file, way } }) => {
  const [kind, a, b] = way.split(':');
  const mib = Number(a) * 1048576;
  const began = performance.now();
  try {
    if (kind === 'slice') await sliced(file, mib, Number(b));
    else if (kind === 'sync') sync(file, mib);
    else if (kind === 'stream') await streamed(file);
    else if (kind === 'byob') await byob(file, mib);
    else throw new Error('unknown way ' + way);
    postMessage({ seconds: (performance.now() - began) / 1000 });
  } catch (e) {
    postMessage({ error: String(e) });
  }
};`;
const page = `<!doctype html><input type=file id=f><script>
const w = new Worker('probe_worker.js');
window.readOnce = (way) => new Promise((done) => {
  const late = setTimeout(() => done({ error: 'no answer in 60 s' }), 60000);
  w.onmessage = (e) => { clearTimeout(late); done(e.data); };
  w.postMessage({ file: document.getElementById('f').files[0], way });
});
</script>`;

const dir = mkdtempSync(join(tmpdir(), 'read-probe-'));
writeFileSync(join(dir, 'index.html'), page);
writeFileSync(join(dir, 'probe_worker.js'), worker);
const server = await serve(dir);
const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--headless=new'], protocolTimeout: 120000 });
try {
  const tab = await browser.newPage();
  await tab.goto(server.url);
  await (await tab.$('#f')).uploadFile(resolve(file));
  const bytes = statSync(file).size;
  const seconds = new Map(ways.map((w) => [w, []]));
  const cpu = new Map(ways.map((w) => [w, {}]));
  // One warm-up turn, then the ways in turn, RUNS times.
  for (let turn = -1; turn < runs; turn++) {
    for (const way of ways) {
      const before = cpuByKind(browser.process().pid);
      const r = await tab.evaluate((w) => window.readOnce(w), way);
      if (r.error) throw new Error(way + ': ' + r.error);
      if (turn < 0) continue;
      seconds.get(way).push(r.seconds);
      for (const [kind, c] of Object.entries(cpuByKind(browser.process().pid))) {
        cpu.get(way)[kind] = (cpu.get(way)[kind] || 0) + (c - (before[kind] || 0)) / runs;
      }
    }
  }
  const rate = (t) => (bytes / t / 1e6).toFixed(0).padStart(5);
  for (const [way, t] of seconds) {
    const sorted = [...t].sort((x, y) => x - y);
    const kinds = Object.entries(cpu.get(way)).filter(([, c]) => c >= 0.005).map(([k, c]) => `${k} ${c.toFixed(2)}`).join(', ');
    console.log(`read ${way.padEnd(12)} Msamples/s best/median ${rate(sorted[0])}/${rate(sorted[Math.floor((sorted.length - 1) / 2)])}  CPU s per read: ${kinds}`);
  }
} finally {
  await browser.close();
  await server.close();
  rmSync(dir, { recursive: true, force: true });
}
