
let vorlaneShared = null;

/**
 * Converts one recording held in memory (a Uint8Array or ArrayBuffer).
 * opts: mode ('convert', 'recover' or 'analyze'), join, channel, verbose,
 * args (more command-line arguments, e.g. ['-f', '-m']).
 * Resolves to {exitCode, stdout, stderr, stdoutBytes, stderrBytes,
 * images: [{name, bytes}], svg}; runs one at a time on one instance.
 */
export async function convert(bytes, opts = {}) {
  if (vorlaneShared === null) vorlaneShared = vorlaneInstance(createVorlaneCore);
  const instance = await vorlaneShared;
  const data = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
  return vorlaneRun(instance, opts, (FS, dir) => {
    FS.mkdir(dir + '/in');
    FS.writeFile(dir + '/in/recording.wav', data);
    return dir + '/in/recording.wav';
  });
}
