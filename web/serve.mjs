// serve.mjs: serves a folder over HTTP on localhost, as any static web server would host
// the web build's site. Used by `bash scripts/web.sh --serve` and by the browser test.
//
//   node web/serve.mjs FOLDER [PORT]    # prints the address; port 0 (default) picks one
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

// The types that the site's files need; WebAssembly must come as application/wasm for
// the browser to compile it while it downloads.
const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.png': 'image/png', '.css': 'text/css; charset=utf-8',
};

/// Starts serving `root` on 127.0.0.1:`port`; resolves to the server and its address.
export function serve(root, port = 0) {
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = normalize(join(root, path.endsWith('/') ? path + 'index.html' : path));
    if (file !== normalize(root) && !file.startsWith(normalize(root) + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () =>
      resolve({ server, address: `http://127.0.0.1:${server.address().port}/` }));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [root, port] = process.argv.slice(2);
  if (!root) {
    console.error('usage: node web/serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  try {
    const { address } = await serve(root, Number(port || 0));
    console.log(`Serving ${root} at ${address} (Ctrl-C ends it)`);
  } catch (e) {
    console.error(`serve.mjs: cannot serve on port ${port}: ${e.message}`);
    process.exit(1);
  }
}
