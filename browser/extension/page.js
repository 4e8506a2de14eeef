// Hookwise page inspector, page side: runs in every frame of a page. It reads the frame's page for
// the inspector (its rendered text with CR LF line ends, and its HTML) and tells the extension
// when the page's text has changed and settled (a mail opened by script), so that the mail shown
// now is checked too.
'use strict';

if (typeof globalThis.hookwisePage !== 'object') {
  globalThis.hookwisePage = (() => {
    const QUIET_MS = 400; // a change counts as settled after this long without another
    const MIN_INTERVAL_MS = 1000; // at most one report a second, however busy the page is

    const MAX_LABEL_CHARS = 24;
    const MAX_VALUE_CHARS = 1000;
    const MAX_HEADER_LINES = 50;

    const squeeze = (text) => text.replace(/\s+/g, ' ').trim();

    // A node's text as a header value: a mail address link whose text does not show the address
    // (a display name) reads "name <address>", as the header line of the mail would.
    function valueText(node) {
      if (node.nodeType === Node.TEXT_NODE) return node.nodeValue;
      if (node.nodeType !== Node.ELEMENT_NODE) return '';
      if (node.tagName === 'SCRIPT' || node.tagName === 'STYLE') return '';
      let text = '';
      for (const child of node.childNodes) text += valueText(child);
      const href = node.tagName === 'A' ? node.getAttribute('href') || '' : '';
      if (href.toLowerCase().startsWith('mailto:')) {
        let address = href.slice(7).split('?')[0];
        try {
          address = decodeURIComponent(address);
        } catch (error) {
          // keep it as written
        }
        if (address && !text.toLowerCase().includes(address.toLowerCase()))
          text = squeeze(text) ? `${squeeze(text)} <${address}>` : address;
      }
      return ` ${text} `;
    }

    // A short label such as "From" or "Subject:", without its colon; null for anything longer.
    function labelOf(element) {
      const text = squeeze(element.textContent || '').replace(/\s*:$/, '');
      if (!text || text.length > MAX_LABEL_CHARS || text.split(' ').length > 3) return null;
      return text;
    }

    // Mail headers that a page lays out as label and value in separate elements (a table of
    // two cells a row, a definition list, a label element before its text), some of them shown
    // only on demand: one "Label: value" line each, the form a mail's header lines have.
    function headerLines() {
      const lines = [];
      const add = (labelElement, value) => {
        const label = labelOf(labelElement);
        const text = squeeze(value);
        if (label && text && text.length <= MAX_VALUE_CHARS && lines.length < MAX_HEADER_LINES)
          lines.push(`${label}: ${text}`);
      };
      for (const row of document.body.querySelectorAll('tr')) {
        if (row.cells.length === 2) add(row.cells[0], valueText(row.cells[1]));
      }
      for (const term of document.body.querySelectorAll('dt')) {
        const definition = term.nextElementSibling;
        if (definition && definition.tagName === 'DD') add(term, valueText(definition));
      }
      // A label element first in its parent, ending in ':', followed by the parent's own text.
      for (const parent of document.body.querySelectorAll('h1, h2, h3, h4, div, p, li')) {
        const first = parent.firstElementChild;
        if (!first || first.childElementCount > 0 || !/:\s*$/.test(first.textContent || '')) continue;
        if (squeeze(parent.textContent).indexOf(squeeze(first.textContent)) !== 0) continue;
        let own = '';
        for (const child of parent.childNodes) {
          if (child.nodeType === Node.TEXT_NODE) own += child.nodeValue;
        }
        add(first, own);
      }
      return lines;
    }

    // The frame's page: its rendered text with CR LF line ends, after the header lines the page
    // lays out in pieces, and its HTML.
    function read(limit) {
      const body = document.body;
      if (!body) return { body: false, text: null, html: '' };
      const headers = headerLines();
      const shown = body.innerText;
      const text = (headers.length ? headers.join('\n') + '\n' : '') + shown;
      return {
        body: true,
        text: text.replace(/\r\n|\r|\n/g, '\r\n').slice(0, limit),
        html: body.outerHTML.slice(0, limit),
      };
    }

    let lastText = null;
    let timer = null;
    let lastSent = 0;
    let forced = false;

    function report() {
      timer = null;
      const page = read(8 * 1024 * 1024);
      const force = forced;
      forced = false;
      if (page.text === null || (!force && page.text === lastText)) return;
      lastText = page.text;
      lastSent = Date.now();
      try {
        chrome.runtime.sendMessage({ type: 'hookwise-settled', text: page.text }).catch(() => {});
      } catch (error) {
        // The extension was reloaded or removed: this page has no one to tell.
      }
    }

    function schedule() {
      if (timer !== null) clearTimeout(timer);
      const wait = Math.max(QUIET_MS, lastSent + MIN_INTERVAL_MS - Date.now());
      timer = setTimeout(report, wait);
    }

    // A same-document navigation (pushState, a new #fragment): the page shown is reported once it
    // has settled, even when its text did not change.
    function nudge() {
      forced = true;
      schedule();
    }

    function watch() {
      const observer = new MutationObserver(schedule);
      observer.observe(document.documentElement, {
        childList: true, subtree: true, characterData: true, attributes: false,
      });
      // The top frame's first page is checked when it completes loading; an inner frame's page is
      // checked as its own once it has settled.
      if (window === window.top) lastText = read(8 * 1024 * 1024).text;
      else schedule();
    }

    return { read, watch, nudge };
  })();
  if (document.documentElement) globalThis.hookwisePage.watch();
}
