// Drives Debian's Chromium for the page inspector's end-to-end tests: starts it headless on a given
// profile with the Hookwise extension loaded, runs a list of steps in one tab and reports where
// the tab ends up.
//
// Usage: node e2e.js CONFIG.json, where CONFIG holds
//   extensionDir, profileDir     what to load
//   browserArgs                  further command-line switches of the browser (optional)
//   steps                        what to do, in order; each an object with one of
//     goto: URL                    open URL in the tab
//     visit: URL                   open URL in the tab, which may show another page before it
//                                  has loaded (a blocked page replaced by the warning page)
//     replace: URL                 open URL in place of the tab's page (no history entry)
//     wait: MS                     let MS milliseconds pass
//     warning: true                wait for the warning page
//     marker: FILE                 wait for FILE (written by the test once the tray program
//                                  answered), then 1.5 s for any command still to come
//     fill: SELECTOR, value: TEXT  type TEXT into the field
//     click: SELECTOR              click the element (in the page or any of its frames)
//     waitFor: SELECTOR            wait for the element to appear (in the page or its frames)
//     snapshot: NAME               remember the tab's address and text under NAME
//   pageUrl, expect, markerFile  the older form: goto pageUrl, then "warning" or marker
//   timeoutMs                    the longest wait of a step
// Prints one JSON line: {"settled": ..., "finalUrl": ..., "title": ..., "text": ...,
// "snapshots": {NAME: {url, text}}}; exits non-zero on failure.
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

// The first frame of the page (the page itself first) that has an element for selector.
async function frameWith(page, selector, timeoutMs) {
  let found = null;
  await waitFor(async () => {
    for (const frame of page.frames()) {
      if (await frame.$(selector).catch(() => null)) {
        found = frame;
        return true;
      }
    }
    return false;
  }, timeoutMs);
  if (!found) throw new Error(`no element for ${selector}`);
  return found;
}

const pageText = (page) =>
  page.evaluate(() => (document.body ? document.body.innerText : '')).catch(() => '');

function stepsOf(config) {
  if (config.steps) return config.steps;
  const steps = [{ goto: config.pageUrl }];
  steps.push(config.expect === 'warning' ? { warning: true } : { marker: config.markerFile });
  return steps;
}

async function main() {
  const config = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
  const context = await chromium.launchPersistentContext(config.profileDir, {
    executablePath: '/usr/bin/chromium',
    headless: false, // the new headless mode is asked for below
    args: [
      '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--no-first-run', '--disable-sync',
      // Every page is on this machine: a proxy from the environment must not carry them.
      '--no-proxy-server',
      `--disable-extensions-except=${config.extensionDir}`, `--load-extension=${config.extensionDir}`,
      ...(config.browserArgs || []),
    ],
    timeout: config.timeoutMs,
  });
  try {
    // The extension's service worker starts the native host; the page waits for both.
    const worker = context.serviceWorkers()[0] ||
      (await context.waitForEvent('serviceworker', { timeout: config.timeoutMs }));
    // On a new profile the worker's first run registers its listeners with the browser; events
    // of a navigation that starts before then never reach it.
    await waitFor(() => worker.evaluate(() => chrome.webNavigation.onCommitted.hasListeners())
      .catch(() => false), config.timeoutMs);
    await sleep(500);
    const page = await context.newPage();
    let settled = true;
    const snapshots = {};
    for (const step of stepsOf(config)) {
      if (step.goto) {
        await page.goto(step.goto);
      } else if (step.visit) {
        // Playwright reports the load cut off by the other page as an error.
        await page.goto(step.visit).catch(() => {});
      } else if (step.replace) {
        await page.evaluate((url) => location.replace(url), step.replace);
        await page.waitForURL(step.replace);
      } else if (step.wait) {
        await sleep(step.wait);
      } else if (step.warning) {
        const shown = await waitFor(() => page.url().endsWith('/hkwpm.htm'), config.timeoutMs);
        if (shown) await page.waitForLoadState('load');
        settled = settled && shown;
      } else if (step.marker) {
        settled = settled && (await waitFor(() => fs.existsSync(step.marker), config.timeoutMs));
        // Any command the host might still send would arrive within this time.
        await sleep(1500);
      } else if (step.fill) {
        const frame = await frameWith(page, step.fill, config.timeoutMs);
        await frame.fill(step.fill, step.value);
      } else if (step.click) {
        const frame = await frameWith(page, step.click, config.timeoutMs);
        await frame.click(step.click);
      } else if (step.waitFor) {
        await frameWith(page, step.waitFor, config.timeoutMs);
      } else if (step.snapshot) {
        const frames = [];
        for (const frame of page.frames())
          frames.push(await frame.evaluate(() => (document.body ? document.body.innerText : '')).catch(() => ''));
        snapshots[step.snapshot] = { url: page.url(), text: frames.join('\n') };
      }
    }
    const text = await pageText(page);
    const result = {
      settled, finalUrl: page.url(), title: await page.title().catch(() => ''), text, snapshots,
    };
    process.stdout.write(JSON.stringify(result) + '\n');
  } finally {
    await context.close();
  }
}

main().catch((error) => {
  process.stderr.write(`e2e: ${error && error.stack ? error.stack : error}\n`);
  process.exit(1);
});
