// The web build in a real browser: both pages in headless Chromium on SwiftShader, against
// what the native programs show and print, and the digest tool under node, against the
// recorded digests. Run by `bash scripts/web.sh --test`, which sets:
//   VECMATH_WEB_SITE          the site (build-web/site)
//   VECMATH_WEB_DIGEST_TOOLS  the digest tool of a default build and of a build with
//                             VECMATH_PORTABLE_TRIG, their .js files joined by ':'
//   VECMATH_NATIVE_REFERENCE  the native reference tool (tests/web/native_reference.cpp)
//   VECMATH_WEB_ARTIFACTS     a folder for the pictures (web-swingride.png, web-cockpit.png)
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { after, before, test } from 'node:test';
import { startBrowser } from './chromium.mjs';

const env = (name) => process.env[name] || assert.fail(`${name} is not set`);
const ROOT = join(dirname(fileURLToPath(import.meta.url)), '../..');
const artifacts = env('VECMATH_WEB_ARTIFACTS');

// The cockpit's keys, as characters: turns, moves, turned moves, keys without an action,
// capitals and shifted digits.
const KEYS = ['a', 'd', '4', '6', 'a', 'a', '5', '5', 'd', '8', '2', 'A', 'D', '1', 'x', ' ', '+', '%',
  '!', '6', '5'];

// ---- Pictures ---------------------------------------------------------------------------

// An RGB picture: { width, height, rgb } with three bytes a pixel, rows from the top.
function readPpm(path) {
  const data = readFileSync(path);
  const [, width, height] = data.toString('latin1', 0, 20).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  const rgb = data.subarray(data.length - width * height * 3);
  return { width: Number(width), height: Number(height), rgb };
}
const at = (img, x, y) => img.rgb.subarray((y * img.width + x) * 3, (y * img.width + x) * 3 + 3);
const near = (p, q) => Math.abs(p[0] - q[0]) <= 1 && Math.abs(p[1] - q[1]) <= 1 && Math.abs(p[2] - q[2]) <= 1;
// Pixels of `img` whose colour is `colour`, within 1 in each channel.
const count = (img, colour) => {
  let n = 0;
  for (let i = 0; i < img.rgb.length; i += 3) n += near(img.rgb.subarray(i, i + 3), colour) ? 1 : 0;
  return n;
};
// True when `img` has `colour` (within 1) at (x, y) or at a pixel next to it.
function nearby(img, x, y, colour, reach = 1) {
  for (let dy = -reach; dy <= reach; dy++)
    for (let dx = -reach; dx <= reach; dx++) {
      const u = x + dx, v = y + dy;
      if (u >= 0 && v >= 0 && u < img.width && v < img.height && near(at(img, u, v), colour)) return true;
    }
  return false;
}
// Pixels where `a` and `b` differ by more than 1 in a channel and by more than a pixel's
// shift of an edge, among those for which `counted` holds.
function differences(a, b, counted = () => true) {
  let n = 0;
  for (let y = 0; y < a.height; y++)
    for (let x = 0; x < a.width; x++)
      if (counted(x, y) && (!nearby(b, x, y, at(a, x, y)) || !nearby(a, x, y, at(b, x, y)))) n++;
  return n;
}
const same = (a, b) => Buffer.compare(a.rgb, b.rgb) === 0;

// The canvas as drawn by each of the frames numbered in `targets` (from 1, ascending, none
// drawn yet; with `fromNow`, counted on from the frames drawn so far), taken right after
// the frame's display callback: Module.postMainLoop, which counts the frames, hands them over.
async function frames(page, targets, fromNow = false) {
  const taken = await page.evaluate((numbers, relative) => new Promise((resolve, reject) => {
    const wanted = relative ? numbers.map((n) => Module.framesShown + n) : numbers;
    if (Module.framesShown >= wanted[0]) reject(new Error(`frame ${wanted[0]} is drawn already`));
    const counted = Module.postMainLoop, pictures = [];
    const copy = document.createElement('canvas');
    [copy.width, copy.height] = [Module.canvas.width, Module.canvas.height];
    const context = copy.getContext('2d');
    Module.postMainLoop = () => {
      counted();
      if (Module.framesShown !== wanted[pictures.length]) return;
      context.drawImage(Module.canvas, 0, 0);
      const rgba = context.getImageData(0, 0, copy.width, copy.height).data;
      let text = '';
      for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
      pictures.push(btoa(text));
      if (pictures.length === wanted.length) {
        Module.postMainLoop = counted;
        resolve([copy.width, copy.height, pictures]);
      }
    };
  }), targets, fromNow);
  const [width, height, pictures] = taken;
  return pictures.map((p) => ({ width, height, rgb: Buffer.from(p, 'base64') }));
}
const framesShown = (page) => page.evaluate(() => Module.framesShown);

// The picture at rest: frames two apart until two agree.
async function restingPicture(page) {
  for (;;) {
    const [a, b] = await frames(page, [1, 3], true);
    if (same(a, b)) return a;
  }
}

// ---- The runs ------------------------------------------------------------------------------

let chromium, native;
// Console errors and uncaught errors of a page, kept from its opening on.
const problems = new Map();

async function open(program, setUp) {
  const page = await chromium.browser.newPage();
  // Waits as patient as the native end-to-end tests' (tests/e2e/harness.h, kPatience).
  page.setDefaultTimeout(60000);
  const seen = [];
  page.on('console', (m) => m.type() === 'error' && seen.push(`console: ${m.text()}`));
  page.on('pageerror', (e) => seen.push(`page error: ${e.message}`));
  problems.set(page, seen);
  if (setUp) await setUp(page);
  await page.goto(`${chromium.address}${program}.html`);
  return page;
}

before(async () => {
  const out = join(artifacts, 'native');
  mkdirSync(out, { recursive: true });
  execFileSync(env('VECMATH_NATIVE_REFERENCE'), [out, ...KEYS.map((k) => String(k.charCodeAt(0)))],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  native = {
    ride: readPpm(join(out, 'swingride.ppm')), cockpit: readPpm(join(out, 'cockpit.ppm')),
    rideFrame: Number(readFileSync(join(out, 'swingride.frame'), 'utf8')),
    cockpitKeyed: readPpm(join(out, 'cockpit-keys.ppm')),
    lines: readFileSync(join(out, 'cockpit.out'), 'utf8'),
    status: readFileSync(join(out, 'cockpit.status'), 'utf8').trim(),
  };
  chromium = await startBrowser(env('VECMATH_WEB_SITE'));
});
after(async () => chromium && chromium.close());

// ---- The swing ride ----------------------------------------------------------------------

const GREEN = [0, 153, 0], RED = [255, 0, 0], BLUE = [0, 0, 255], YELLOW = [255, 255, 0];

test('The ride draws the native frame, turns a full turn in 360 frames and changes colour then', async () => {
  // The native picture shows frame `shown`, or the one before (see native_reference.cpp).
  // The page is opened afresh until it has not drawn that one yet.
  const shown = native.rideFrame;
  let page, pictures;
  for (let attempt = 1; !pictures; attempt++) {
    page = await open('swingride');
    await page.waitForFunction(() => Module.framesShown >= 1);
    await page.screenshot({ path: join(artifacts, 'web-swingride.png'), fullPage: true });
    pictures = await frames(page, [shown - 1, shown, shown + 1, shown + 360]).catch((e) => {
      if (attempt === 3 || !/drawn already/.test(e.message)) throw e;
      return page.close();
    });
  }
  const [before, same, next, turned] = pictures;

  // The whole picture, its baskets and ropes included, as the native one at that frame.
  const [wrong, which] = [[differences(before, native.ride), shown - 1], [differences(same, native.ride), shown]]
    .reduce((best, d) => (d[0] < best[0] ? d : best));
  assert.ok(wrong <= 30, `frame ${which}: ${wrong} pixels differ from the native frame ${shown}`);
  const web = which === shown ? same : before;
  for (const [name, colour] of [['green wire frame', GREEN], ['red ropes and X axis', RED],
    ['blue Z axis', BLUE], ['yellow baskets', YELLOW]]) {
    const [n, expected] = [count(web, colour), count(native.ride, colour)];
    assert.ok(expected > 0 && Math.abs(n - expected) <= 0.02 * expected + 2,
      `the ${name}: ${n} pixels, ${expected} natively`);
  }
  assert.ok(differences(same, next) > 50, 'two frames in a row are the same: the ride does not turn');

  // A full turn later the ride is where it was, with the baskets in the colour that the C
  // library's rand() gives after srand(0). The web build's C library is musl, whose rand()
  // is an LCG on 64 bits: srand(s) sets the seed to the unsigned s - 1, and rand() makes it
  // 6364136223846793005 * seed + 1 and returns seed >> 33.
  let seed = 0xffffffffn;
  const channel = () => {
    seed = BigInt.asUintN(64, 6364136223846793005n * seed + 1n);
    return Math.round(Number((seed >> 33n) % 100n) / 100 * 255);
  };
  const colour = [channel(), channel(), channel()];
  assert.equal(count(turned, YELLOW), 0, 'yellow baskets after the first full turn');
  assert.ok(count(turned, colour) >= 0.9 * count(same, YELLOW), `too few baskets in ${colour}`);
  let moved = 0;
  for (let y = 0; y < same.height; y++)
    for (let x = 0; x < same.width; x++) {
      const was = at(same, x, y), is = at(turned, x, y);
      if (!(near(was, YELLOW) ? near(is, colour) : near(was, is))) moved++;
    }
  assert.equal(moved, 0, `frame ${shown + 360} is not frame ${shown} a full turn later`);
  assert.deepEqual(problems.get(page), []);
});

// ---- The cockpit -----------------------------------------------------------------------------

// Presses the key of character `c` as a user would: capitals and "+", "%", "!" with Shift.
async function press(page, c) {
  const shift = /[A-Z+%!]/.test(c);
  if (shift) await page.keyboard.down('Shift');
  await page.keyboard.press(c === ' ' ? 'Space' : c);
  if (shift) await page.keyboard.up('Shift');
}
const printed = (page) => page.$eval('#output', (o) => o.textContent);
const cameraLines = (text) => text.split('\n').filter((l) => l.startsWith('(')).length;

// The cockpit's picture as the native one, up to 1 in each channel and a pixel's shift of
// an edge, with its panel, dial and axes all there.
function expectCockpit(web, nativePicture, when) {
  const wrong = differences(web, nativePicture);
  assert.ok(wrong <= 20, `${when}: ${wrong} pixels differ from the native picture`);
  const parts = [['panel', [76, 76, 76]], ['dial', [51, 51, 51]], ['red X axis', RED],
    ['green Y axis', [0, 255, 0]], ['blue Z axis', BLUE]];
  for (const [name, colour] of parts) {
    const [n, expected] = [count(web, colour), count(nativePicture, colour)];
    assert.ok(expected > 0 && Math.abs(n - expected) <= 0.02 * expected + 2,
      `${when}: the ${name} has ${n} pixels, ${expected} natively`);
  }
}

test('The cockpit draws, answers and prints as the native one, and ends on Escape', async () => {
  const page = await open('cockpit');
  const lines = [];
  page.on('console', (m) => m.type() === 'log' && lines.push(m.text()));
  expectCockpit(await restingPicture(page), native.cockpit, 'at rest');

  for (const [k, key] of KEYS.entries()) {
    await press(page, key);
    await page.waitForFunction((n) => document.getElementById('output').textContent
      .split('\n').filter((l) => l.startsWith('(')).length > n, {}, k);
  }
  const text = await printed(page);
  assert.equal(text, native.lines);
  assert.equal(lines.map((l) => `${l}\n`).join(''), native.lines, 'the console has other lines');
  expectCockpit(await restingPicture(page), native.cockpitKeyed, 'after the keys');
  await page.screenshot({ path: join(artifacts, 'web-cockpit.png'), fullPage: true });

  await press(page, 'Escape');
  await page.waitForFunction(() => document.body.dataset.ended === 'yes');
  assert.equal(await page.$eval('#status', (s) => s.textContent), 'The cockpit has ended (exit status 0).');
  assert.equal(native.status, '0');
  // Ten animation frames later, no frame has been drawn and no key is answered.
  const drawn = await framesShown(page);
  await press(page, '5');
  await page.evaluate(() => new Promise((resolve) => {
    let left = 10;
    const next = () => (--left ? requestAnimationFrame(next) : resolve());
    requestAnimationFrame(next);
  }));
  assert.equal(await framesShown(page), drawn, 'frames drawn after Escape');
  assert.equal(await printed(page), text, 'lines printed after Escape');
  assert.equal(cameraLines(text), KEYS.length);
  assert.deepEqual(problems.get(page), []);
});

test('The cockpit ends at once with a clear message where the browser has no WebGL', async () => {
  const page = await open('cockpit', (p) => p.evaluateOnNewDocument(() => {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, options) {
      return /webgl/.test(type) ? null : getContext.call(this, type, options);
    };
  }));
  await page.waitForFunction(() => document.body.dataset.ended === 'yes');
  assert.equal(await page.$eval('#status', (s) => s.textContent), 'The cockpit has ended (exit status 1).');
  const message = 'cockpit: cannot start: failed to create a WebGL context: this browser has WebGL switched off or lacks it';
  assert.equal(await printed(page), `${message}\n`);
  assert.deepEqual(problems.get(page), [`console: ${message}`]);
});

// ---- The digests under node ------------------------------------------------------------------

test('The digest tool under node prints the recorded digests, by default and with portable trig', () => {
  const recorded = readFileSync(join(ROOT, 'tests/CMakeLists.txt'), 'utf8');
  const digest = (name) => recorded.match(new RegExp(`set\\(${name} ([0-9a-f]{16})\\)`))[1];
  const [defaultTool, trigTool] = env('VECMATH_WEB_DIGEST_TOOLS').split(':');
  const run = (tool) => {
    const out = execFileSync(process.execPath, ['--no-experimental-fetch', tool], { encoding: 'utf8' });
    console.log(`${tool}:\n${out}`);
    return Object.fromEntries([...out.matchAll(/^(\w+) +([0-9a-f]{16}) /gm)].map((m) => [m[1], m[2]]));
  };
  const byDefault = run(defaultTool), withTrig = run(trigTool);
  assert.equal(byDefault.exact, digest('VECMATH_EXACT_DIGEST'));
  assert.equal(byDefault.portable, digest('VECMATH_PORTABLE_DIGEST'));
  assert.equal(withTrig.exact, digest('VECMATH_EXACT_DIGEST'));
  assert.equal(withTrig.portable, digest('VECMATH_PORTABLE_DIGEST'));
  assert.equal(withTrig.trigonometric, digest('VECMATH_PORTABLE_TRIG_DIGEST'));
});
