// One run of the converter on an instance of the WebAssembly core: the
// command line the options make, the console's bytes, the files it wrote.
// Shared by the page's worker and the JavaScript module (plain script, no
// imports, so both can include it as it is).

/** Grows a byte buffer as the console writes to it one byte at a time. */
function vorlaneByteSink() {
  let bytes = new Uint8Array(4096);
  let length = 0;
  return {
    push(b) {
      if (length === bytes.length) {
        const bigger = new Uint8Array(bytes.length * 2);
        bigger.set(bytes);
        bytes = bigger;
      }
      bytes[length++] = b & 0xff;
    },
    take() {
      const out = bytes.slice(0, length);
      length = 0;
      return out;
    },
  };
}

/** The module's settings: quiet, console captured, no process exit. */
function vorlaneCoreSettings(console) {
  return {
    thisProgram: 'vorlane',
    noExitRuntime: true,
    // A run's exit code must not become the exit code of a node process.
    quit: (status, toThrow) => { throw toThrow; },
    print: () => {},
    printErr: () => {},
    preRun: [(m) => m.FS.init(null, (b) => console.out.push(b), (b) => console.err.push(b))],
  };
}

/** Makes an instance; `factory` is the core's module factory. */
async function vorlaneInstance(factory) {
  const console = { out: vorlaneByteSink(), err: vorlaneByteSink() };
  const core = await factory(vorlaneCoreSettings(console));
  return { core, console, runs: 0 };
}

/** The command line for the options (the recording's path last). */
function vorlaneArguments(opts, inputPath, plotName) {
  const args = [];
  if (opts.mode === 'recover') args.push('--recover');
  if (opts.mode === 'analyze') args.push('--analyze', '--plot', plotName);
  if (opts.join) args.push('--join');
  if (opts.channel !== undefined && opts.channel !== null && opts.channel !== '') {
    args.push('--channel', String(opts.channel));
  }
  if (opts.verbose) args.push('-v');
  for (const a of opts.args || []) args.push(String(a));
  args.push('-i', inputPath);
  return args;
}

const vorlaneUtf8 = new TextDecoder('utf-8');

/**
 * Runs the converter once in a fresh working folder. `prepare(FS, dir)`
 * puts the recording in place and returns its path; `main(args)` runs the
 * command line and resolves to its exit code (the program's main by
 * default). Resolves to
 * {exitCode, stdout, stderr, stdoutBytes, stderrBytes, images, svg}.
 */
async function vorlaneRun(instance, opts, prepare, main = (args) => instance.core.callMain(args)) {
  const { core, console } = instance;
  const FS = core.FS;
  const dir = '/run' + ++instance.runs;
  const plotName = 'analysis.svg';
  FS.mkdir(dir);
  FS.chdir(dir);
  let result;
  try {
    const input = prepare(FS, dir);
    console.out.take();
    console.err.take();
    const exitCode = await main(vorlaneArguments(opts || {}, input, plotName));
    const stdoutBytes = console.out.take();
    const stderrBytes = console.err.take();
    result = {
      exitCode, stdout: vorlaneUtf8.decode(stdoutBytes), stderr: vorlaneUtf8.decode(stderrBytes),
      stdoutBytes, stderrBytes, images: [], svg: null,
    };
    for (const name of FS.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const path = dir + '/' + name;
      if (!FS.isFile(FS.stat(path).mode)) continue;
      const bytes = FS.readFile(path);
      if (name === plotName && opts && opts.mode === 'analyze') result.svg = vorlaneUtf8.decode(bytes);
      else if (path !== input) result.images.push({ name, bytes });
    }
  } finally {
    FS.chdir('/');
    vorlaneRemoveTree(FS, dir);
  }
  return result;
}

/** Removes a working folder and what is in it, unmounting the recording's. */
function vorlaneRemoveTree(FS, dir) {
  if (FS.isMountpoint(FS.lookupPath(dir, { follow_mount: false }).node)) FS.unmount(dir);
  for (const name of FS.readdir(dir)) {
    if (name === '.' || name === '..') continue;
    const path = dir + '/' + name;
    if (FS.isDir(FS.stat(path).mode)) vorlaneRemoveTree(FS, path);
    else FS.unlink(path);
  }
  FS.rmdir(dir);
}
