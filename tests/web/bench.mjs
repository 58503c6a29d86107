// The browser edition's figures for bench/run, one line each:
//   ready MS            page load to the game ready to start
//   first MS            Start pressed to the first sound (the menu's music)
//   sent BYTES          bytes the server sent until the menu plays (gzip)
//   site BYTES          the whole site, each file gzipped as served
//   cpu PLACE PERCENT   all of Chromium's processes, % of one core
//   passes PLACE N      the game's passes per second
// PLACE is menu or game1.  Usage: node tests/web/bench.mjs BUILD_WEB WINDOW_S
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { serve, launch, sleep, waitFor } from './lib.mjs';

const [build, windowS = '3'] = process.argv.slice(2);
const site = path.join(build, 'site');
const hz = 100;  // USER_HZ on Linux

function tree(pid) {
  const all = fs.readdirSync('/proc').filter((d) => /^\d+$/.test(d));
  const parent = {};
  for (const p of all) {
    try {
      parent[p] = fs.readFileSync(`/proc/${p}/stat`, 'utf8').replace(/^.*\) /, '').split(' ')[1];
    } catch (e) {}
  }
  const found = new Set([String(pid)]);
  for (let grew = true; grew; ) {
    grew = false;
    for (const p of Object.keys(parent)) if (!found.has(p) && found.has(parent[p])) found.add(p), (grew = true);
  }
  return [...found];
}
function ticks(pids) {
  let sum = 0;
  for (const p of pids) {
    try {
      const f = fs.readFileSync(`/proc/${p}/stat`, 'utf8').replace(/^.*\) /, '').split(' ');
      sum += Number(f[11]) + Number(f[12]);
    } catch (e) {}
  }
  return sum;
}
async function measure(page, browser, place) {
  const pids = tree(process.pid).filter((p) => p !== String(process.pid));  // Chromium is our child
  const t0 = ticks(pids);
  const p0 = await page.evaluate(() => Module.tirauris.passes);
  const s0 = Date.now();
  await sleep(Number(windowS) * 1000);
  const t1 = ticks(pids);
  const p1 = await page.evaluate(() => Module.tirauris.passes);
  const seconds = (Date.now() - s0) / 1000;
  console.log(`cpu ${place} ${((100 * (t1 - t0)) / hz / seconds).toFixed(2)}`);
  console.log(`passes ${place} ${Math.round((p1 - p0) / seconds)}`);
}
async function hold(page, action) {
  await action.down();
  await sleep(100);
  await action.up();
}

const server = await serve(site);
const browser = await launch();
try {
  const page = await browser.newPage();
  await page.goto(server.url);
  await waitFor('the game to be ready', () => page.evaluate(() => Module.tirauris.ready));
  console.log(`ready ${Math.round(await page.evaluate(() => Module.tirauris.ready))}`);
  await page.mouse.move(640, 360);
  await page.focus('#start');
  await page.keyboard.press('Enter');
  const first = await waitFor('the first sound', () =>
    page.evaluate(() => Module.tirauris.firstSound && Module.tirauris.firstSound - Module.tirauris.started));
  console.log(`first ${Math.round(first)}`);
  await sleep(1000);
  console.log(`sent ${server.sent}`);
  let bytes = 0;
  const walk = (dir) => {
    for (const e of fs.readdirSync(dir, { withFileTypes: true })) {
      const f = path.join(dir, e.name);
      if (e.isDirectory()) walk(f);
      else bytes += f.endsWith('.ogg') ? fs.statSync(f).size : zlib.gzipSync(fs.readFileSync(f), { level: 9 }).length;
    }
  };
  walk(site);
  console.log(`site ${bytes}`);
  await measure(page, browser, 'menu');
  const key = { down: () => page.keyboard.down('Digit1'), up: () => page.keyboard.up('Digit1') };
  const button = { down: () => page.mouse.down(), up: () => page.mouse.up() };
  await hold(page, key);
  await hold(page, button);
  await sleep(600);
  await hold(page, key);
  await hold(page, button);
  await sleep(1500);
  await measure(page, browser, 'game1');
} finally {
  await browser.close();
  await server.close();
}
