// Drives Debian's Chromium for the page inspector's end-to-end test: starts it headless on a given
// profile with the Hookwise extension loaded, opens a page and reports where the tab ends up.
//
// Usage: node e2e.js CONFIG.json, where CONFIG holds
//   extensionDir, profileDir, pageUrl      what to load
//   expect: "warning" | "stay"             wait for the warning page, or for markerFile
//   markerFile                             written by the test once the tray program answered
//   timeoutMs                              the longest wait
// Prints one JSON line: {"finalUrl": ..., "title": ..., "text": ...}; exits non-zero on failure.
'use strict';

const fs = require('fs');
const { chromium } = require('playwright-core');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function waitFor(predicate, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    if (await predicate()) return true;
    await sleep(100);
  }
  return false;
}

async function main() {
  const config = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
  const context = await chromium.launchPersistentContext(config.profileDir, {
    executablePath: '/usr/bin/chromium',
    headless: false, // the new headless mode is asked for below
    args: [
      '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--no-first-run', '--disable-sync',
      `--disable-extensions-except=${config.extensionDir}`, `--load-extension=${config.extensionDir}`,
    ],
    timeout: config.timeoutMs,
  });
  try {
    // The extension's service worker starts the native host; the page waits for both.
    if (context.serviceWorkers().length === 0)
      await context.waitForEvent('serviceworker', { timeout: config.timeoutMs });
    const page = await context.newPage();
    await page.goto(config.pageUrl);

    let settled;
    if (config.expect === 'warning') {
      settled = await waitFor(() => page.url().endsWith('/hkwpm.htm'), config.timeoutMs);
      if (settled) await page.waitForLoadState('load');
    } else {
      settled = await waitFor(() => fs.existsSync(config.markerFile), config.timeoutMs);
      // Any command the host might still send would arrive within this time.
      await sleep(1500);
    }
    const text = await page.evaluate(() => (document.body ? document.body.innerText : ''))
      .catch(() => '');
    const result = { settled, finalUrl: page.url(), title: await page.title().catch(() => ''), text };
    process.stdout.write(JSON.stringify(result) + '\n');
  } finally {
    await context.close();
  }
}

main().catch((error) => {
  process.stderr.write(`e2e: ${error && error.stack ? error.stack : error}\n`);
  process.exit(1);
});
