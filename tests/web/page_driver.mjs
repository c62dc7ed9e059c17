// Drives the page like a user (options, file input) and reads back what it
// shows: console text, exit code, the images behind the links, the .zip and
// the picture, all as the browser holds them.

/** Sets the page's options, gives it the files and waits until all are done. */
export async function convertOnPage(page, paths, opts = {}) {
  await page.click(`input[name=mode][value=${opts.mode || 'convert'}]`);
  const join = await page.$eval('#join', (e) => e.checked);
  if (join !== Boolean(opts.join)) await page.click('#join');
  await page.$eval('#channel', (e, v) => { e.value = v; }, opts.channel ? String(opts.channel) : '');
  const before = await page.$$eval('section.file', (s) => s.length);
  const input = await page.$('#files');
  await input.uploadFile(...paths);
  await page.waitForFunction((n) => [...document.querySelectorAll('section.file')]
    .filter((s) => ['done', 'failed', 'cancelled'].includes(s.dataset.state)).length >= n,
  { timeout: 120000 }, before + paths.length);
  return (await readResults(page)).slice(before);
}

/** Everything each recording's section shows. */
export function readResults(page) {
  return page.evaluate(async () => {
    const base64 = async (url) => {
      const bytes = new Uint8Array(await (await fetch(url)).arrayBuffer());
      let text = '';
      for (const b of bytes) text += String.fromCharCode(b);
      return btoa(text);
    };
    const text = (s, sel) => (s.querySelector(sel) ? s.querySelector(sel).textContent : '');
    return Promise.all([...document.querySelectorAll('section.file')].map(async (s) => {
      const plot = s.querySelector('img.plot');
      const zip = s.querySelector('a.zip');
      return {
        name: text(s, 'h2'), state: s.dataset.state, exit: text(s, '.exit'),
        stdout: text(s, 'pre.stdout'), stderr: text(s, 'pre.stderr'),
        images: await Promise.all([...s.querySelectorAll('.images a')].map(async (a) => ({
          name: a.download, text: a.textContent, bytes: await base64(a.href) }))),
        zip: zip ? { name: zip.download, bytes: await base64(zip.href) } : null,
        svg: plot ? await (await fetch(plot.src)).text() : null,
      };
    }));
  });
}

/** The page's result for one recording equals the native run's, file for file. */
export function assertSameAsNative(env, shown, native, plotName) {
  const { assert, fflate } = env;
  assert.equal(shown.state, 'done', 'the worker gave no result: ' + shown.exit);
  assert.equal(shown.exit, 'exit code ' + native.exitCode);
  assert.equal(shown.stdout, native.stdout);
  assert.equal(shown.stderr, native.stderr);
  const expected = Object.entries(native.files).filter(([name]) => name !== plotName);
  const images = shown.images.map((i) => [i.name, Buffer.from(i.bytes, 'base64')]);
  const sort = (list) => [...list].sort((a, b) => (a[0] < b[0] ? -1 : 1));
  assert.deepEqual(sort(images), sort(expected), 'images behind the links');
  for (const i of shown.images) assert.equal(i.text, i.name, 'a link shows its file name');
  if (expected.length === 0) {
    assert.equal(shown.zip, null);
  } else {
    const zipped = fflate.unzipSync(Buffer.from(shown.zip.bytes, 'base64'));
    const entries = Object.entries(zipped).map(([n, b]) => [n, Buffer.from(b)]);
    assert.deepEqual(sort(entries), sort(expected), 'the .zip holds the same images');
  }
  if (plotName) assert.equal(shown.svg, native.files[plotName].toString(), 'the picture');
  else assert.equal(shown.svg, null);
}
