// web_fps.mjs: how many frames per second a program's web page draws in headless Chromium
// on SwiftShader, counted by the page (Module.framesShown). Run by scripts/bench-web-fps.sh.
//
//   node bench/web_fps.mjs SITE PROGRAM SECONDS
import { openProgram, startBrowser } from '../tests/web/chromium.mjs';

const [site, program, seconds] = process.argv.slice(2);
const { browser, address, close } = await startBrowser(site);
try {
  // The count starts after the first frames, once the page has loaded and compiled.
  const page = await openProgram(browser, address, program, 10);
  const count = () => page.evaluate(() => [Module.framesShown, performance.now()]);
  const [f0, t0] = await count();
  await new Promise((resolve) => setTimeout(resolve, Number(seconds) * 1000));
  const [f1, t1] = await count();
  const s = (t1 - t0) / 1000;
  console.log(`${program} (web): ${f1 - f0} frames in ${s.toFixed(2)} s = ${((f1 - f0) / s).toFixed(1)} frames/s (timer: 62.5 ticks/s)`);
} finally {
  await close();
}
