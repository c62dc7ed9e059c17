// The page in headless Chromium: conversion speed on a long recording for
// the default decoder and --recover, the renderer's peak memory for a short
// and a long recording, and the share of one core the live decoder takes at
// 48 kHz, fed in real time.
// The speed rows measure what a user gets: the recording is a file on disk
// given to the page's file input (read by the browser in slices, never
// held whole); "shown" is from handing the file to the input until its
// report is on the page, "worker" the worker's own time from the message
// to the result. Best and median of RUNS, after a warm-up; the CPU time is
// the renderers' (page and workers), then that of all of Chromium's
// processes, the browser's own reading of the file included. The module
// rows time the JavaScript module's convert() on the page with the same
// recording already in memory: the decoders alone.
//   node bench/web_bench.mjs PAGE_DIR DATA_DIR RUNS LIVE_SECONDS
// BENCH_ONLY_SPEED=1 or BENCH_ONLY_LIVE=1 runs those rows alone.
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';
import { serve } from '../tests/web/serve.mjs';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');
const [pageDir, dataDir, runsText, liveText] = process.argv.slice(2);
const runs = Number(runsText || 3);
const liveSeconds = Number(liveText || 60);

const launch = () => puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--headless=new'] });

/** The browser and every process below it, by process id. */
function chromiumPids(browserPid) {
  const parent = new Map();
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      parent.set(pid, readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ')[1]);
    } catch { /* gone */ }
  }
  const below = (pid) => { for (let p = pid; p; p = parent.get(p)) if (p === String(browserPid)) return true; return false; };
  return [...parent.keys()].filter(below);
}

/** The browser's renderer processes (page and workers), by process id. */
const rendererPids = (browserPid) => chromiumPids(browserPid).filter((pid) => {
  try {
    return readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer');
  } catch { return false; }
});

/** Sum over the processes of a number read from /proc (0 for one that is gone). */
function sumOver(pids, read) {
  return pids.reduce((sum, pid) => { try { return sum + read(pid); } catch { return sum; } }, 0);
}

/** Peak resident memory (KiB) of the renderers. */
const rendererPeakKiB = (browserPid) => sumOver(rendererPids(browserPid),
  (pid) => Number(/VmHWM:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'))[1]));

/** CPU seconds a process has used (user and system, clock ticks of 1/100 s). */
const cpuSeconds = (pid) => {
  const f = readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return (Number(f[11]) + Number(f[12])) / 100;
};
const rendererCpuSeconds = (browserPid) => sumOver(rendererPids(browserPid), cpuSeconds);
/** The same for the whole browser: its reading of a file is part of the work. */
const chromiumCpuSeconds = (browserPid) => sumOver(chromiumPids(browserPid), cpuSeconds);

/** Converts one file on the page: [seconds until shown, the worker's seconds]. */
async function convertOnce(page, path, mode) {
  await page.click(`input[name=mode][value=${mode}]`);
  const n = await page.$$eval('section.file', (s) => s.length);
  const began = Date.now();
  await (await page.$('#files')).uploadFile(path);
  await page.waitForFunction((k) => document.querySelectorAll('section.file')[k]?.dataset.state === 'done',
    { timeout: 600000, polling: 10 }, n);
  const shown = (Date.now() - began) / 1000;
  return [shown, await page.$$eval('section.file', (s, k) => Number(s[k].dataset.seconds), n)];
}

const median = (v) => [...v].sort((a, b) => a - b)[Math.floor((v.length - 1) / 2)];

async function speedRows(url) {
  const browser = await launch();
  const page = await browser.newPage();
  await page.goto(url);
  const hour = join(dataDir, 'hour8.wav');
  const samples = statSync(hour).size - 44;
  await convertOnce(page, join(dataDir, 'minute8.wav'), 'convert');
  // Wall time depends on what else the machine runs; CPU time much less.
  for (const mode of ['convert', 'recover']) {
    const shown = [];
    const worker = [];
    const cpus = [];
    const alls = [];
    for (let i = 0; i < runs; i++) {
      const cpu = rendererCpuSeconds(browser.process().pid);
      const all = chromiumCpuSeconds(browser.process().pid);
      const [s, w] = await convertOnce(page, hour, mode);
      shown.push(s);
      worker.push(w);
      cpus.push(rendererCpuSeconds(browser.process().pid) - cpu);
      alls.push(chromiumCpuSeconds(browser.process().pid) - all);
    }
    const rate = (t) => (samples / t / 1e6).toFixed(0).padStart(4);
    const c = median(cpus);
    console.log(`browser 8-bit 60 min ${mode === 'convert' ? 'default  ' : '--recover'}  Msamples/s best/median: ` +
      `shown ${rate(Math.min(...shown))}/${rate(median(shown))}  worker ${rate(Math.min(...worker))}/${rate(median(worker))}` +
      `   renderers' CPU ${c.toFixed(2)} s (${rate(c)} Msamples/CPU-s), all of Chromium ${median(alls).toFixed(2)} s`);
  }
  await browser.close();
}

/**
 * The JavaScript module on the page, on the same recording held in memory:
 * the decoders in WebAssembly without the browser's reading of a file (the
 * page's file rows above include that reading, which is most of their time).
 */
async function moduleRows(url, dataUrl) {
  const browser = await launch();
  const page = await browser.newPage();
  await page.goto(url);
  const timed = await page.evaluate(async (wavUrl, n) => {
    const { convert } = await import('./vorlane.mjs');
    const bytes = new Uint8Array(await (await fetch(wavUrl)).arrayBuffer());
    const seconds = {};
    for (const mode of ['convert', 'recover']) {
      await convert(bytes, { mode });
      seconds[mode] = [];
      for (let i = 0; i < n; i++) {
        const began = performance.now();
        const r = await convert(bytes, { mode });
        seconds[mode].push((performance.now() - began) / 1000);
        if (r.exitCode !== 0 || r.images.length !== 18) throw new Error(`${mode}: ${r.stdout.slice(-200)}`);
      }
    }
    return { seconds, samples: bytes.length - 44 };
  }, dataUrl + 'hour8.wav', runs);
  for (const [mode, seconds] of Object.entries(timed.seconds)) {
    const rate = (t) => (timed.samples / t / 1e6).toFixed(0).padStart(4);
    console.log(`browser module, recording in memory, 8-bit 60 min ${mode === 'convert' ? 'default  ' : '--recover'}  ` +
      `Msamples/s best/median: ${rate(Math.min(...seconds))}/${rate(median(seconds))}`);
  }
  await browser.close();
}

async function memoryRows(url) {
  for (const name of ['minute8.wav', 'tape8.wav', 'hour8.wav']) {
    const browser = await launch();
    const page = await browser.newPage();
    await page.goto(url);
    for (const mode of ['convert', 'recover']) await convertOnce(page, join(dataDir, name), mode);
    const mib = statSync(join(dataDir, name)).size / 1048576;
    console.log(`browser memory ${name.padEnd(12)} (${mib.toFixed(0).padStart(4)} MiB file)  renderer peak ${(rendererPeakKiB(browser.process().pid) / 1024).toFixed(0)} MiB`);
    await browser.close();
  }
}

/** A worker fed a 48 kHz recording in real time, 2048 samples at a time. */
async function liveRow(url, dataUrl) {
  const browser = await launch();
  const page = await browser.newPage();
  await page.goto(url);
  const cpuBefore = rendererCpuSeconds(browser.process().pid);
  const load = await page.evaluate(async (wavUrl, seconds) => {
    const samples = new Int16Array((await (await fetch(wavUrl)).arrayBuffer()).slice(44));
    const worker = new Worker('worker.js');
    let last = null;
    worker.onmessage = (e) => { if (e.data.live === 'result') last = e.data; };
    worker.postMessage({ live: 'start', rate: 48000, opts: { mode: 'recover' } });
    const piece = 2048;
    const began = performance.now();
    for (let at = 0; at + piece <= Math.min(samples.length, seconds * 48000); at += piece) {
      const due = began + ((at + piece) / 48000) * 1000;
      await new Promise((r) => setTimeout(r, Math.max(0, due - performance.now())));
      worker.postMessage({ live: 'samples', samples: samples.slice(at, at + piece) });
    }
    worker.postMessage({ live: 'stop' });
    await new Promise((r) => { worker.onmessage = (e) => { if (e.data.live === 'result') last = e.data; if (e.data.live === 'capture') r(); }; });
    return { load: last.load, seconds: last.seconds, images: last.result.images.length };
  }, dataUrl + 'live48.wav', liveSeconds);
  const cpu = rendererCpuSeconds(browser.process().pid) - cpuBefore;
  console.log(`browser live 48 kHz --recover, ${load.seconds.toFixed(0)} s fed in real time: decoder busy ` +
    `${(100 * load.load).toFixed(1)} % of the time, renderers' CPU ${(100 * cpu / load.seconds).toFixed(1)} % of one core`);
  await browser.close();
}

const page = await serve(resolve(pageDir));
const data = await serve(resolve(dataDir));
if (!process.env.BENCH_ONLY_LIVE) await speedRows(page.url);
if (!process.env.BENCH_ONLY_LIVE) await moduleRows(page.url, data.url);
if (!process.env.BENCH_ONLY_SPEED && !process.env.BENCH_ONLY_LIVE) await memoryRows(page.url);
if (!process.env.BENCH_ONLY_SPEED) await liveRow(page.url, data.url);
await page.close();
await data.close();
