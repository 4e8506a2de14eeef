// BrowserHost: the native host's session with the extension. It keeps one page inspector per tab,
// made through the library's class factory and attached to the tab's TabBrowser, and turns each
// message of the extension into the browser event the inspector expects.
//
// Messages from the extension (JSON objects; "id" is echoed in the answer):
//   {"type":"navigate","tab":T,"frame":F,"url":U}          a frame's navigation committed
//   {"type":"document","tab":T,"frame":F,"url":U,
//    "text":S,"html":H,"body":true}                         a frame's document completed; the top
//                                                            frame (F 0) carries its capture
//   {"type":"quit","tab":T}                                 the tab closed
// Each message gets one answer, {"type":"done","id":N,"result":HRESULT}, after the commands the
// inspector gave while handling it: {"type":"command","tab":T,"op":"stop" | "goBack" | "refresh"
// | "navigate" (with "url") | "execCommand" (with "command")}.
#pragma once

#include "browser/host/TabBrowser.h"

#include <cstdint>
#include <map>
#include <string>

namespace browserhost {

class BrowserHost {
public:
    // writer sends one JSON text to the extension.
    explicit BrowserHost(CommandWriter writer);
    // Ends every tab as if it had closed.
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Handles one message and returns its answer. A report to the tray program blocks here until
    // the tray program has decided. A message that is no JSON object, or lacks its type or tab,
    // is answered with E_INVALIDARG and changes nothing.
    std::string HandleMessage(const std::string& json);

    std::size_t TabCount() const { return tabs_.size(); }

private:
    struct Tab {
        ComPtr<TabBrowser> browser;
        ComPtr<IObjectWithSite> inspector;
    };
    // The tab's inspector, made and attached on the tab's first message; null when the library
    // refused to make one.
    Tab* FindOrAttach(std::int64_t tabId);
    void Quit(std::int64_t tabId);

    CommandWriter writer_;
    std::map<std::int64_t, Tab> tabs_;
};

} // namespace browserhost
