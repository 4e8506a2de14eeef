// BrowserHost: one page inspector per tab, and the extension's messages turned into its events.
#include "browser/host/BrowserHost.h"

#include "browser/host/AddressCheck.h"
#include "browser/host/Json.h"
#include "inspector/HTMLSourceParser.h"
#include "inspector/Registration.h"
#include "engine/LSPGlobals.h"

#include <climits>
#include <string>

#include <unistd.h>

namespace browserhost {

namespace {

JsonWriter AnswerWriter(std::int64_t id, HRESULT result) {
    JsonWriter answer;
    answer.Add("type", "done").Add("id", id).Add("result", std::int64_t{result});
    return answer;
}

std::string Answer(std::int64_t id, HRESULT result) {
    return AnswerWriter(id, result).Text();
}

} // namespace

std::string ParentProgram() {
    std::string link = "/proc/" + std::to_string(getppid()) + "/exe";
    char path[PATH_MAX];
    ssize_t length = readlink(link.c_str(), path, sizeof path - 1);
    if (length <= 0)
        return "";
    return std::string(path, static_cast<std::size_t>(length));
}

BrowserHost::BrowserHost(ExtensionPort* port, std::string program)
    : port_(port), program_(std::move(program)) {}

BrowserHost::~BrowserHost() {
    while (!tabs_.empty())
        Quit(tabs_.begin()->first);
}

BrowserHost::Tab* BrowserHost::FindOrAttach(std::int64_t tabId) {
    if (auto it = tabs_.find(tabId); it != tabs_.end())
        return &it->second;
    Tab tab;
    tab.browser.Attach(new TabBrowser(tabId, port_, program_));
    ComPtr<IClassFactory> factory;
    if (FAILED(DllGetClassObject(CLSID_HTMLSourceParser, IID_IClassFactory, factory.PutVoid())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IObjectWithSite, tab.inspector.PutVoid())))
        return nullptr;
    if (FAILED(tab.inspector->SetSite(static_cast<IWebBrowser2*>(tab.browser.Get())))) {
        tab.browser->DropSinks();
        return nullptr;
    }
    return &tabs_.emplace(tabId, std::move(tab)).first->second;
}

void BrowserHost::Quit(std::int64_t tabId) {
    auto it = tabs_.find(tabId);
    if (it == tabs_.end())
        return;
    Tab tab = std::move(it->second);
    tabs_.erase(it);
    tab.browser->Fire(DISPID_ONQUIT);
    // The inspector has ended its subscription; anything left would keep both objects alive.
    tab.browser->DropSinks();
}

HRESULT BrowserHost::Navigate(Tab& tab, std::int64_t frame, const std::string& url) {
    if (frame == 0) {
        // A new page of the tab: the reload the inspector asked for stays quiet, any other page
        // is analysed afresh.
        tab.quiet = tab.reloadAwaited;
        tab.reloadAwaited = false;
        tab.mails.clear();
    }
    if (tab.quiet)
        return S_OK;
    return tab.browser->Fire(DISPID_NAVIGATECOMPLETE2, frame, url);
}

HRESULT BrowserHost::Analyse(Tab& tab, std::int64_t frame, std::int64_t analysedFrame,
                             const std::string& url, bool again) {
    tab.browser->SetAnalysedFrame(analysedFrame);
    tab.browser->SetKnownMails(again ? nullptr : &tab.mails);
    HRESULT result = tab.browser->Fire(DISPID_DOCUMENTCOMPLETE, frame, url);
    tab.browser->SetKnownMails(nullptr);
    tab.browser->SetAnalysedFrame(0);
    if (std::shared_ptr<const PageCapture> page = tab.browser->TakeLastCapture();
        page && page->text) {
        std::string key = MailKey(*page->text);
        if (!key.empty())
            tab.mails.insert(key);
    }
    return result;
}

HRESULT BrowserHost::Complete(Tab& tab, std::int64_t frame, const std::string& url) {
    if (tab.quiet)
        return S_OK;
    // The window's document is what a completed frame shows the inspector, as in a browser
    // window; a mail in an inner frame is analysed when that frame settles. The window's own
    // completion is a new page, always analysed; an inner frame completing later is not a reason
    // to report the window's mail again.
    return Analyse(tab, frame, 0, url, frame == 0);
}

HRESULT BrowserHost::Settle(Tab& tab, std::int64_t frame, const std::string& url,
                            const std::string& text) {
    if (tab.quiet)
        return S_OK;
    std::string key = MailKey(text);
    if (key.empty() || tab.mails.count(key))
        return S_OK; // no mail, or one already analysed on this page
    // Shown to the inspector as a new page of the window, whose document is the settled frame's.
    HRESULT result = tab.browser->Fire(DISPID_NAVIGATECOMPLETE2, 0, url);
    if (SUCCEEDED(result))
        result = Analyse(tab, 0, frame, url, true);
    tab.mails.insert(key);
    return result;
}

HRESULT BrowserHost::CheckPage(Tab& tab, const std::string& url, bool* allow) {
    *allow = CheckAddress(url, program_) != AddressVerdict::Blocked;
    if (*allow)
        return S_OK;
    tab.browser->Stop();
    if (SUCCEEDED(tab.browser->ShowUrl(CLSPGlobals::szPMailPath)) ||
        SUCCEEDED(tab.browser->GoBack()))
        return S_OK;
    return tab.browser->ShowUrl("about:blank");
}

std::string BrowserHost::HandleMessage(const std::string& json) {
    std::optional<JsonValue> message = ParseJson(json);
    if (!message)
        return Answer(-1, E_INVALIDARG);
    std::int64_t id = message->GetInteger("id").value_or(-1);
    std::optional<std::string> type = message->GetString("type");
    if (type == "reply")
        return ""; // late: its request gave up waiting
    std::optional<std::int64_t> tabId = message->GetInteger("tab");
    if (!type || !tabId)
        return Answer(id, E_INVALIDARG);

    if (*type == "quit") {
        Quit(*tabId);
        return Answer(id, S_OK);
    }
    if (*type == "url") {
        std::optional<std::string> url = message->GetString("url");
        Tab* tab = url ? FindOrAttach(*tabId) : nullptr;
        if (!tab)
            return Answer(id, url ? E_FAIL : E_INVALIDARG);
        bool allow = true;
        HRESULT result = CheckPage(*tab, *url, &allow);
        return AnswerWriter(id, result).AddBool("allow", allow).Text();
    }
    if (*type != "navigate" && *type != "document" && *type != "settled" && *type != "error")
        return Answer(id, E_INVALIDARG);
    std::optional<std::int64_t> frame = message->GetInteger("frame");
    std::optional<std::string> text = message->GetString("text");
    if (!frame || (*type == "settled" && !text))
        return Answer(id, E_INVALIDARG);
    Tab* tab = FindOrAttach(*tabId);
    if (!tab)
        return Answer(id, E_FAIL);
    std::string url = message->GetString("url").value_or("");
    HRESULT result = S_OK;
    if (*type == "navigate")
        result = Navigate(*tab, *frame, url);
    else if (*type == "document")
        result = Complete(*tab, *frame, url);
    else if (*type == "settled")
        result = Settle(*tab, *frame, url, *text);
    else
        result = tab->browser->Fire(DISPID_NAVIGATEERROR, *frame, url);
    if (tab->browser->TakeReload())
        tab->reloadAwaited = true;
    return Answer(id, result);
}

} // namespace browserhost
