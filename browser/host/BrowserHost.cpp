// BrowserHost: one page inspector per tab, and the extension's messages turned into its events.
#include "browser/host/BrowserHost.h"

#include "browser/host/Json.h"
#include "inspector/HTMLSourceParser.h"
#include "inspector/Registration.h"

#include <memory>

namespace browserhost {

namespace {

std::string Answer(std::int64_t id, HRESULT result) {
    return JsonWriter()
        .Add("type", "done")
        .Add("id", id)
        .Add("result", std::int64_t{result})
        .Text();
}

// The capture a top-level document message carries, or null when the extension could not read
// the page (no "html" member).
std::shared_ptr<const PageCapture> CaptureOf(const JsonValue& message) {
    if (!message.Find("html"))
        return nullptr;
    auto page = std::make_shared<PageCapture>();
    page->text = message.GetString("text");
    page->html = message.GetString("html");
    const JsonValue* body = message.Find("body");
    page->hasBody = !body || body->GetType() != JsonValue::Type::Bool || body->AsBool();
    return page;
}

} // namespace

BrowserHost::BrowserHost(CommandWriter writer) : writer_(std::move(writer)) {}

BrowserHost::~BrowserHost() {
    while (!tabs_.empty())
        Quit(tabs_.begin()->first);
}

BrowserHost::Tab* BrowserHost::FindOrAttach(std::int64_t tabId) {
    if (auto it = tabs_.find(tabId); it != tabs_.end())
        return &it->second;
    Tab tab;
    tab.browser.Attach(new TabBrowser(tabId, writer_));
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

std::string BrowserHost::HandleMessage(const std::string& json) {
    std::optional<JsonValue> message = ParseJson(json);
    if (!message)
        return Answer(-1, E_INVALIDARG);
    std::int64_t id = message->GetInteger("id").value_or(-1);
    std::optional<std::string> type = message->GetString("type");
    std::optional<std::int64_t> tabId = message->GetInteger("tab");
    if (!type || !tabId)
        return Answer(id, E_INVALIDARG);

    if (*type == "quit") {
        Quit(*tabId);
        return Answer(id, S_OK);
    }
    bool navigate = *type == "navigate";
    if (!navigate && *type != "document")
        return Answer(id, E_INVALIDARG);
    std::optional<std::int64_t> frame = message->GetInteger("frame");
    if (!frame)
        return Answer(id, E_INVALIDARG);
    Tab* tab = FindOrAttach(*tabId);
    if (!tab)
        return Answer(id, E_FAIL);
    std::string url = message->GetString("url").value_or("");
    if (navigate)
        return Answer(id, tab->browser->Fire(DISPID_NAVIGATECOMPLETE2, *frame, url));
    if (*frame == 0)
        tab->browser->SetPage(CaptureOf(*message));
    return Answer(id, tab->browser->Fire(DISPID_DOCUMENTCOMPLETE, *frame, url));
}

} // namespace browserhost
