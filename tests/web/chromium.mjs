// chromium.mjs: the system's Chromium, headless on SwiftShader, driven by puppeteer-core,
// with the web build's site served on localhost. Shared by the browser test
// (browser_test.mjs) and the web frame rates (bench/web_fps.mjs).
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';
import { serve } from '../../web/serve.mjs';

// Headless as root, WebGL on SwiftShader (Chromium's software GPU), and nothing that would
// reach for the network, which a closed machine makes hang or fail.
const FLAGS = ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-gpu-sandbox', '--disable-background-networking', '--disable-component-update',
  '--disable-sync', '--no-first-run', '--disable-quic'];

/// Starts Chromium (CHROMIUM, default /usr/bin/chromium) with a fresh profile and serves
/// `site`; returns { browser, address, close }.
export async function startBrowser(site) {
  const profile = mkdtempSync(join(tmpdir(), 'vecmath-chromium-'));
  const { server, address } = await serve(site);
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
      args: FLAGS, userDataDir: profile, defaultViewport: { width: 700, height: 600 },
    });
  } catch (e) {
    server.close();
    rmSync(profile, { recursive: true, force: true });
    throw e;
  }
  const close = async () => {
    await browser.close();
    server.close();
    rmSync(profile, { recursive: true, force: true });
  };
  return { browser, address, close };
}

/// Opens a program's page; resolves once it has shown `frames` frames.
export async function openProgram(browser, address, program, frames = 3) {
  const page = await browser.newPage();
  await page.goto(`${address}${program}.html`);
  await page.waitForFunction((n) => window.Module && Module.framesShown >= n, { timeout: 60000 }, frames);
  return page;
}
