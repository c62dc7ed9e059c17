// A static file server on 127.0.0.1 for the browser tests: GET of files
// below one folder, nothing else.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { join, normalize, extname } from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wav': 'audio/wav',
};

/** Serves `root`; resolves to {url, close()} once listening on a free port. */
export function serve(root) {
  const server = createServer(async (req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (req.method !== 'GET' || path.includes('..')) {
      res.writeHead(400).end();
      return;
    }
    const file = join(root, path === '/' ? 'index.html' : path);
    try {
      const body = await readFile(file);
      // Open to any origin: the benchmark's page reads recordings from a second server.
      res.writeHead(200, { 'Content-Type': types[extname(file)] || 'application/octet-stream',
        'Access-Control-Allow-Origin': '*' });
      res.end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({
      url: `http://127.0.0.1:${server.address().port}/`,
      close: () => new Promise((done) => server.close(done)),
    }));
  });
}
