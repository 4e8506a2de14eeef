// BrowserHost: the native host's session with the extension. It keeps one page inspector per tab,
// made through the library's class factory and attached to the tab's TabBrowser, and turns each
// message of the extension into the browser event the inspector expects.
//
// Messages from the extension (JSON objects; "id" is echoed in the answer):
//   {"type":"navigate","tab":T,"frame":F,"url":U}          a frame's navigation committed
//   {"type":"document","tab":T,"frame":F,"url":U}          a frame's document completed
//   {"type":"settled","tab":T,"frame":F,"url":U,"text":S}  a frame's page changed without a
//                                                           navigation (a mail opened by script,
//                                                           a same-document navigation) and has
//                                                           settled; S is its text now
//   {"type":"error","tab":T,"frame":F,"url":U}             a frame's navigation failed, or the
//                                                           frame went away before it completed
//   {"type":"quit","tab":T}                                 the tab closed
//   {"type":"url","tab":T,"url":U}                          the tab opens the page U (checked
//                                                           when it is an http or https address)
//   {"type":"reply","call":N,...}                           the reply to a request of the host
// Each message but a reply gets one answer, {"type":"done","id":N,"result":HRESULT}, after the
// commands the inspector gave while handling it: {"type":"command","tab":T,"op":"stop" |
// "execCommand" (with "command")}, and the requests that wait for a reply (see TabBrowser):
// "capture" (with "frame"), "navigate" (with "url"), "goBack", "refresh", each with "call".
// The answer to "url" also says whether the tab may show the page ("allow"): true unless the
// address is listed and the tray program blocked it (or none answered); a blocked page is
// replaced by the warning page after a "stop", or, when that cannot be shown, by the page before
// ("goBack") or else an empty page ("navigate" to about:blank). The page is never reloaded: the
// reload would be checked and blocked again.
//
// A settled page is analysed as a new page of the tab, once per distinct mail (its header lines)
// shown in the tab since its last navigation. The page a reload brings that the inspector asked
// for (a blocked mail that could be replaced neither by the warning page nor by the page before)
// is not analysed again: one report per load of a page.
#pragma once

#include "browser/host/TabBrowser.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace browserhost {

class BrowserHost {
public:
    // port carries commands and requests to the extension; program is the browser's program file
    // (the host's parent), recorded in the reports.
    BrowserHost(ExtensionPort* port, std::string program);
    // Ends every tab as if it had closed.
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Handles one message and returns its answer, or "" for a reply, which gets none. A report
    // to the tray program blocks here until the tray program has decided. A message that is no
    // JSON object, or lacks its type or tab, is answered with E_INVALIDARG and changes nothing.
    std::string HandleMessage(const std::string& json);

    std::size_t TabCount() const { return tabs_.size(); }

private:
    struct Tab {
        ComPtr<TabBrowser> browser;
        ComPtr<IObjectWithSite> inspector;
        bool reloadAwaited = false;  // the inspector reloaded the page; its commit is still to come
        bool quiet = false;          // the page is that reload: its events are not delivered
        std::set<std::string> mails; // the mails analysed since the tab's last navigation
    };
    // The tab's inspector, made and attached on the tab's first message; null when the library
    // refused to make one.
    Tab* FindOrAttach(std::int64_t tabId);
    void Quit(std::int64_t tabId);
    HRESULT Navigate(Tab& tab, std::int64_t frame, const std::string& url);
    HRESULT Complete(Tab& tab, std::int64_t frame, const std::string& url);
    HRESULT Settle(Tab& tab, std::int64_t frame, const std::string& url, const std::string& text);
    // Checks the page a tab opens and keeps a blocked one from showing; *allow tells which.
    HRESULT CheckPage(Tab& tab, const std::string& url, bool* allow);
    // Delivers DocumentComplete of frame with the document read from analysedFrame, and
    // remembers the mail the inspector read. With again false, a mail already analysed on this
    // page is not handed to the inspector a second time.
    HRESULT Analyse(Tab& tab, std::int64_t frame, std::int64_t analysedFrame,
                    const std::string& url, bool again);

    ExtensionPort* port_;
    std::string program_;
    std::map<std::int64_t, Tab> tabs_;
};

// The program file of this process's parent, or "" when it cannot be read.
std::string ParentProgram();

} // namespace browserhost
