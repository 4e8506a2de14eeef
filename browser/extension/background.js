// Hookwise page inspector, browser side. Asks the Hookwise native host about every web page a tab
// opens; tells it, tab by tab and in order, when a frame's navigation commits, fails or its
// document completes, when a frame's page has changed and settled without a navigation (page.js),
// and when a tab closes; carries out the host's commands on the tab (stop, editing commands) and
// answers its requests (the page of a frame as it is now; show the warning page, go back, reload,
// each with whether it worked).
'use strict';

const HOST_NAME = 'com.corvane.hookwise';
// Longer texts are cut: a message to the host may not exceed 64 MiB, and a character may take up
// to three bytes in UTF-8.
const MAX_CAPTURE_CHARS = 8 * 1024 * 1024;
// How long the warning page may take to appear before the host falls back to going back.
const NAVIGATION_TIMEOUT_MS = 8000;

let port = null;
let nextId = 1;
const eventQueues = new Map(); // tab id -> promise of its last event, so events stay in order
const commandQueues = new Map(); // tab id -> promise of its last command

function connect() {
  if (port) return port;
  try {
    port = chrome.runtime.connectNative(HOST_NAME);
  } catch (error) {
    console.warn('Hookwise: cannot start the native host:', error);
    port = null;
    return null;
  }
  port.onMessage.addListener(onHostMessage);
  port.onDisconnect.addListener(() => {
    const error = chrome.runtime.lastError;
    if (error) console.warn('Hookwise: native host disconnected:', error.message);
    port = null;
    forgetPageChecks();
  });
  return port;
}

// Sends a message to the host; its id, or 0 when the host cannot be reached.
function post(message) {
  const target = connect();
  if (!target) return 0;
  message.id = nextId++;
  try {
    target.postMessage(message);
    return message.id;
  } catch (error) {
    console.warn('Hookwise: cannot reach the native host:', error);
    port = null;
    forgetPageChecks();
    return 0;
  }
}

// Runs task after every earlier task of the same tab in queues; a failing task does not stop the
// ones after it.
function enqueue(queues, tabId, task) {
  const previous = queues.get(tabId) || Promise.resolve();
  const next = previous.then(task).catch((error) => console.warn('Hookwise:', error));
  queues.set(tabId, next);
  next.then(() => {
    if (queues.get(tabId) === next) queues.delete(tabId);
  });
  return next;
}

// The page of one frame as it is now (page.js's read), or nothing when it cannot be read (browser
// pages, other extensions, a frame or tab that went away).
async function capture(tabId, frameId) {
  const target = { tabId, frameIds: [frameId] };
  const readPage = (limit) =>
    typeof globalThis.hookwisePage === 'object' ? globalThis.hookwisePage.read(limit) : null;
  try {
    let [result] = await chrome.scripting.executeScript({ target, func: readPage, args: [MAX_CAPTURE_CHARS] });
    if (!result || !result.result) {
      // A page opened before the extension started has no page script yet.
      await chrome.scripting.executeScript({ target, files: ['page.js'] });
      [result] = await chrome.scripting.executeScript({ target, func: readPage, args: [MAX_CAPTURE_CHARS] });
    }
    return result && result.result ? result.result : {};
  } catch (error) {
    return {};
  }
}

// A frame's site: its scheme and host (local files are one site). Frames without an address of
// their own (about:blank, about:srcdoc) belong to the page that made them.
function siteOf(url) {
  try {
    const parsed = new URL(url);
    if (parsed.protocol === 'about:') return null;
    return parsed.protocol === 'file:' ? 'file:' : parsed.origin;
  } catch (error) {
    return null;
  }
}

async function sameSiteAsTop(tabId, frameUrl) {
  const site = siteOf(frameUrl);
  if (site === null) return true;
  try {
    const top = await chrome.webNavigation.getFrame({ tabId, frameId: 0 });
    return !!top && siteOf(top.url) === site;
  } catch (error) {
    return false;
  }
}

// Prerendered pages are not shown yet; they are reported when they are.
function isShown(details) {
  return details.tabId >= 0 && details.documentLifecycle !== 'prerender';
}

// ---- the pages a tab opens ----

// Every web page a tab opens is checked by the host, which reports a listed one to the tray
// program and, when that blocks it, replaces it by the warning page. The navigation is not held
// while the host decides (no extension can hold one and wait), so a missing host lets every page
// load. The question goes out when the navigation starts, and again when it commits at another
// address (a redirect); one navigation asks once per address.
// tab id -> {url, id}: the latest address asked about, and the id of its question while that is
// unanswered (0 once answered).
const pageChecks = new Map();
const pendingChecks = new Map(); // message id -> tab id, for questions still unanswered

function isWebAddress(url) {
  return /^https?:/i.test(url);
}

function checkPage(details, starting) {
  if (!isShown(details) || details.frameId !== 0 || !isWebAddress(details.url)) return;
  const last = pageChecks.get(details.tabId);
  // A navigation that starts while the same address is being asked about (a reload) is the
  // same question; the commit of the address its start asked about needs no second one.
  if (last && last.url === details.url && (last.id !== 0 || !starting)) return;
  const id = post({ type: 'url', tab: details.tabId, url: details.url });
  pageChecks.set(details.tabId, { url: details.url, id });
  if (id !== 0) pendingChecks.set(id, details.tabId);
}

// The answer to question id came; a later question of the tab stays unanswered.
function pageChecked(id) {
  const tabId = pendingChecks.get(id);
  if (tabId === undefined) return;
  pendingChecks.delete(id);
  const last = pageChecks.get(tabId);
  if (last && last.id === id) last.id = 0;
}

// The host went away: no answer will come, and the next navigation asks the new host.
function forgetPageChecks() {
  pendingChecks.clear();
  for (const last of pageChecks.values()) last.id = 0;
}

chrome.webNavigation.onBeforeNavigate.addListener((details) => checkPage(details, true));

chrome.webNavigation.onCommitted.addListener((details) => {
  if (!isShown(details)) return;
  checkPage(details, false);
  for (const waiter of navigationWaiters) waiter(details, true);
  enqueue(eventQueues, details.tabId, () =>
    post({ type: 'navigate', tab: details.tabId, frame: details.frameId, url: details.url }));
});

chrome.webNavigation.onCompleted.addListener((details) => {
  if (!isShown(details)) return;
  enqueue(eventQueues, details.tabId, () =>
    post({ type: 'document', tab: details.tabId, frame: details.frameId, url: details.url }));
});

// A navigation that failed, and a frame removed before it completed (reported as aborted): the
// frame will not complete.
chrome.webNavigation.onErrorOccurred.addListener((details) => {
  if (!isShown(details)) return;
  for (const waiter of navigationWaiters) waiter(details, false);
  enqueue(eventQueues, details.tabId, () =>
    post({ type: 'error', tab: details.tabId, frame: details.frameId, url: details.url }));
});

// Same-document navigations (how single-page web mail opens a message): the frame's page script
// reports the page once it has settled.
function sameDocument(details) {
  if (!isShown(details)) return;
  chrome.scripting.executeScript({
    target: { tabId: details.tabId, frameIds: [details.frameId] },
    func: () => globalThis.hookwisePage && globalThis.hookwisePage.nudge(),
  }).catch(() => {});
}
chrome.webNavigation.onHistoryStateUpdated.addListener(sameDocument);
chrome.webNavigation.onReferenceFragmentUpdated.addListener(sameDocument);

// A frame's page changed and settled; an inner frame counts only when it shows the same site as
// the tab (a mail in a frame of the mail site, not an advertisement).
chrome.runtime.onMessage.addListener((message, sender) => {
  if (!message || message.type !== 'hookwise-settled' || !sender.tab) return;
  const tabId = sender.tab.id;
  const frameId = sender.frameId || 0;
  const url = sender.url || '';
  enqueue(eventQueues, tabId, async () => {
    if (frameId !== 0 && !(await sameSiteAsTop(tabId, url))) return;
    post({ type: 'settled', tab: tabId, frame: frameId, url, text: String(message.text) });
  });
});

function tabClosed(tabId) {
  pageChecks.delete(tabId);
  enqueue(eventQueues, tabId, () => post({ type: 'quit', tab: tabId }));
}

chrome.tabs.onRemoved.addListener((tabId) => tabClosed(tabId));
chrome.tabs.onReplaced.addListener((addedTabId, removedTabId) => tabClosed(removedTabId));

// ---- commands of the host ----

function runInPage(tabId, func, args) {
  return chrome.scripting.executeScript({ target: { tabId, frameIds: [0] }, func, args });
}

function pageStop() {
  window.stop();
}

function pageCommand(command) {
  try {
    document.execCommand(command);
  } catch (error) {
    // A command the page does not know changes nothing.
  }
}

// Callbacks waiting for a top frame's navigation to commit or fail.
const navigationWaiters = new Set();

// Navigates the tab and resolves with whether the new page committed.
function navigateTab(tabId, url) {
  return new Promise((resolve) => {
    let timer = null;
    const done = (ok) => {
      navigationWaiters.delete(waiter);
      clearTimeout(timer);
      resolve(ok);
    };
    // Only the outcome of this navigation counts: the one it replaces (a blocked page still
    // loading) fails as it is cut off.
    const waiter = (details, committed) => {
      if (details.tabId !== tabId || details.frameId !== 0) return;
      if (details.url === url || details.url.startsWith(url)) done(committed);
    };
    navigationWaiters.add(waiter);
    timer = setTimeout(() => done(false), NAVIGATION_TIMEOUT_MS);
    chrome.tabs.update(tabId, { url }).catch(() => done(false));
  });
}

// Firefox lets no extension open a file: address in a tab: there the warning page is shown from
// the copy installed with the extension.
const OPENS_FILE_PAGES = !chrome.runtime.getURL('').startsWith('moz-extension:');

function warningPageUrl(url) {
  if (OPENS_FILE_PAGES || !url.startsWith('file:')) return url;
  return chrome.runtime.getURL(url.split('/').pop());
}

// Shows the warning page. The extension's own copy is shown when it is there; no navigation
// event tells of an extension page, so the tab's update is its outcome.
async function showWarningPage(tabId, url) {
  const page = warningPageUrl(url);
  if (page === url) return navigateTab(tabId, url);
  const present = await fetch(page).then((response) => response.ok, () => false);
  return present && chrome.tabs.update(tabId, { url: page }).then(() => true, () => false);
}

// Carries out one command; a request (one with "call") resolves with its reply's members.
async function runCommand(command) {
  const tabId = command.tab;
  switch (command.op) {
    case 'stop':
      await runInPage(tabId, pageStop, []).catch(() => {});
      return null;
    case 'capture':
      return capture(tabId, typeof command.frame === 'number' ? command.frame : 0);
    case 'navigate':
      return { ok: await showWarningPage(tabId, String(command.url)) };
    case 'goBack':
      // Without an earlier page this fails, and the host decides what comes next.
      return { ok: await chrome.tabs.goBack(tabId).then(() => true, () => false) };
    case 'refresh':
      return { ok: await chrome.tabs.reload(tabId).then(() => true, () => false) };
    case 'execCommand':
      await runInPage(tabId, pageCommand, [String(command.command)]).catch(() => {});
      return null;
    default:
      return null;
  }
}

function onHostMessage(message) {
  if (message && message.type === 'done') pageChecked(message.id);
  if (!message || message.type !== 'command' || typeof message.tab !== 'number') return;
  const call = message.call;
  // Requests (those with "call") are answered with their outcome; all run in the tab's order, so
  // the warning page is shown only after the page was stopped.
  enqueue(commandQueues, message.tab, async () => {
    let reply = null;
    try {
      reply = await runCommand(message);
    } finally {
      if (typeof call === 'number' && port)
        port.postMessage(Object.assign({}, reply, { type: 'reply', call }));
    }
  });
}

// Start the host with the browser, so the first page does not wait for it.
connect();
