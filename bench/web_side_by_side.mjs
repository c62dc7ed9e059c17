// Two or more builds of the page side by side: each in a tab of one
// headless Chromium, converting the same recording given to its file input
// in turn, so the machine's other load falls on all of them alike. Prints
// each page's best and median ("shown": until the report is on the page;
// "worker": the worker's own time) in Msamples/s of an 8-bit recording,
// the median CPU of all of Chromium a run, and the CPU a run by thread
// (each worker thread on its own), which tells what waits for what.
// The pages must agree on the report and the number of links.
//   node bench/web_side_by_side.mjs FILE MODE RUNS PAGE_DIR...
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { createRequire } from 'node:module';
import { resolve } from 'node:path';
import { serve } from '../tests/web/serve.mjs';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');
const [file, mode, runsText, ...dirs] = process.argv.slice(2);
const runs = Number(runsText);
if (!file || !mode || !(runs > 0) || dirs.length === 0) {
  console.error('usage: node bench/web_side_by_side.mjs FILE MODE RUNS PAGE_DIR...');
  process.exit(2);
}

/** CPU seconds so far of every thread of Chromium's processes, by "kind/thread name/id". */
function threadSeconds() {
  const out = {};
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const cmd = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!cmd.includes('chromium')) continue;
      const kind = (/--type=([a-z-]+)/.exec(cmd) || [0, 'browser'])[1];
      for (const tid of readdirSync(`/proc/${pid}/task`)) {
        const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
        const name = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')'));
        const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        out[`${kind}/${name}/${tid}`] = (Number(f[11]) + Number(f[12])) / 100;
      }
    } catch { /* gone */ }
  }
  return out;
}

/** What a run cost by thread; threads of one name summed, but each worker apart. */
function threadCost(before, after) {
  const cost = {};
  for (const [key, seconds] of Object.entries(after)) {
    const name = key.includes('/DedicatedWorker') ? key : key.replace(/\/\d+$/, '');
    const used = seconds - (before[key] || 0);
    if (used > 0) cost[name] = (cost[name] || 0) + used;
  }
  return cost;
}

const median = (v) => [...v].sort((a, b) => a - b)[Math.floor((v.length - 1) / 2)];

/** Converts the file once on the tab's page: times, CPU by thread and what was shown. */
async function convertOnce(tab) {
  await tab.page.bringToFront();
  const n = await tab.page.$$eval('section.file', (s) => s.length);
  const before = threadSeconds();
  const began = Date.now();
  await (await tab.page.$('#files')).uploadFile(resolve(file));
  await tab.page.waitForFunction((k) => document.querySelectorAll('section.file')[k]?.dataset.state === 'done',
    { timeout: 600000, polling: 10 }, n);
  const shown = (Date.now() - began) / 1000;
  const cost = threadCost(before, threadSeconds());
  return tab.page.$$eval('section.file', (s, k) => ({
    worker: Number(s[k].dataset.seconds),
    report: (s[k].querySelector('.stdout')?.textContent ?? '') + s[k].querySelectorAll('a').length,
  }), n).then((r) => ({ ...r, shown, cost }));
}

const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--headless=new'], protocolTimeout: 600000 });
const tabs = [];
try {
  for (const dir of dirs) {
    const server = await serve(resolve(dir));
    const page = await browser.newPage();
    await page.goto(server.url);
    await page.click(`input[name=mode][value=${mode}]`);
    tabs.push({ dir, server, page, shown: [], worker: [], costs: [] });
  }
  let report = null;
  // One warm-up turn, then the pages in turn, RUNS times.
  for (let turn = -1; turn < runs; turn++) {
    for (const tab of tabs) {
      const r = await convertOnce(tab);
      if (report === null) report = r.report;
      if (r.report !== report) throw new Error(`${tab.dir} shows another report than ${tabs[0].dir}`);
      if (turn < 0) continue;
      tab.shown.push(r.shown);
      tab.worker.push(r.worker);
      tab.costs.push(r.cost);
    }
  }
  const samples = statSync(file).size - 44;
  const rate = (t) => (samples / t / 1e6).toFixed(0).padStart(4);
  for (const tab of tabs) {
    const all = tab.costs.map((c) => Object.values(c).reduce((a, b) => a + b, 0));
    console.log(`${tab.dir} ${mode}: Msamples/s best/median shown ${rate(Math.min(...tab.shown))}/${rate(median(tab.shown))}` +
      `  worker ${rate(Math.min(...tab.worker))}/${rate(median(tab.worker))}  all of Chromium ${median(all).toFixed(2)} CPU-s`);
    const mean = {};
    for (const c of tab.costs) for (const [k, v] of Object.entries(c)) mean[k] = (mean[k] || 0) + v / runs;
    const busy = Object.entries(mean).filter(([, v]) => v >= 0.01).sort((a, b) => b[1] - a[1]);
    console.log('  CPU-s by thread: ' + busy.map(([k, v]) => `${k} ${v.toFixed(2)}`).join(', '));
  }
} finally {
  await browser.close();
  for (const tab of tabs) await tab.server.close();
}
