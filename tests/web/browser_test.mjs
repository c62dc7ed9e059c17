// The page and the JavaScript module against the native build: recordings
// made by vorlane-synth are converted by both, and the console text, exit
// code, every image, the .zip and the analysis picture must be the same.
//   node tests/web/browser_test.mjs --native BUILD_DIR --page WEB_DIR [--filter TEXT]
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import assert from 'node:assert/strict';
import { serve } from './serve.mjs';
import { fileCases } from './file_cases.mjs';
import { liveCases } from './live_cases.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const webRequire = createRequire(join(here, '../../web/package.json'));
const puppeteer = webRequire('puppeteer-core');
const fflate = webRequire('fflate');

const argv = process.argv.slice(2);
const option = (name, fallback) => {
  const at = argv.indexOf(name);
  return at >= 0 ? argv[at + 1] : fallback;
};
const buildDir = resolve(option('--native', 'build'));
const pageDir = resolve(option('--page', 'build-web'));
const filter = option('--filter', '');
const work = mkdtempSync(join(tmpdir(), 'vorlane-web-'));

/** The test's tools: the native programs, files in the work folder, the page. */
const env = {
  work, pageDir, fflate, assert,
  chromium: '/usr/bin/chromium',
  /** Runs vorlane-synth; the recording's path. */
  synth(name, args, images) {
    const out = join(work, name);
    const r = spawnSync(join(buildDir, 'tools/synth/vorlane-synth'), [...args, '-o', out, ...images]);
    assert.equal(r.status, 0, 'vorlane-synth ' + args.join(' ') + ': ' + r.stderr);
    return out;
  },
  /** Writes a file into the work folder; its path. */
  write(name, bytes) {
    const path = join(work, name);
    writeFileSync(path, bytes);
    return path;
  },
  /** The native converter in a fresh folder: console, exit code and files. */
  native(args, input) {
    const dir = mkdtempSync(join(work, 'native-'));
    const r = spawnSync(join(buildDir, 'src/vorlane'), [...args, '-i', input], { cwd: dir });
    const files = {};
    for (const name of readdirSync(dir)) files[name] = readFileSync(join(dir, name));
    return { exitCode: r.status, stdout: r.stdout.toString(), stderr: r.stderr.toString(), files };
  },
  /** Starts headless Chromium with extra flags. */
  launch(flags = []) {
    return puppeteer.launch({
      executablePath: '/usr/bin/chromium', headless: true,
      args: ['--no-sandbox', '--headless=new', ...flags],
    });
  },
  serverUrl: null,
  pageUrl: (file) => pathToFileURL(join(pageDir, file)).href,
};

async function main() {
  const server = await serve(pageDir);
  env.serverUrl = server.url;
  env.browser = await env.launch();
  let failed = 0;
  let ran = 0;
  for (const c of [...fileCases, ...liveCases]) {
    if (!c.name.includes(filter)) continue;
    ran += 1;
    const started = Date.now();
    for (let attempt = 0; ; attempt++) {
      try {
        await c.run(env);
        console.log(`[       OK ] ${c.name} (${Date.now() - started} ms)`);
        break;
      } catch (e) {
        // Real-time capture drops audio when the machine is overloaded: those
        // rows get one second chance, and say so.
        if (attempt < (c.retries || 0)) {
          console.log(`[  RETRY   ] ${c.name}: ${e && e.message ? e.message.split('\n')[0] : e}`);
          continue;
        }
        failed += 1;
        console.log(`[  FAILED  ] ${c.name}\n${e && e.stack ? e.stack : e}`);
        break;
      }
    }
  }
  await env.browser.close();
  await server.close();
  rmSync(work, { recursive: true, force: true });
  console.log(`${ran - failed} of ${ran} browser tests passed`);
  if (ran === 0 || failed > 0) process.exitCode = 1;
}

await main();
