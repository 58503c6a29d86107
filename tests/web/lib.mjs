// What the browser tests and the benchmark share: a static server on
// 127.0.0.1, the system's Chromium without any downloads, and a tap on
// everything that reaches the page's audio output.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { chromium } from 'playwright-core';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.css': 'text/css',
  '.wasm': 'application/wasm',
  '.ogg': 'audio/ogg',
};

// Serves `root`, gzipped where the browser asks for it, as a static server
// would; `sent` counts the bytes that went out.
export async function serve(root) {
  const server = http.createServer((request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    fs.readFile(file, (error, body) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      const type = types[path.extname(file)] || 'application/octet-stream';
      const headers = { 'content-type': type, 'cache-control': 'no-store' };
      if (/gzip/.test(request.headers['accept-encoding'] || '') && !type.startsWith('audio/')) {
        body = zlib.gzipSync(body, { level: 9 });
        headers['content-encoding'] = 'gzip';
      }
      site.sent += body.length;
      response.writeHead(200, headers);
      response.end(body);
    });
  });
  const site = { sent: 0, server };
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  site.url = `http://127.0.0.1:${server.address().port}/`;
  site.close = () => new Promise((resolve) => server.close(resolve));
  return site;
}

export const chromiumFlags = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// Debian's Chromium, headless, with a fresh profile of its own.
export function launch() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: chromiumFlags });
}

// Runs in the page before its own scripts: whatever connects to the audio
// output is also recorded (both sides) and analysed.
function tap() {
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode && !window.__tap) {
      const ctx = target.context;
      const t = { ctx, chunks: [[], []], length: 0 };
      t.analyser = ctx.createAnalyser();
      t.analyser.fftSize = 8192;
      t.analyser.smoothingTimeConstant = 0;
      t.recorder = ctx.createScriptProcessor(1024, 2, 2);
      t.recorder.onaudioprocess = (e) => {
        for (let c = 0; c < 2; ++c) t.chunks[c].push(new Float32Array(e.inputBuffer.getChannelData(c)));
        t.length += e.inputBuffer.length;
      };
      connect.call(this, t.analyser);
      connect.call(this, t.recorder);
      connect.call(t.recorder, target);
      window.__tap = t;
    }
    return connect.call(this, target, ...rest);
  };
  // The last `ms` of the output, both sides, as one array each.
  const last = (ms) => {
    const t = window.__tap;
    const want = Math.round((ms / 1000) * t.ctx.sampleRate);
    return [0, 1].map((c) => {
      const out = new Float32Array(want);
      let at = want;
      for (let i = t.chunks[c].length - 1; i >= 0 && at > 0; --i) {
        const chunk = t.chunks[c][i];
        const n = Math.min(chunk.length, at);
        out.set(chunk.subarray(chunk.length - n), at - n);
        at -= n;
      }
      return out;
    });
  };
  // Level of the last `ms` in dB of full scale, both sides together.
  window.__level = (ms) => {
    if (!window.__tap) return -Infinity;
    let sum = 0;
    let n = 0;
    for (const side of last(ms)) for (const v of side) (sum += v * v), ++n;
    return 10 * Math.log10(sum / n + 1e-20);
  };
  // The strongest frequency between `low` and `high` Hz now, and its level.
  window.__peak = (low, high) => {
    const a = window.__tap.analyser;
    const bins = new Float32Array(a.frequencyBinCount);
    a.getFloatFrequencyData(bins);
    const hz = a.context.sampleRate / a.fftSize;
    let best = Math.round(low / hz);
    for (let i = best; i <= Math.round(high / hz); ++i) if (bins[i] > bins[best]) best = i;
    return { hz: best * hz, db: bins[best] };
  };
  // The whole recording, each side as base64 of 32-bit floats.
  window.__recording = () =>
    [0, 1].map((c) => {
      const all = new Float32Array(window.__tap.length);
      let at = 0;
      for (const chunk of window.__tap.chunks[c]) all.set(chunk, at), (at += chunk.length);
      const bytes = new Uint8Array(all.buffer);
      let text = '';
      for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      return btoa(text);
    });
}

// A page with the tap, and the page's errors kept for the messages of failed checks.
export async function tappedPage(browser) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(e.message));
  await page.addInitScript(tap);
  return page;
}

export async function recording(page) {
  const sides = await page.evaluate(() => window.__recording());
  return sides.map((b64) => {
    const bytes = Buffer.from(b64, 'base64');
    return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
  });
}

export async function waitFor(what, test, ms = 10000) {
  const until = Date.now() + ms;
  for (;;) {
    const value = await test();
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
