// Hookwise page inspector, browser side. Tells the Hookwise native host, tab by tab and in order,
// when a frame's navigation commits, when a frame's document completes (the top frame with the
// text and HTML of its body) and when a tab closes; carries out the host's commands on the tab
// (stop, show the warning page, go back, reload, editing commands).
'use strict';

const HOST_NAME = 'com.corvane.hookwise';
// Longer texts are cut: a message to the host may not exceed 64 MiB, and a character may take up
// to three bytes in UTF-8.
const MAX_CAPTURE_CHARS = 8 * 1024 * 1024;

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
  });
  return port;
}

function post(message) {
  const target = connect();
  if (!target) return;
  message.id = nextId++;
  try {
    target.postMessage(message);
  } catch (error) {
    console.warn('Hookwise: cannot reach the native host:', error);
    port = null;
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

// Runs in the page: the body's rendered text with CR LF line ends, and its HTML.
function readBody(limit) {
  const body = document.body;
  if (!body) return { body: false, text: null, html: '' };
  const text = body.innerText.replace(/\r\n|\r|\n/g, '\r\n');
  return { body: true, text: text.slice(0, limit), html: body.outerHTML.slice(0, limit) };
}

// The top frame's capture, or nothing when the page cannot be read (browser pages, other
// extensions, a tab that went away).
async function capture(tabId) {
  try {
    const [result] = await chrome.scripting.executeScript({
      target: { tabId, frameIds: [0] },
      func: readBody,
      args: [MAX_CAPTURE_CHARS],
    });
    return result && result.result ? result.result : {};
  } catch (error) {
    return {};
  }
}

// Prerendered pages are not shown yet; they are reported when they are.
function isShown(details) {
  return details.tabId >= 0 && details.documentLifecycle !== 'prerender';
}

chrome.webNavigation.onCommitted.addListener((details) => {
  if (!isShown(details)) return;
  enqueue(eventQueues, details.tabId, () =>
    post({ type: 'navigate', tab: details.tabId, frame: details.frameId, url: details.url }));
});

chrome.webNavigation.onCompleted.addListener((details) => {
  if (!isShown(details)) return;
  enqueue(eventQueues, details.tabId, async () => {
    const message = { type: 'document', tab: details.tabId, frame: details.frameId, url: details.url };
    if (details.frameId === 0) Object.assign(message, await capture(details.tabId));
    post(message);
  });
});

function tabClosed(tabId) {
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

async function runCommand(command) {
  const tabId = command.tab;
  switch (command.op) {
    case 'stop':
      await runInPage(tabId, pageStop, []).catch(() => {});
      break;
    case 'navigate':
      await chrome.tabs.update(tabId, { url: command.url }).catch((error) => {
        // Firefox lets no extension open a file: address in a tab; the warning page is then
        // shown from the copy installed with the extension.
        if (!String(command.url).startsWith('file:')) throw error;
        const name = String(command.url).split('/').pop();
        return chrome.tabs.update(tabId, { url: chrome.runtime.getURL(name) });
      });
      break;
    case 'goBack':
      // Without an earlier page there is nothing to go back to: reload instead, as the host
      // would have done had it known.
      await chrome.tabs.goBack(tabId).catch(() => chrome.tabs.reload(tabId));
      break;
    case 'refresh':
      await chrome.tabs.reload(tabId);
      break;
    case 'execCommand':
      await runInPage(tabId, pageCommand, [String(command.command)]).catch(() => {});
      break;
    default:
      break;
  }
}

function onHostMessage(message) {
  if (!message || message.type !== 'command' || typeof message.tab !== 'number') return;
  enqueue(commandQueues, message.tab, () => runCommand(message));
}

// Start the host with the browser, so the first page does not wait for it.
connect();
