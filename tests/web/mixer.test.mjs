// The browser's mixer against SDL_mixer: one scripted sequence of mixer
// calls (tests/web/mixer_sequence.cpp), recorded from the page's audio
// output and from the desktop platform with SDL's disk audio driver; every
// step's level on each side must agree within 0.5 dB, in stereo and mono.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serve, launch, tappedPage, recording, waitFor } from './lib.mjs';

const build = process.env.WEB_BUILD;
const native = process.env.NATIVE_SEQUENCE;
const rate = 44100;
const steps = 12;
const stepMs = 600;

// Two loops and a short sound, made here.
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tirauris-mixer-'));
const sox = (name, ...effect) => execFileSync('sox', ['-n', '-r', '44100', '-c', '1', path.join(dir, name), ...effect]);
sox('a.ogg', 'synth', '2', 'sine', '441', 'vol', '0.3');
sox('b.ogg', 'synth', '2', 'sine', '882', 'vol', '0.2');
sox('c.ogg', 'synth', '0.4', 'sine', '1323', 'vol', '0.3');
for (const file of ['mixer.html']) fs.copyFileSync(path.join(import.meta.dirname, file), path.join(dir, file));
for (const file of ['mixer_sequence.js', 'mixer_sequence.wasm']) fs.copyFileSync(path.join(build, file), path.join(dir, file));

// Each step is found by where the output changes, not by the clock: the
// disk driver paces its writes by sleeping, so under load a step may fill
// anything from a few buffers to many. Steps that change nothing (the halts
// are found by their silence; in mono, panning is ignored and a sound played
// once again sounds as before) are measured where the previous one was.
const silentSteps = new Set([5, 8]);
const unchangedInMono = new Set([2, 10]);
const frame = 441;  // 10 ms

function levels([left, right], name, mono) {
  const db = (side, from, to) => {
    let sum = 0;
    for (let i = from; i < to; ++i) sum += side[i] * side[i];
    return 10 * Math.log10(sum / (to - from) + 1e-20);
  };
  const frameDb = (i) => [db(left, i, i + frame), db(right, i, i + frame)];
  const quiet = (l) => l[0] < -70 && l[1] < -70;
  const samples = (ms) => Math.round((ms * rate) / 1000);
  const result = [];
  let start = 0;
  let previous = [-200, -200];
  for (let k = 0; k < steps; ++k) {
    if (mono && unchangedInMono.has(k)) {
      result.push(previous);
      continue;
    }
    let found = -1;
    for (let at = k === 0 ? 0 : start + samples(130); at + 3 * frame <= left.length; at += frame) {
      const f = [0, 1, 2].map((n) => frameDb(at + n * frame));
      const changed = f.every((l) => l.some((v, side) => Math.abs(v - previous[side]) > 1.5));
      if (silentSteps.has(k) ? f.every(quiet) : changed && f.every((l) => !quiet(l))) {
        found = at;
        break;
      }
    }
    assert.ok(found >= 0, `${name}: step ${k + 1} was never heard`);
    start = found;
    const from = start + samples(30);
    const to = start + samples(120);
    assert.ok(to <= left.length, `${name}: the recording ends before step ${k + 1}`);
    previous = [db(left, from, to), db(right, from, to)];
    result.push(previous);
  }
  return result;
}

function nativeRecording(outputs) {
  const out = path.join(dir, `native-${outputs}.raw`);
  return new Promise((resolve, reject) => {
    execFile(native, [String(outputs), 'a.ogg', 'b.ogg', 'c.ogg'],
      // A short pause between buffers runs the driver ahead of real time, so
      // every step spans many buffers however loaded the machine is.
      { cwd: dir, env: { ...process.env, SDL_AUDIODRIVER: 'disk', SDL_DISKAUDIOFILE: out, SDL_DISKAUDIODELAY: '20' } },
      (error) => {
        if (error) return reject(error);
        // The device is opened in stereo either way; mono comes out on both sides.
        const bytes = fs.readFileSync(out);
        const samples = new Int16Array(bytes.buffer, bytes.byteOffset, bytes.length / 2);
        const sides = [0, 1].map(() => new Float32Array(samples.length / 2));
        for (let i = 0; i < sides[0].length; ++i) {
          for (let c = 0; c < 2; ++c) sides[c][i] = samples[i * 2 + c] / 32768;
        }
        resolve(sides);
      });
  });
}

async function browserRecording(browser, site, outputs) {
  const page = await tappedPage(browser);
  await page.goto(`${site.url}mixer.html?outputs=${outputs}`);
  await page.waitForFunction(() => typeof Module.callMain === 'function');
  await page.click('#go');
  const ended = await waitFor('the sequence', () => page.evaluate(() => window.sequenceEnded), 30000);
  assert.equal(ended.code, 0, ended.output);
  const sides = await recording(page);
  await page.close();
  return sides;
}

test('the browser mixes as SDL_mixer does, step by step, in stereo and mono', async () => {
  const site = await serve(dir);
  const browser = await launch();
  try {
    const [webStereo, webMono, sdlStereo, sdlMono] = await Promise.all([
      browserRecording(browser, site, 2), browserRecording(browser, site, 1),
      nativeRecording(2), nativeRecording(1)]);
    for (const [name, web, sdl] of [['stereo', webStereo, sdlStereo], ['mono', webMono, sdlMono]]) {
      const w = levels(web, `${name} in the browser`, name === 'mono');
      const s = levels(sdl, `${name} on the desktop`, name === 'mono');
      const table = w.map((l, k) => `step ${k + 1}: web ${l.map((v) => v.toFixed(2))} sdl ${s[k].map((v) => v.toFixed(2))}`).join('\n');
      assert.ok(s[0][0] > -30, `${name}: the first step is silent on the desktop\n${table}`);
      for (let k = 0; k < steps; ++k) {
        for (let side = 0; side < 2; ++side) {
          const silent = w[k][side] < -70 && s[k][side] < -70;
          assert.ok(silent || Math.abs(w[k][side] - s[k][side]) <= 0.5,
            `${name}, step ${k + 1}, ${side ? 'right' : 'left'}: ${w[k][side].toFixed(2)} dB in the browser, ` +
            `${s[k][side].toFixed(2)} dB on the desktop\n${table}`);
        }
      }
      console.log(`${name}:\n${table}`);
    }
  } finally {
    await browser.close();
    await site.close();
  }
});
