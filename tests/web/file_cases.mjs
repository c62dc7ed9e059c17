// Recordings given to the page (and to the JavaScript module) against the
// native converter: one row per format, mode and hostile input.
import { readFileSync, truncateSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { assertSameAsNative, convertOnPage, readResults } from './page_driver.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const hello = join(here, '../../demo/hello.htp');
const plot = 'analysis.svg';

/** An HTP image: leader, sync, name (text or bytes), address, length, data, checksum, end. */
export function makeHtp(name, data, address = 0x4000) {
  const nameBytes = Buffer.isBuffer(name) ? name : Buffer.from(name, 'latin1');
  const head = Buffer.alloc(256 + 1 + nameBytes.length + 1 + 4);
  head[256] = 0xa5;
  nameBytes.copy(head, 257);
  let p = 257 + nameBytes.length + 1;
  head.writeUInt16LE(address, p);
  head.writeUInt16LE(data.length, p + 2);
  const sum = data.reduce((s, b) => (s + b) & 0xff, 0);
  return Buffer.concat([head, data, Buffer.from([sum, 0])]);
}

/** A chain: a named block with the marker 0xD8, a shorter gap, an unnamed last block. */
export function makeChain(name, first, second) {
  const block = (htp) => htp.subarray(256);
  const head = block(makeHtp(name, first));
  head[head.length - 1] = 0xd8;
  return Buffer.concat([Buffer.alloc(256), head, Buffer.alloc(128), block(makeHtp('', second))]);
}

const markupName = '<img src=x onerror=window.vorlaneInjected=1>';

/** Images for a row: the demo program and one more, so a .zip holds two. */
function tapeImages(env) {
  const second = env.write('second.htp', makeHtp('SECOND', Buffer.from('vorlane second block')));
  return [hello, second];
}

/** The command line's arguments for the page's options. */
function nativeArgs(opts) {
  const args = [];
  if (opts.mode === 'recover') args.push('--recover');
  if (opts.mode === 'analyze') args.push('--analyze', '--plot', plot);
  if (opts.join) args.push('--join');
  if (opts.channel) args.push('--channel', String(opts.channel));
  return args;
}

/** A recording as the row describes it: synthesized, or bytes as they are. */
function recording(env, row) {
  if (row.bytes) return env.write(row.name + '.wav', row.bytes);
  const images = row.images ? row.images(env) : tapeImages(env);
  return env.synth(row.name + '.wav', row.synth, images);
}

/** Converts on a page opened at `url` and compares with the native run. */
async function pageRow(env, row, url) {
  const wav = recording(env, row);
  const page = await env.browser.newPage();
  try {
    await page.goto(url);
    const [shown] = await convertOnPage(page, [wav], row.opts);
    assertSameAsNative(env, shown, env.native(nativeArgs(row.opts), wav), row.opts.mode === 'analyze' ? plot : null);
    if (row.check) await row.check(env, page, shown);
  } finally {
    await page.close();
  }
}

const rows = [
  { name: 'convert_8bit_mono', synth: [], opts: {} },
  { name: 'convert_16bit_stereo', synth: ['-b', '16', '-c', '2'], opts: {} },
  { name: 'convert_float', synth: ['-F'], opts: {} },
  { name: 'convert_channel_2', synth: ['-b', '16', '-c', '2', '-C', '2'], opts: { channel: 2 } },
  { name: 'convert_missing_channel', synth: [], opts: { channel: 3 } },
  { name: 'join_a_chain', synth: [], opts: { join: true },
    images: (env) => [env.write('chain.htp', makeChain('PROG', Buffer.from('first part'), Buffer.from('second part')))],
    check: (env, page, shown) => {
      const chain = readFileSync(join(env.work, 'chain.htp'));
      env.assert.deepEqual(shown.images.map((i) => Buffer.from(i.bytes, 'base64')), [chain], 'one image: the chain');
    } },
  // Longer than the worker's 32 MiB slices (200 s of 16-bit stereo): the
  // second image lies beyond the first slice. --recover reads on a thread of its own.
  { name: 'convert_across_slices', synth: ['-b', '16', '-c', '2', '-P', '200'], opts: {} },
  { name: 'recover_across_slices', synth: ['-b', '16', '-c', '2', '-P', '200', '-n', '20'], opts: { mode: 'recover' } },
  { name: 'recover_damaged', synth: ['-n', '14', '-j', '120', '-W', '1', '-R', '7'], opts: { mode: 'recover' } },
  { name: 'analyze_picture', synth: ['-b', '16', '-n', '30'], opts: { mode: 'analyze' },
    check: (env, page, shown) => env.assert.ok(shown.svg.startsWith('<svg') || shown.svg.startsWith('<?xml')) },
  { name: 'not_a_wav_file', bytes: Buffer.from('This is text, not a recording.\n'), opts: {} },
  { name: 'tape_name_beyond_ascii', synth: ['-b', '16'], opts: {},
    images: (env) => [env.write('accents.htp', makeHtp(Buffer.from('\u00c1RV\u00cdZT\u0170R\u0150 \xe9', 'utf8'), Buffer.from('x')))] },
  { name: 'markup_in_tape_name', synth: [], opts: {},
    images: (env) => [env.write('markup.htp', makeHtp(markupName, Buffer.from([1, 2, 3])))],
    check: async (env, page, shown) => {
      env.assert.ok(shown.images[0].name.endsWith(markupName + '.htp'));
      env.assert.ok(shown.stderr.includes(markupName));
      const injected = await page.evaluate(() => [typeof window.vorlaneInjected, document.querySelectorAll('img:not(.plot)').length]);
      env.assert.deepEqual(injected, ['undefined', 0], 'the name stays text');
    } },
];

/** Several recordings given at once: each gets its own report, in order. */
async function severalAtOnce(env) {
  const wavs = ['-b 8', '-b 16 -c 2', '-F'].map((a, i) => env.synth(`several${i}.wav`, a.split(' '), tapeImages(env)));
  const page = await env.browser.newPage();
  try {
    await page.goto(env.serverUrl);
    const shown = await convertOnPage(page, wavs, {});
    env.assert.equal(shown.length, wavs.length);
    shown.forEach((s, i) => assertSameAsNative(env, s, env.native([], wavs[i]), null));
  } finally {
    await page.close();
  }
}

/** Cancel ends the running file at once; a fresh worker converts the next. */
async function cancelRunning(env) {
  const long = env.synth('long.wav', ['-E', '900'], [hello]);
  const short = env.synth('short.wav', [], tapeImages(env));
  const page = await env.browser.newPage();
  try {
    await page.goto(env.serverUrl);
    await page.click('input[name=mode][value=analyze]');
    await (await page.$('#files')).uploadFile(long, short);
    await page.waitForFunction(() => document.querySelector('section.file').dataset.state === 'running');
    const ended = new Promise((resolve, reject) => {
      page.once('workerdestroyed', resolve);
      setTimeout(() => reject(new Error('Cancel left the worker running')), 10000);
    });
    await page.click('section.file button');
    await ended;
    await page.waitForFunction(() => document.querySelectorAll('section.file')[1].dataset.state === 'done');
    const [cancelled, next] = await readResults(page);
    env.assert.deepEqual([cancelled.state, cancelled.exit, cancelled.images.length], ['cancelled', 'Cancelled.', 0]);
    assertSameAsNative(env, next, env.native(nativeArgs({ mode: 'analyze' }), short), plot);
  } finally {
    await page.close();
  }
}

/** A recording changed on disk while it is read fails the run and says so, in both reading paths. */
async function changedWhileRead(env) {
  const page = await env.browser.newPage();
  const last = "[...document.querySelectorAll('section.file')].pop()";
  try {
    await page.goto(env.serverUrl);
    for (const mode of ['convert', 'recover']) {
      const wav = env.synth(`changing-${mode}.wav`, ['-E', '3600'], [hello]);
      await page.click(`input[name=mode][value=${mode}]`);
      await (await page.$('#files')).uploadFile(wav);
      // Changed once the first slices are decoding, with later ones still to read.
      await page.waitForFunction(`${last}.querySelector('progress')?.value > 0`);
      truncateSync(wav, 1000);
      await page.waitForFunction(`${last}.dataset.state !== 'running'`, { timeout: 20000 });
      const shown = (await readResults(page)).pop();
      env.assert.deepEqual([shown.state, shown.images.length], ['failed', 0], mode);
      env.assert.match(shown.exit, /^The converter stopped: .*could not be read/, mode);
    }
  } finally {
    await page.close();
  }
}

/** The module under node: same results as the native converter in every mode. */
async function moduleInNode(env) {
  const { convert } = await import(pathToFileURL(join(env.pageDir, 'vorlane.mjs')).href);
  const wav = env.synth('module.wav', ['-b', '16', '-n', '20'], tapeImages(env));
  for (const opts of [{}, { mode: 'recover' }, { mode: 'analyze' }, { join: true }, { args: ['-f', '-m'] }]) {
    const r = await convert(readFileSync(wav), opts);
    const native = env.native([...nativeArgs(opts), ...(opts.args || [])], wav);
    const files = Object.fromEntries(r.images.map((i) => [i.name, Buffer.from(i.bytes)]));
    if (r.svg !== null) files[plot] = Buffer.from(r.svg);
    env.assert.deepEqual({ exitCode: r.exitCode, stdout: r.stdout, stderr: r.stderr, files }, native, JSON.stringify(opts));
  }
}

/** The module imported by a page: the same results as the native converter. */
async function moduleInPage(env) {
  const wav = env.synth('module-page.wav', ['-b', '16', '-c', '2'], tapeImages(env));
  const page = await env.browser.newPage();
  try {
    await page.goto(env.serverUrl);
    for (const opts of [{}, { mode: 'recover', channel: 2 }, { mode: 'analyze' }]) {
      const r = await page.evaluate(async (data, o) => {
        const { convert } = await import('./vorlane.mjs');
        const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
        const out = await convert(bytes, o);
        const b64 = (u8) => btoa(Array.from(u8, (b) => String.fromCharCode(b)).join(''));
        return { exitCode: out.exitCode, stdout: out.stdout, stderr: out.stderr, svg: out.svg,
          images: out.images.map((i) => [i.name, b64(i.bytes)]) };
      }, readFileSync(wav).toString('base64'), opts);
      const files = Object.fromEntries(r.images.map(([n, b]) => [n, Buffer.from(b, 'base64')]));
      if (r.svg !== null) files[plot] = Buffer.from(r.svg);
      env.assert.deepEqual({ exitCode: r.exitCode, stdout: r.stdout, stderr: r.stderr, files },
        env.native(nativeArgs(opts), wav), JSON.stringify(opts));
    }
  } finally {
    await page.close();
  }
}

export const fileCases = [
  ...rows.map((row) => ({ name: 'Page.' + row.name, run: (env) => pageRow(env, row, env.serverUrl) })),
  { name: 'Page.several_files_at_once', run: severalAtOnce },
  { name: 'Page.cancel_a_running_file', run: cancelRunning },
  { name: 'Page.file_changed_while_read', run: changedWhileRead },
  { name: 'Page.one_file_from_disk', run: (env) => pageRow(env, rows[0], env.pageUrl('vorlane.html')) },
  { name: 'Module.node_equals_native', run: moduleInNode },
  { name: 'Module.page_equals_native', run: moduleInPage },
];
