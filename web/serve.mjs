// Serves a folder of static files on 127.0.0.1 (a secure context for WebHID without HTTPS):
//   node serve.mjs FOLDER [PORT]      (PORT 0: any free one; the address is printed)
// Also imported by the page tests. Nothing but GET of files below the folder.
import {createServer} from 'node:http';
import {readFile} from 'node:fs/promises';
import {extname, join, normalize, resolve, sep} from 'node:path';
import {pathToFileURL} from 'node:url';

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.json': 'application/json',
  '.ini': 'text/plain; charset=utf-8',
  '.lng': 'application/octet-stream',
};

export function serve(folder, port = 0) {
  const root = resolve(folder);
  const server = createServer(async (req, res) => {
    if (req.method !== 'GET' && req.method !== 'HEAD') {
      res.writeHead(405).end();
      return;
    }
    let path;
    try {
      path = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    } catch {
      res.writeHead(400).end();
      return;
    }
    if (path.endsWith('/')) path += 'index.html';
    const file = normalize(join(root, path));
    if (file !== root && !file.startsWith(root + sep)) {
      res.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      res.writeHead(200, {'Content-Type': kTypes[extname(file)] || 'application/octet-stream', 'Cache-Control': 'no-store'});
      res.end(req.method === 'HEAD' ? undefined : body);
    } catch {
      res.writeHead(404).end();
    }
  });
  return new Promise((ok, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => ok(server));
  });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const folder = process.argv[2];
  if (!folder) {
    console.error('usage: node serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  const server = await serve(folder, Number(process.argv[3] ?? 8080));
  console.log(`Tesmaro's page: http://127.0.0.1:${server.address().port}/`);
}
