// Drives Debian's Firefox ESR for the page inspector's end-to-end test through Firefox's own
// remote protocol, Marionette (length-prefixed JSON over TCP; no driver package needed): starts
// it headless on a given profile, installs the extension as a temporary add-on, opens a page and
// reports where the tab ends up.
//
// Usage: node firefox-e2e.js CONFIG.json, with the same CONFIG as e2e.js (pageUrl, expect and
// markerFile, or steps: goto, wait, warning, fill, click, waitFor, snapshot, where a selector is a
// CSS selector, or an XPath expression when it starts with '/') plus
//   firefox                                the browser program (default /usr/bin/firefox-esr)
//   prefs                                  further preferences of the profile (optional)
//   acceptInsecureCerts                    true: an untrusted certificate is accepted
// A file: pageUrl is served over HTTP on 127.0.0.1 (a free port) from the page's folder: Firefox
// grants a temporary extension its host permissions for web pages, not for file: pages.
// Prints one JSON line: {"settled": ..., "pageUrl": ..., "finalUrl": ..., "title": ...,
// "text": ..., "snapshots": {NAME: {url, text}}}; exits non-zero on failure.
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

// Preferences for a quiet test profile; port 0 lets Marionette pick a free port, which it writes
// into the profile's MarionetteActivePort file.
const PREFS = {
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

// Runs the steps of config in the session's tab; returns {settled, snapshots}.
async function runSteps(session, config) {
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
  const currentUrl = () => session.send('WebDriver:GetCurrentURL').catch(() => '');
  let settled = true;
  const snapshots = {};
  for (const step of config.steps) {
    if (step.goto) {
      await session.send('WebDriver:Navigate', { url: step.goto }).catch(() => {});
    } else if (step.wait) {
      await sleep(step.wait);
    } else if (step.warning) {
      const shown = await waitFor(async () => (await currentUrl()).endsWith('/hkwpm.htm'),
        config.timeoutMs);
      if (shown) await sleep(500);
      settled = settled && shown;
    } else if (step.fill) {
      const id = await element(step.fill);
      await session.send('WebDriver:ElementClear', { id });
      await session.send('WebDriver:ElementSendKeys', { id, text: step.value });
    } else if (step.click) {
      await session.send('WebDriver:ElementClick', { id: await element(step.click) });
    } else if (step.waitFor) {
      await element(step.waitFor);
    } else if (step.snapshot) {
      const text = await session.send('WebDriver:ExecuteScript',
        { script: PAGE_AND_FRAMES_TEXT, args: [] }).catch(() => '');
      snapshots[step.snapshot] = { url: await currentUrl(), text };
    }
  }
  return { settled, snapshots };
}

async function main() {
  const config = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
  let pages = null;
  let pageUrl = config.pageUrl || '';
  if (pageUrl.startsWith('file:')) {
    const file = decodeURIComponent(new URL(pageUrl).pathname);
    pages = await serveFolder(path.dirname(file));
    pageUrl = `http://127.0.0.1:${pages.address().port}/${path.basename(file)}`;
  }
  fs.mkdirSync(config.profileDir, { recursive: true });
  fs.writeFileSync(path.join(config.profileDir, 'user.js'),
    Object.entries(Object.assign({}, PREFS, config.prefs || {})).map(([k, v]) => `user_pref(${JSON.stringify(k)}, ${JSON.stringify(v)});\n`)
      .join(''));
  const portFile = path.join(config.profileDir, 'MarionetteActivePort');
  fs.rmSync(portFile, { force: true });

  const browser = spawn(config.firefox || '/usr/bin/firefox-esr',
    ['--headless', '--marionette', '--no-remote', '-profile', config.profileDir],
    { stdio: ['ignore', 'ignore', 'pipe'] });
  let browserLog = '';
  browser.stderr.on('data', (chunk) => { browserLog = (browserLog + chunk).slice(-8000); });
  const exited = new Promise((resolve) => browser.on('exit', resolve));
  try {
    if (!await waitFor(() => fs.existsSync(portFile) && fs.readFileSync(portFile, 'utf8').trim(),
      config.timeoutMs))
      throw new Error(`Firefox did not open its remote port:\n${browserLog}`);
    const port = Number(fs.readFileSync(portFile, 'utf8').trim());
    const socket = net.connect(port, '127.0.0.1');
    await new Promise((resolve, reject) => { socket.once('connect', resolve); socket.once('error', reject); });
    const session = new Marionette(socket);
    await session.next(); // the server's greeting
    // Marionette takes the capabilities themselves as the parameters.
    await session.send('WebDriver:NewSession',
      config.acceptInsecureCerts ? { acceptInsecureCerts: true } : { capabilities: {} });
    await session.send('Addon:Install', { path: config.extensionDir, temporary: true });
    // The background script starts the native host; give it a moment before the page loads.
    await sleep(1000);
    if (config.steps) {
      const { settled, snapshots } = await runSteps(session, config);
      const result = {
        settled, finalUrl: await session.send('WebDriver:GetCurrentURL').catch(() => ''),
        title: await session.send('WebDriver:GetTitle').catch(() => ''), snapshots,
      };
      process.stdout.write(JSON.stringify(result) + '\n');
      await session.send('Marionette:Quit', { flags: ['eForceQuit'] }).catch(() => {});
      socket.destroy();
      return;
    }
    // A page blocked while it loads is replaced by the warning page, which ends the navigation.
    const navigation = session.send('WebDriver:Navigate', { url: pageUrl });
    if (config.expect === 'warning') await navigation.catch(() => {});
    else await navigation;

    const currentUrl = () => session.send('WebDriver:GetCurrentURL').catch(() => '');
    let settled;
    if (config.expect === 'warning') {
      settled = await waitFor(async () => (await currentUrl()).endsWith('/hkwpm.htm'), config.timeoutMs);
      if (settled) await sleep(500);
    } else {
      settled = await waitFor(() => fs.existsSync(config.markerFile), config.timeoutMs);
      await sleep(1500); // any command the host might still send arrives within this time
    }
    const text = await session.send('WebDriver:ExecuteScript',
      { script: 'return document.body ? document.body.innerText : "";', args: [] }).catch(() => '');
    const result = {
      settled, pageUrl, finalUrl: await currentUrl(),
      title: await session.send('WebDriver:GetTitle').catch(() => ''), text,
    };
    process.stdout.write(JSON.stringify(result) + '\n');
    await session.send('Marionette:Quit', { flags: ['eForceQuit'] }).catch(() => {});
    socket.destroy();
  } finally {
    const timer = setTimeout(() => browser.kill('SIGKILL'), 10000);
    if (browser.exitCode === null) browser.kill('SIGTERM');
    await exited;
    clearTimeout(timer);
    if (pages) pages.close();
  }
}

main().catch((error) => {
  process.stderr.write(`firefox-e2e: ${error && error.stack ? error.stack : error}\n`);
  process.exit(1);
});
