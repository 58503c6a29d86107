// Builds the site (a folder any static web server can serve) and the single
// page that carries the game, its sounds and the page in one file.
//   node web/make_site.mjs GAME_DIR PACK_DIR SITE_DIR SINGLE_FILE
// GAME_DIR holds tirauris.js and tirauris.wasm; PACK_DIR the sound pack.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [gameDir, packDir, siteDir, singleFile] = process.argv.slice(2);
if (!singleFile) {
  console.error('usage: node make_site.mjs GAME_DIR PACK_DIR SITE_DIR SINGLE_FILE');
  process.exit(2);
}
const webDir = path.dirname(fileURLToPath(import.meta.url));
const read = (file) => fs.readFileSync(file);

// The pack's sounds as the game opens them: data/<folder>/<name>.ogg.
function sounds(dir, prefix = 'data') {
  const found = [];
  for (const entry of fs.readdirSync(dir, { withFileTypes: true }).sort((a, b) => (a.name < b.name ? -1 : 1))) {
    if (entry.name.startsWith('.')) continue;
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) found.push(...sounds(full, `${prefix}/${entry.name}`));
    else if (entry.name.endsWith('.ogg')) found.push(`${prefix}/${entry.name}`);
  }
  return found;
}
const manifest = sounds(packDir);
if (manifest.length === 0) {
  console.error(`make_site.mjs: no sounds in ${packDir}`);
  process.exit(1);
}
const fromPack = (name) => path.join(packDir, name.slice('data/'.length));
const script = (text) => `<script>${String(text).replace(/<\/script/gi, '<\\/script')}</script>`;
const html = read(path.join(webDir, 'index.html')).toString();

// The site: the page, the game and the sounds as files beside it.
fs.rmSync(siteDir, { recursive: true, force: true });
fs.mkdirSync(siteDir, { recursive: true });
fs.writeFileSync(path.join(siteDir, 'index.html'), html);
for (const file of ['page.js', 'page.css']) fs.copyFileSync(path.join(webDir, file), path.join(siteDir, file));
for (const file of ['tirauris.js', 'tirauris.wasm']) fs.copyFileSync(path.join(gameDir, file), path.join(siteDir, file));
fs.writeFileSync(path.join(siteDir, 'files.js'), `self.tiraurisFiles = ${JSON.stringify({ manifest })};\n`);
for (const name of manifest) {
  const target = path.join(siteDir, name);
  fs.mkdirSync(path.dirname(target), { recursive: true });
  fs.copyFileSync(fromPack(name), target);
}

// The single page: the same, inlined.
const embedded = Object.fromEntries(manifest.map((name) => [name, read(fromPack(name)).toString('base64')]));
const files = { manifest, embedded, wasm: read(path.join(gameDir, 'tirauris.wasm')).toString('base64'), gameInline: true };
const single = html
  .replace('<link rel="stylesheet" href="page.css">', () => `<style>${read(path.join(webDir, 'page.css'))}</style>`)
  .replace('<script src="files.js"></script>', () => script(`self.tiraurisFiles = ${JSON.stringify(files)};`))
  .replace('<script src="page.js"></script>',
    () => script(read(path.join(webDir, 'page.js'))) + '\n' + script(read(path.join(gameDir, 'tirauris.js'))));
if (single === html) throw new Error('index.html lacks the tags to inline');
fs.writeFileSync(singleFile, single);
console.log(`site: ${siteDir} (${manifest.length} sounds); single page: ${singleFile} (${fs.statSync(singleFile).size} bytes)`);
