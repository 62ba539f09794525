// The browser build in headless Chromium, driven through playwright-core:
//
//   node browser.mjs URL OUTDIR REFERENCE [DOCS_PNG]
//
// URL serves build/web; screenshots and the frame logs go to OUTDIR;
// REFERENCE replays a frame log (`frame POS TID` lines) through the same
// timeline on the desktop, with `--script FILE --raw DIR`, and writes every
// frame with its palette; DOCS_PNG, when given, receives a screenshot of the page.
//
// Four runs of the page:
//  1. With sound, as a visitor sees it: the first frame waits under "click to
//     start"; after the click the canvas changes, the music position advances
//     with the browser's audio at 44100 Hz, and the held picture equals the
//     reference frame at the logged positions and times. Escape ends it with a
//     last frame; "play again" starts it again in place from the beginning.
//  2. Silent and 25 times faster (?timescale=25): the whole song, every scene
//     compared with the reference, up to the end of the music.
//  3. The browser's audio output stops (suspended) while the demo runs: the
//     music goes on from the silent timer.
//  4. The picture on the sound: over 10 s, the position each frame shows
//     against the sample Web Audio outputs at that frame.
//  5. ?scene=10: the first frame after the click is scene 10's; the F key
//     puts the picture on the whole page in its 4:3 shape and takes it back.
//  6. The gentle version: the warning beside the start; with the browser's
//     reduced-motion setting (emulated) the switch is on and the program plays
//     the gentle show; ?gentle=1 and ?gentle=0 set it; the switch itself,
//     clicked before the start or before "play again", decides.
// Ends with a line "N passed, N failed".
import { chromium } from 'playwright-core';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

const [url, outdir, reference, docsPng] = process.argv.slice(2);
if (!url || !outdir || !reference) {
  console.error('usage: node browser.mjs URL OUTDIR REFERENCE [DOCS_PNG]');
  process.exit(2);
}
fs.mkdirSync(outdir, { recursive: true });

const WEB = { READY: 1, STARTING: 2, RUNNING: 3, ENDED: 4, FAILED: 5 };
const SAME_SCENE = 0.98;  // share of equal pixels that makes a frame the reference's
const AV_GOAL_MS = 25;   // largest distance between the picture and the sound heard
let passed = 0, failed = 0;
function check(ok, what) {
  if (ok) passed++; else failed++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
}

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', '--disable-quic'],
});

async function open(query, options) {
  const page = await browser.newPage({ viewport: { width: 1000, height: 800 }, ...(options || {}) });
  page.on('pageerror', (e) => { failed++; console.log(`FAIL page error: ${e.message}`); });
  page.on('console', (m) => { if (m.type() === 'error') console.log(`     console: ${m.text()}`); });
  await page.goto(url + (query || ''));
  await page.waitForFunction(() => window.zap && zap.state() >= 1, null, { timeout: 30000 });
  return page;
}

const state = (page) => page.evaluate(() => zap.state());
const position = (page) => page.evaluate(() => zap.position());
async function waitState(page, s, ms) {
  try {
    await page.waitForFunction((want) => zap.state() === want, s, { timeout: ms });
    return true;
  } catch {
    return false;
  }
}

// The picture held still: the canvas's pixels (320x240 RGBA), the frame log
// up to the frame they show, and a screenshot; then the frames run on.
async function snapshot(page, name) {
  await page.evaluate(() => zap.hold(true));
  const got = await page.evaluate(() => {
    const c = document.getElementById('canvas');
    const px = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let bin = '';
    for (let i = 0; i < px.length; i += 8192) bin += String.fromCharCode.apply(null, px.subarray(i, i + 8192));
    return { w: c.width, h: c.height, pixels: btoa(bin), log: zap.log(), pos: zap.position(), state: zap.state() };
  });
  await page.locator('#canvas').screenshot({ path: path.join(outdir, name + '.png') });
  await page.evaluate(() => zap.hold(false));
  got.pixels = Buffer.from(got.pixels, 'base64');
  got.name = name;
  return got;
}

// Colours in the presented rows and their spread: a blank canvas has one.
function colours(shot) {
  const seen = new Set();
  for (let y = 20; y < 220; y++)
    for (let x = 0; x < 320; x++) {
      const i = 4 * (y * shot.w + x);
      seen.add((shot.pixels[i] << 16) | (shot.pixels[i + 1] << 8) | shot.pixels[i + 2]);
    }
  return seen.size;
}

function differs(a, b) {
  let n = 0;
  for (let i = 0; i < a.pixels.length; i += 4)
    if (a.pixels[i] !== b.pixels[i] || a.pixels[i + 1] !== b.pixels[i + 1] || a.pixels[i + 2] !== b.pixels[i + 2]) n++;
  return n;
}

// Replays a run's log through the reference and compares each snapshot with
// the frame the reference draws at the same place in the log.
function compare(run, shots) {
  const log = shots[shots.length - 1].log;
  const script = path.join(outdir, run + '.script');
  fs.writeFileSync(script, log.map(([p, t]) => `frame ${p} ${t}\n`).join(''));
  const raw = path.join(outdir, run + '-frames');
  fs.rmSync(raw, { recursive: true, force: true });
  const t0 = Date.now();
  let lines;
  try {
    lines = execFileSync(reference, ['--script', script, '--raw', raw], { maxBuffer: 1 << 26 }).toString().trim().split('\n');
  } catch (e) {
    check(false, `the reference replays the ${run} log (${e.message.split('\n')[0]})`);
    return;
  }
  console.log(`     reference: ${log.length} frames replayed in ${Date.now() - t0} ms`);
  for (const shot of shots) {
    const k = shot.log.length - 1;
    const id = String(k).padStart(5, '0');
    const frame = fs.readFileSync(path.join(raw, id + '.frame'));
    const pal = fs.readFileSync(path.join(raw, id + '.pal'));
    let same = 0;
    for (let y = 0; y < 200; y++)
      for (let x = 0; x < 320; x++) {
        const c = frame[y * 320 + x], i = 4 * ((y + 20) * shot.w + x);
        if (shot.pixels[i] === pal[3 * c] && shot.pixels[i + 1] === pal[3 * c + 1] && shot.pixels[i + 2] === pal[3 * c + 2]) same++;
      }
    const share = same / 64000;
    const scene = (lines[k].match(/scene (\d+)/) || [])[1];
    check(share >= SAME_SCENE,
          `${shot.name}: frame ${k} (position ${shot.log[k][0]}, tid ${shot.log[k][1]}, scene ${scene}) ` +
          `matches the reference in ${(100 * share).toFixed(2)} % of its pixels`);
  }
}

// ---- 1. With sound -----------------------------------------------------------
{
  const t0 = Date.now();
  const page = await open('');
  check(await state(page) === WEB.READY, 'the first frame waits for the click');
  check(await page.locator('#message').innerText() === 'click to start', 'the page says "click to start"');
  check(await page.locator('#warning').isVisible() &&
        (await page.locator('#warning').innerText()).includes('flashing lights'),
        'the page warns of flashing lights beside the start');
  check(await page.evaluate(() => !zap.gentleSwitch() && zap.gentle() === 0),
        'without a reduced-motion setting the gentle switch is off');
  const first = await snapshot(page, 'rt-0-first');
  check(colours(first) > 4 && first.log.length === 1 && first.log[0][0] === -37,
        `the first frame is drawn before the music (${colours(first)} colours, position ${first.log[0][0]})`);
  await page.waitForTimeout(500);
  check(await position(page) === -37, 'nothing plays before the click');

  await page.click('#prompt');
  check(await waitState(page, WEB.RUNNING, 5000), 'the click starts the demo');
  const audio = await page.evaluate(() => ({ out: zap.output(), a: zap.audio() }));
  console.log(`     audio: ${JSON.stringify(audio)}`);
  check(audio.out === 2 && audio.a && audio.a.freq === 44100 && audio.a.samples === 2048 && audio.a.context === 'running',
        'the music plays through the browser\'s audio at 44100 Hz, 2048-sample buffers');
  const shots = [];
  const positions = [];
  for (let i = 1; i <= 4; i++) {
    await page.waitForTimeout(1500);
    shots.push(await snapshot(page, `rt-${i}`));
    positions.push(shots[shots.length - 1].pos);
  }
  console.log(`     positions every 1.5 s: ${positions.join(' ')}`);
  check(positions.every((p, i) => i === 0 || p > positions[i - 1]) && positions[3] - positions[0] >= 30,
        'the music position advances (about 8 rows a second)');
  check(shots.every((s) => colours(s) > 4), `the canvas shows pictures (colours: ${shots.map(colours).join(' ')})`);
  check(shots.every((s, i) => i === 0 || differs(s, shots[i - 1]) > 1000), 'the picture changes from shot to shot');
  compare('rt', [first, ...shots]);

  const frames = (await page.evaluate(() => zap.log().length));
  await page.keyboard.press('Escape');
  check(await waitState(page, WEB.ENDED, 3000), 'Escape ends the demo');
  const last = await page.evaluate(() => zap.log().length);
  check(last >= frames + 1, `its last frame is shown (${last - frames} more frame(s) after the key)`);
  check(await page.locator('#again').innerText() === 'play again', 'the page offers to play it again');
  check(await page.locator('#warning').isVisible(), 'with the warning beside it');
  const stopped = await position(page);
  await page.waitForTimeout(500);
  check(await position(page) === stopped, 'the music has stopped');

  await page.click('#prompt');
  check(await waitState(page, WEB.RUNNING, 5000), '"play again" starts the demo again');
  await page.waitForTimeout(2000);
  const again = await snapshot(page, 'rt-again');
  check(again.log[0][0] === -37 && again.pos > 0 && again.pos < 40,
        `it starts from the beginning (position ${again.pos} after 2 s)`);
  compare('rt-again', [again]);
  await page.close();
  console.log(`     run 1: ${((Date.now() - t0) / 1000).toFixed(1)} s`);
}

// ---- 2. Silent, 25 times faster: every scene ------------------------------------
{
  const t0 = Date.now();
  const page = await open('?timescale=25');
  await page.click('#prompt');
  check(await waitState(page, WEB.RUNNING, 5000), 'the fast run starts');
  const shots = [];
  const scenes = new Set();
  const windows = [0, 200, 400, 700, 900, 1100, 1500, 1800, 2100, 2300];
  const sceneOf = (p) => windows.filter((w) => p >= w).length || 1;
  let docs = false;
  while (await state(page) === WEB.RUNNING && shots.length < 40) {
    await page.waitForTimeout(350);
    if (await state(page) !== WEB.RUNNING) break;
    const shot = await snapshot(page, `fast-${String(shots.length).padStart(2, '0')}`);
    shots.push(shot);
    scenes.add(sceneOf(shot.pos));
    if (docsPng && !docs && shot.pos >= 930 && shot.pos < 1090) {
      await page.evaluate(() => zap.hold(true));
      await page.screenshot({ path: docsPng });
      await page.evaluate(() => zap.hold(false));
      docs = true;
    }
  }
  check(await waitState(page, WEB.ENDED, 20000), 'the end of the music ends the demo');
  const end = await snapshot(page, 'fast-end');
  const endPos = end.log[end.log.length - 1][0];
  check(endPos >= 2500, `the last frame is the one at the end position (${endPos})`);
  check(scenes.size >= 9, `the shots saw scenes ${[...scenes].sort((a, b) => a - b).join(' ')}`);
  check(await page.locator('#again').innerText() === 'play again', 'the page offers to play it again');
  compare('fast', [...shots, end]);
  await page.close();
  console.log(`     run 2: ${((Date.now() - t0) / 1000).toFixed(1)} s`);
}

// ---- 3. The audio output stops -------------------------------------------------
{
  const t0 = Date.now();
  const page = await open('');
  await page.click('#prompt');
  check(await waitState(page, WEB.RUNNING, 5000) && await page.evaluate(() => zap.output()) === 2,
        'the demo runs with sound');
  await page.evaluate(() => SDL.audioContext.suspend());  // as a browser does to a page it silences
  await page.waitForTimeout(3500);
  const out = await page.evaluate(() => [zap.output(), SDL.audioContext.state]);
  const p0 = await position(page);
  await page.waitForTimeout(1500);
  const p1 = await position(page);
  check(out[0] === 0 && p1 >= p0 + 8,
        `with the audio output ${out[1]}, the music goes on silently (output ${out[0]}, position ${p0} -> ${p1} in 1.5 s)`);
  await page.close();
  console.log(`     run 3: ${((Date.now() - t0) / 1000).toFixed(1)} s`);
}

// ---- 4. The picture on the sound ---------------------------------------------------
// Over 10 s of playback, at every frame: the position the frame showed (the
// frame log) against the sample Web Audio reports as being output then
// (zap.heard(), from the output's timestamp and the page's own record of the
// buffers' start times). The music's tick record gives each position's span
// of samples; a frame is off by how far the sample heard lies outside the span
// of the position it showed (0 inside it), in ms, positive when the picture is
// ahead of the sound.
{
  const t0 = Date.now();
  const page = await open('');
  await page.click('#prompt');
  check(await waitState(page, WEB.RUNNING, 5000), 'the demo runs with sound');
  await page.waitForTimeout(500);
  await page.evaluate(() => {
    window.avsync = { frames: [], ticks: new Map() };
    Module.zapFrame = () => {
      for (const [s, p] of zap.ticks()) avsync.ticks.set(s, p);
      const h = zap.heard();
      if (h) avsync.frames.push([zap.shown(), h.sample, Module._web_heard_handed() >>> 0]);
    };
  });
  await page.waitForTimeout(10000);
  const got = await page.evaluate(() => {
    Module.zapFrame = null;
    const c = SDL.audioContext;
    return { frames: avsync.frames, ticks: [...avsync.ticks].sort((a, b) => a[0] - b[0]), rate: SDL.audio.freq,
             latency: [c.baseLatency, c.outputLatency] };
  });
  await page.close();
  // Each position's spans: from its first tick to the next tick with another position.
  const spans = [];
  for (const [s, p] of got.ticks) {
    const last = spans[spans.length - 1];
    if (last && last.pos === p) continue;
    if (last) last.end = s;
    spans.push({ pos: p, start: s, end: Infinity });
  }
  const offs = [];
  let unknown = 0;
  for (const [pos, h] of got.frames) {
    let best = null;
    for (const sp of spans) {
      if (sp.pos !== pos) continue;
      const d = h < sp.start ? sp.start - h : h >= sp.end ? sp.end - 1 - h : 0;
      if (best === null || Math.abs(d) < Math.abs(best)) best = d;
    }
    if (best === null) unknown++;
    else offs.push((1000 * best) / got.rate);
  }
  const abs = offs.map(Math.abs).sort((a, b) => a - b);
  const median = abs.length ? abs[Math.floor(abs.length / 2)] : NaN;
  const max = abs.length ? abs[abs.length - 1] : NaN;
  const ahead = offs.filter((d) => d > 0).length;
  console.log(`picture vs sound: median ${median.toFixed(1)} ms, max ${max.toFixed(1)} ms over ${offs.length} frames`);
  const queued = got.frames.map(([, h, handed]) => (1000 * (handed - h)) / got.rate).sort((a, b) => a - b);
  console.log(`     picture ahead of the sound in ${ahead} frames, behind in ${offs.filter((d) => d < 0).length}; ` +
              `sound handed over but not yet heard: median ${queued[queued.length >> 1].toFixed(1)} ms ` +
              `(base latency ${(1000 * got.latency[0]).toFixed(1)} ms, output latency ${(1000 * got.latency[1]).toFixed(1)} ms)`);
  check(offs.length >= 300 && unknown === 0,
        `every frame's position is in the tick record (${offs.length} frames, ${unknown} not found)`);
  check(max <= AV_GOAL_MS, `the picture shows the sound heard within ${AV_GOAL_MS} ms (max ${max.toFixed(1)} ms)`);
  console.log(`     run 4: ${((Date.now() - t0) / 1000).toFixed(1)} s`);
}

// ---- 5. A start at scene 10 (?scene=10), and full screen (the F key) -------------
{
  const t0 = Date.now();
  const page = await open('?scene=10');
  await page.click('#prompt');
  check(await waitState(page, WEB.RUNNING, 5000), 'the start at scene 10 runs');
  await page.waitForTimeout(500);
  const log = await page.evaluate(() => zap.log());
  const first = log.length > 1 ? log[1][0] : -1;  // log[0] is the frame before the click
  check(first >= 2300 && first < 2400, `the first frame after the click is scene 10's (position ${first})`);
  const fit = () => page.evaluate(() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    const fs = document.fullscreenElement;
    return { fs: fs ? fs.id : null, w: Math.round(r.width), h: Math.round(r.height), vw: innerWidth, vh: innerHeight };
  });
  await page.keyboard.press('f');
  await page.waitForFunction(() => document.fullscreenElement !== null, null, { timeout: 3000 }).catch(() => {});
  const full = await fit();
  check(full.fs === 'screen' && Math.abs(full.w * 3 - full.h * 4) <= 4 &&
        (Math.abs(full.w - full.vw) <= 1 || Math.abs(full.h - full.vh) <= 1),
        `F shows the picture on the whole page in its 4:3 shape (${JSON.stringify(full)})`);
  await page.keyboard.press('f');
  await page.waitForFunction(() => document.fullscreenElement === null, null, { timeout: 3000 }).catch(() => {});
  check((await fit()).fs === null && await state(page) === WEB.RUNNING, 'F again leaves full screen; the demo runs on');
  await page.close();
  console.log(`     run 5: ${((Date.now() - t0) / 1000).toFixed(1)} s`);
}

// ---- 6. The gentle version: reduced motion, ?gentle=, the switch ---------------------
{
  const t0 = Date.now();
  const reduce = { reducedMotion: 'reduce' };
  // [what, query, page options, switch clicks before the start, switch wanted, gentle show wanted]
  const cases = [
    ['reduced motion', '?timescale=25', reduce, 0, true],
    ['reduced motion, the switch clicked off', '?timescale=25', reduce, 1, false],
    ['?gentle=1', '?timescale=25&gentle=1', {}, 0, true],
    ['?gentle=0 with reduced motion', '?timescale=25&gentle=0', reduce, 0, false],
    ['the switch clicked on', '?timescale=25', {}, 1, true],
    ['the switch clicked on and off', '?timescale=25', {}, 2, false],
  ];
  for (const [what, query, options, clicks, want] of cases) {
    const page = await open(query, options);
    for (let i = 0; i < clicks; i++) await page.click('#gentle');
    check(await state(page) === WEB.READY, `${what}: the switch does not start the show`);
    check(await page.evaluate(() => zap.gentleSwitch()) === want, `${what}: the switch is ${want ? 'on' : 'off'}`);
    await page.click('#prompt');
    check(await waitState(page, WEB.RUNNING, 5000), `${what}: the click starts the show`);
    const got = await page.evaluate(() => zap.gentle());
    check(got === (want ? 1 : 0), `${what}: the program plays the ${want ? 'gentle' : 'default'} show (${got})`);
    if (what === 'reduced motion') {
      // The switch decides again before "play again".
      await page.keyboard.press('Escape');
      check(await waitState(page, WEB.ENDED, 3000), `${what}: Escape ends it`);
      await page.click('#gentle');
      await page.click('#prompt');
      check(await waitState(page, WEB.RUNNING, 5000) && await page.evaluate(() => zap.gentle()) === 0,
            `${what}: the switch clicked off before "play again" plays the default show`);
    }
    await page.close();
  }
  console.log(`     run 6: ${((Date.now() - t0) / 1000).toFixed(1)} s`);
}

await browser.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
