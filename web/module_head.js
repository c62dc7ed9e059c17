// vorlane as a JavaScript module for other pages and node:
//   import { convert } from './vorlane.mjs';
//   const r = await convert(bytes, { mode: 'recover' });
// The WebAssembly core is inlined below; under node it needs `require`.
const vorlaneNode = typeof process === 'object' && process.versions && process.versions.node;
const require = vorlaneNode ? (await import('node:module')).createRequire(import.meta.url) : undefined;
const __dirname = '.';
