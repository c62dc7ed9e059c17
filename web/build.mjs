// Assembles the page from the WebAssembly core and web/ into an output
// folder: index.html with what it loads, vorlane.html (the same page in one
// file, for opening from disk) and vorlane.mjs (the JavaScript module).
//   node web/build.mjs CORE_JS OUT_DIR
import { readFileSync, writeFileSync, mkdirSync, renameSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const [coreJs, outDir] = process.argv.slice(2);
if (!coreJs || !outDir) {
  console.error('usage: node web/build.mjs CORE_JS OUT_DIR');
  process.exit(2);
}
const read = (path) => readFileSync(path, 'utf8');
const web = (name) => read(join(here, name));
const core = read(coreJs);
const fflate = read(join(here, 'node_modules/fflate/umd/index.js'));

/** Every output goes to a temporary name first, then renamed. */
function emit(name, text) {
  const path = join(outDir, name);
  writeFileSync(path + '.tmp', text);
  renameSync(path + '.tmp', path);
}

/** A script's text inside <script>: it must not close the element early. */
function inlineScript(text, name) {
  if (/<\/script|<!--/i.test(text)) throw new Error(name + ' cannot be inlined as it is');
  return '<script>' + text + '</script>';
}

mkdirSync(outDir, { recursive: true });
const worker = [core, web('core_run.js'), web('worker_main.js'), web('live_worker.js')].join('\n');
const page = web('index.html');
const scripts = ['fflate.js', 'live.js', 'app.js'];
const sources = { 'fflate.js': fflate, 'live.js': web('live.js'), 'app.js': web('app.js') };

emit('worker.js', worker);
emit('style.css', web('style.css'));
for (const name of scripts) emit(name, sources[name]);
emit('index.html', page);
emit('vorlane.mjs', [web('module_head.js'), core, web('core_run.js'), web('module_tail.js')].join('\n'));

// One file: the style and scripts inline, the worker as base64 text the
// page turns into a blob (a page on file:// may not load a worker file).
let single = page.replace('<link rel="stylesheet" href="style.css">', () => '<style>' + web('style.css') + '</style>');
for (const name of scripts) {
  single = single.replace(`<script src="${name}"></script>`, () => inlineScript(sources[name], name));
}
const workerTag = '<script id="worker-source" type="application/octet-stream">' +
  Buffer.from(worker, 'utf8').toString('base64') + '</script>';
single = single.replace('</body>', () => workerTag + '\n</body>');
emit('vorlane.html', single);
