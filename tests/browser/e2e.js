// Drives Debian's Chromium or Firefox ESR for the page inspector's end-to-end tests: starts the
// browser headless on a given profile with the Hookwise extension loaded, runs a list of steps in
// one tab and reports where the tab ends up.
//
// Chromium is driven through playwright-core (no browser of its own). Firefox is driven through
// its own remote protocol, Marionette (length-prefixed JSON over TCP; no driver package needed),
// and gets the extension as a temporary add-on. Firefox grants a temporary extension its host
// permissions for web pages, not for file: pages, so it is given a file: page over HTTP from the
// page's folder (on 127.0.0.1, a free port); the result's "served" tells where.
//
// Usage: node e2e.js CONFIG.json, where CONFIG holds
//   browser                      "chromium" (the default) or "firefox"
//   program                      the browser's program (default /usr/bin/chromium or
//                                /usr/bin/firefox-esr)
//   extensionDir, profileDir     what to load
//   testHost                     a host name the browser finds at 127.0.0.1, whose untrusted
//                                certificate it accepts and whose HTTP addresses stay HTTP
//                                (optional)
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
//     click: SELECTOR              click the element
//     waitFor: SELECTOR            wait for the element to appear (in the page or its frames)
//     snapshot: NAME               remember the tab's address and text (of the page and its
//                                  frames) under NAME
//                                A SELECTOR is a CSS selector, or an XPath expression when it
//                                starts with '/'.
//   timeoutMs                    the longest wait of a step
// Prints one JSON line: {"settled": ..., "finalUrl": ..., "title": ..., "text": ...,
// "snapshots": {NAME: {url, text}}, "served": {FILE URL: HTTP URL}}; exits non-zero on failure.
'use strict';

const fs = require('fs');
const http = require('http');
const net = require('net');
const path = require('path');
const { spawn } = require('child_process');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function waitFor(predicate, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    if (await predicate()) return true;
    await sleep(100);
  }
  return false;
}

// ---- Chromium ----

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

const bodyText = () => (document.body ? document.body.innerText : '');

async function openChromium(config) {
  const { chromium } = require('playwright-core');
  const testHost = config.testHost
    ? [`--host-resolver-rules=MAP ${config.testHost} 127.0.0.1`, '--ignore-certificate-errors',
      '--disable-features=HttpsUpgrades']
    : [];
  const context = await chromium.launchPersistentContext(config.profileDir, {
    executablePath: config.program || '/usr/bin/chromium',
    headless: false, // the new headless mode is asked for below
    args: [
      '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--no-first-run', '--disable-sync',
      // Every page is on this machine: a proxy from the environment must not carry them.
      '--no-proxy-server',
      `--disable-extensions-except=${config.extensionDir}`, `--load-extension=${config.extensionDir}`,
      ...testHost,
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
  } catch (error) {
    await context.close();
    throw error;
  }
  const page = await context.newPage();
  return {
    goto: (url) => page.goto(url),
    // Playwright reports the load cut off by the other page as an error.
    visit: (url) => page.goto(url).catch(() => {}),
    replace: async (url) => {
      await page.evaluate((to) => location.replace(to), url);
      await page.waitForURL(url);
    },
    url: async () => page.url(),
    title: () => page.title().catch(() => ''),
    text: () => page.evaluate(bodyText).catch(() => ''),
    textOfFrames: async () => {
      const texts = [];
      for (const frame of page.frames()) texts.push(await frame.evaluate(bodyText).catch(() => ''));
      return texts.join('\n');
    },
    warningShown: () => page.waitForLoadState('load'),
    fill: async (selector, value) =>
      (await frameWith(page, selector, config.timeoutMs)).fill(selector, value),
    click: async (selector) => (await frameWith(page, selector, config.timeoutMs)).click(selector),
    waitFor: (selector) => frameWith(page, selector, config.timeoutMs),
    served: {},
    close: () => context.close(),
  };
}

// ---- Firefox ----

// Preferences for a quiet test profile; port 0 lets Marionette pick a free port, which it writes
// into the profile's MarionetteActivePort file.
const FIREFOX_PREFS = {
  'marionette.port': 0,
  'browser.shell.checkDefaultBrowser': false,
  'browser.startup.homepage_override.mstone': 'ignore',
  'browser.startup.page': 0,
  'datareporting.policy.dataSubmissionEnabled': false,
  'toolkit.telemetry.reportingpolicy.firstRun': false,
  'app.update.disabledForTesting': true,
  'extensions.update.enabled': false,
  'extensions.getAddons.cache.enabled': false,
  'browser.aboutwelcome.enabled': false,
  'network.captive-portal-service.enabled': false,
  'network.connectivity-service.enabled': false,
  // Every page is on this machine: a proxy from the environment must not carry them.
  'network.proxy.type': 0,
  'browser.safebrowsing.update.enabled': false,
};

class Marionette {
  constructor(socket) {
    this.socket = socket;
    this.buffer = Buffer.alloc(0);
    this.waiting = [];
    this.nextId = 1;
    socket.on('data', (chunk) => {
      this.buffer = Buffer.concat([this.buffer, chunk]);
      this.drain();
    });
  }

  // Frames are "<byte length>:<JSON>".
  drain() {
    for (;;) {
      const colon = this.buffer.indexOf(':');
      if (colon < 0) return;
      const length = Number(this.buffer.subarray(0, colon).toString());
      if (this.buffer.length < colon + 1 + length) return;
      const json = this.buffer.subarray(colon + 1, colon + 1 + length).toString();
      this.buffer = this.buffer.subarray(colon + 1 + length);
      const waiter = this.waiting.shift();
      if (waiter) waiter(JSON.parse(json));
    }
  }

  next() {
    return new Promise((resolve) => this.waiting.push(resolve));
  }

  // Sends [0, id, command, parameters]; the answer is [1, id, error, result].
  async send(command, parameters = {}) {
    const id = this.nextId++;
    const json = Buffer.from(JSON.stringify([0, id, command, parameters]));
    const answer = this.next();
    this.socket.write(`${json.length}:`);
    this.socket.write(json);
    const [, , error, result] = await answer;
    if (error) throw new Error(`${command}: ${error.error}: ${error.message}`);
    return result && Object.prototype.hasOwnProperty.call(result, 'value') ? result.value : result;
  }
}

// Serves the files of folder on 127.0.0.1; resolves to the server once it listens.
function serveFolder(folder) {
  const server = http.createServer((request, response) => {
    const name = path.basename(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    fs.readFile(path.join(folder, name), (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' }).end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// The text of the page and of its inner frames of the same site, one after the other.
const PAGE_AND_FRAMES_TEXT = `
  const texts = [document.body ? document.body.innerText : ''];
  for (const frame of document.querySelectorAll('iframe')) {
    try { texts.push(frame.contentDocument.body.innerText); } catch (error) { texts.push(''); }
  }
  return texts.join('\\n');`;

// Whether the page or one of its inner frames of the same site has an element for arguments[0].
const HAS_ELEMENT = `
  const selector = arguments[0];
  const documents = [document];
  for (const frame of document.querySelectorAll('iframe')) {
    try { if (frame.contentDocument) documents.push(frame.contentDocument); } catch (error) {}
  }
  return documents.some((d) => selector.startsWith('/')
    ? d.evaluate(selector, d, null, XPathResult.FIRST_ORDERED_NODE_TYPE, null).singleNodeValue !== null
    : d.querySelector(selector) !== null);`;

async function openFirefox(config) {
  fs.mkdirSync(config.profileDir, { recursive: true });
  const prefs = Object.assign({}, FIREFOX_PREFS, config.testHost
    ? { 'network.dns.forceResolve': '127.0.0.1', 'dom.security.https_first': false } : {});
  fs.writeFileSync(path.join(config.profileDir, 'user.js'), Object.entries(prefs)
    .map(([k, v]) => `user_pref(${JSON.stringify(k)}, ${JSON.stringify(v)});\n`).join(''));
  const portFile = path.join(config.profileDir, 'MarionetteActivePort');
  fs.rmSync(portFile, { force: true });

  const browser = spawn(config.program || '/usr/bin/firefox-esr',
    ['--headless', '--marionette', '--no-remote', '-profile', config.profileDir],
    { stdio: ['ignore', 'ignore', 'pipe'] });
  let browserLog = '';
  browser.stderr.on('data', (chunk) => { browserLog = (browserLog + chunk).slice(-8000); });
  const exited = new Promise((resolve) => browser.on('exit', resolve));
  const folders = new Map(); // folder -> its HTTP server
  let socket = null;
  const close = async () => {
    if (socket) socket.destroy();
    const timer = setTimeout(() => browser.kill('SIGKILL'), 10000);
    if (browser.exitCode === null) browser.kill('SIGTERM');
    await exited;
    clearTimeout(timer);
    for (const server of folders.values()) server.close();
  };
  let session;
  try {
    if (!await waitFor(() => fs.existsSync(portFile) && fs.readFileSync(portFile, 'utf8').trim(),
      config.timeoutMs))
      throw new Error(`Firefox did not open its remote port:\n${browserLog}`);
    const port = Number(fs.readFileSync(portFile, 'utf8').trim());
    socket = net.connect(port, '127.0.0.1');
    await new Promise((resolve, reject) => { socket.once('connect', resolve); socket.once('error', reject); });
    session = new Marionette(socket);
    await session.next(); // the server's greeting
    // Marionette takes the capabilities themselves as the parameters.
    await session.send('WebDriver:NewSession',
      config.testHost ? { acceptInsecureCerts: true } : { capabilities: {} });
    await session.send('Addon:Install', { path: config.extensionDir, temporary: true });
    // The background script starts the native host; give it a moment before the page loads.
    await sleep(1000);
  } catch (error) {
    await close();
    throw error;
  }

  const served = {};
  const address = async (url) => {
    if (!url.startsWith('file:')) return url;
    const file = decodeURIComponent(new URL(url).pathname);
    const folder = path.dirname(file);
    if (!folders.has(folder)) folders.set(folder, await serveFolder(folder));
    served[url] = `http://127.0.0.1:${folders.get(folder).address().port}/${path.basename(file)}`;
    return served[url];
  };
  const script = (text, args = []) => session.send('WebDriver:ExecuteScript', { script: text, args });
  const currentUrl = () => session.send('WebDriver:GetCurrentURL').catch(() => '');
  const find = (selector) => session.send('WebDriver:FindElement', selector.startsWith('/')
    ? { using: 'xpath', value: selector } : { using: 'css selector', value: selector });
  const element = async (selector) => {
    let found = null;
    await waitFor(async () => {
      found = await find(selector).catch(() => null);
      return found !== null;
    }, config.timeoutMs);
    if (!found) throw new Error(`no element for ${selector}`);
    return found[Object.keys(found)[0]];
  };
  // A page blocked while it loads is replaced by the warning page, which ends the navigation.
  const navigate = async (url) =>
    session.send('WebDriver:Navigate', { url: await address(url) }).catch(() => {});
  return {
    goto: navigate,
    visit: navigate,
    replace: async (url) => {
      const to = await address(url);
      await script('location.replace(arguments[0]);', [to]);
      if (!await waitFor(async () => (await currentUrl()) === to, config.timeoutMs))
        throw new Error(`the tab did not open ${to}`);
    },
    url: currentUrl,
    title: () => session.send('WebDriver:GetTitle').catch(() => ''),
    text: () => script('return document.body ? document.body.innerText : "";').catch(() => ''),
    textOfFrames: () => script(PAGE_AND_FRAMES_TEXT).catch(() => ''),
    warningShown: () => sleep(500),
    fill: async (selector, value) => {
      const id = await element(selector);
      await session.send('WebDriver:ElementClear', { id });
      await session.send('WebDriver:ElementSendKeys', { id, text: value });
    },
    click: async (selector) => session.send('WebDriver:ElementClick', { id: await element(selector) }),
    waitFor: async (selector) => {
      if (!await waitFor(() => script(HAS_ELEMENT, [selector]).catch(() => false), config.timeoutMs))
        throw new Error(`no element for ${selector}`);
    },
    served,
    close: async () => {
      await session.send('Marionette:Quit', { flags: ['eForceQuit'] }).catch(() => {});
      await close();
    },
  };
}

// ---- the steps ----

async function runSteps(tab, config) {
  let settled = true;
  const snapshots = {};
  for (const step of config.steps) {
    if (step.goto) {
      await tab.goto(step.goto);
    } else if (step.visit) {
      await tab.visit(step.visit);
    } else if (step.replace) {
      await tab.replace(step.replace);
    } else if (step.wait) {
      await sleep(step.wait);
    } else if (step.warning) {
      const shown = await waitFor(async () => (await tab.url()).endsWith('/hkwpm.htm'),
        config.timeoutMs);
      if (shown) await tab.warningShown();
      settled = settled && shown;
    } else if (step.marker) {
      settled = settled && (await waitFor(() => fs.existsSync(step.marker), config.timeoutMs));
      // Any command the host might still send would arrive within this time.
      await sleep(1500);
    } else if (step.fill) {
      await tab.fill(step.fill, step.value);
    } else if (step.click) {
      await tab.click(step.click);
    } else if (step.waitFor) {
      await tab.waitFor(step.waitFor);
    } else if (step.snapshot) {
      snapshots[step.snapshot] = { url: await tab.url(), text: await tab.textOfFrames() };
    }
  }
  return { settled, snapshots };
}

async function main() {
  const config = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
  const open = { chromium: openChromium, firefox: openFirefox }[config.browser || 'chromium'];
  if (!open) throw new Error(`no such browser: ${config.browser}`);
  const tab = await open(config);
  try {
    const { settled, snapshots } = await runSteps(tab, config);
    const result = {
      settled, finalUrl: await tab.url(), title: await tab.title(), text: await tab.text(),
      snapshots, served: tab.served,
    };
    process.stdout.write(JSON.stringify(result) + '\n');
  } finally {
    await tab.close();
  }
}

main().catch((error) => {
  process.stderr.write(`e2e: ${error && error.stack ? error.stack : error}\n`);
  process.exit(1);
});
