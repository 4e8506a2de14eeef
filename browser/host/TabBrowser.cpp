// TabBrowser and the objects it hands out: the captured document, its body element and the frame
// objects whose identity tells the inspector which frame an event belongs to.
//
// Requests to the extension that wait for its reply: "capture" (the frame's page now),
// "navigate", "goBack" and "refresh" (whether they succeeded).
//
// Sections: page objects, browser, commands.
#include "browser/host/TabBrowser.h"

#include "browser/host/Json.h"
#include "inspector/MailHeaderParser.h"

#include <cstdio>
#include <vector>

#include <unistd.h>

namespace browserhost {

namespace {

// How long the tab may take to answer: a capture of a large page, a navigation to commit.
constexpr int kCaptureTimeoutMs = 10000;
constexpr int kNavigationTimeoutMs = 10000;

// Reference counting and the empty IDispatch members the page objects share.
template <class Interface> class PageObject : public Interface {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT GetIDsOfNames(REFIID, WCHAR**, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

protected:
    virtual ~PageObject() = default;
    // Answers IUnknown, IDispatch and the object's own interface.
    HRESULT Answer(REFIID iid, const IID& own, void** object) {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != own)
            return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

private:
    ULONG refs_ = 0;
};

// A frame of the tab; only its identity matters.
class FrameObject final : public PageObject<IDispatch> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, IID_IDispatch, object);
    }
};

// A missing text is the null string; an empty one is an empty string.
HRESULT HandOut(const std::optional<std::string>& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!text)
        return S_OK;
    *out = SysAllocStringFromUtf8(*text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

class BodyElement final : public PageObject<IHTMLElement> {
public:
    explicit BodyElement(std::shared_ptr<const PageCapture> page) : page_(std::move(page)) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, IID_IHTMLElement, object);
    }
    HRESULT get_outerText(BSTR* text) override { return HandOut(page_->text, text); }
    HRESULT get_outerHTML(BSTR* html) override { return HandOut(page_->html, html); }

private:
    std::shared_ptr<const PageCapture> page_;
};

class PageDocument final : public PageObject<IHTMLDocument2> {
public:
    PageDocument(TabBrowser* browser, std::shared_ptr<const PageCapture> page)
        : browser_(browser), page_(std::move(page)) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, IID_IHTMLDocument2, object);
    }
    HRESULT get_body(IHTMLElement** body) override {
        if (!body)
            return E_POINTER;
        *body = nullptr;
        if (!page_->hasBody)
            return S_OK;
        auto* element = new BodyElement(page_);
        return element->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(body));
    }
    // Editing commands run on the tab's page. The extension holds no clipboard permission, so
    // "Copy" never reaches the desktop clipboard and the host's clipboard stays empty: a page
    // without text stays without text.
    HRESULT execCommand(BSTR command, VARIANT_BOOL, VARIANT, VARIANT_BOOL* done) override {
        if (done)
            *done = VARIANT_FALSE;
        if (!browser_->SendCommand("execCommand", "command", Utf8FromBstr(command)))
            return E_FAIL;
        if (done)
            *done = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT put_URL(BSTR url) override { return browser_->ShowUrl(Utf8FromBstr(url)); }

private:
    ComPtr<TabBrowser> browser_;
    std::shared_ptr<const PageCapture> page_;
};

} // namespace

// ---- browser ----

TabBrowser::TabBrowser(std::int64_t tab, ExtensionPort* port, std::string program)
    : tab_(tab), port_(port), program_(std::move(program)) {}

TabBrowser::~TabBrowser() = default;

HRESULT TabBrowser::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser2)
        *object = static_cast<IWebBrowser2*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IConnectionPoint)
        *object = static_cast<IConnectionPoint*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG TabBrowser::AddRef() {
    return ++refs_;
}

ULONG TabBrowser::Release() {
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TabBrowser::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT TabBrowser::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return DISP_E_BADINDEX;
}

HRESULT TabBrowser::GetIDsOfNames(REFIID, WCHAR**, UINT, LCID, DISPID*) {
    return DISP_E_UNKNOWNNAME;
}

HRESULT TabBrowser::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT TabBrowser::get_Document(IDispatch** document) {
    if (!document)
        return E_POINTER;
    *document = nullptr;
    std::shared_ptr<const PageCapture> page = Capture(analysedFrame_);
    if (!page)
        return E_FAIL;
    if (knownMails_ && page->text && knownMails_->count(MailKey(*page->text)))
        return E_FAIL; // analysed on this page already
    lastCapture_ = page;
    auto* object = new PageDocument(this, std::move(page));
    return object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(document));
}

std::shared_ptr<const PageCapture> TabBrowser::Capture(std::int64_t frameId) {
    if (!port_)
        return nullptr;
    JsonWriter request = Command("capture");
    request.Add("frame", frameId);
    std::optional<JsonValue> reply = port_->Call(std::move(request), kCaptureTimeoutMs);
    return reply ? CaptureOf(*reply) : nullptr;
}

HRESULT TabBrowser::Stop() {
    return SendCommand("stop") ? S_OK : E_FAIL;
}

HRESULT TabBrowser::GoBack() {
    return CallCommand("goBack") ? S_OK : E_FAIL;
}

HRESULT TabBrowser::Refresh() {
    if (!CallCommand("refresh"))
        return E_FAIL;
    reloaded_ = true;
    return S_OK;
}

HRESULT TabBrowser::ShowUrl(const std::string& url) {
    std::string target = url;
    if (target.empty())
        return E_INVALIDARG;
    // A local path is shown as its file: URL, and only when the file is there: a missing warning
    // page must not leave the tab on an error page, so the caller falls back to going back.
    if (target.front() == '/') {
        if (access(target.c_str(), R_OK) != 0)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        target = FileUrl(target);
    }
    // The tab reports whether the page could be shown, so a failure falls back in time.
    return CallCommand("navigate", "url", target) ? S_OK : E_FAIL;
}

HRESULT TabBrowser::get_FullName(BSTR* name) {
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (program_.empty())
        return E_FAIL;
    *name = SysAllocStringFromUtf8(program_);
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT TabBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid != DIID_DWebBrowserEvents2)
        return CONNECT_E_NOCONNECTION;
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT TabBrowser::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(IID_IDispatch, dispatch.PutVoid())) || !dispatch)
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_[*cookie] = std::move(dispatch);
    return S_OK;
}

HRESULT TabBrowser::Unadvise(DWORD cookie) {
    return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

IDispatch* TabBrowser::Frame(std::int64_t frameId) {
    // The top frame is the window itself, so the inspector can tell a new page from a frame.
    if (frameId == 0)
        return static_cast<IWebBrowser2*>(this);
    ComPtr<IDispatch>& frame = frames_[frameId];
    if (!frame)
        frame = ComPtr<IDispatch>(new FrameObject());
    return frame.Get();
}

HRESULT TabBrowser::Fire(DISPID id, std::int64_t frameId, const std::string& url) {
    // The arguments in reverse order: NavigateError's (frame, URL, target frame name, status,
    // cancel) and the frame events' (frame, URL).
    VARIANT location;
    location.vt = VT_BSTR;
    location.bstrVal = SysAllocStringFromUtf8(url);
    VARIANT args[5];
    for (VARIANT& arg : args)
        VariantInit(&arg);
    UINT count = 0;
    if (id == DISPID_NAVIGATECOMPLETE2 || id == DISPID_DOCUMENTCOMPLETE)
        count = 2;
    else if (id == DISPID_NAVIGATEERROR)
        count = 5;
    if (count > 0) {
        args[count - 1].vt = VT_DISPATCH;
        args[count - 1].pdispVal = Frame(frameId);
        args[count - 2].vt = VT_BYREF | VT_VARIANT;
        args[count - 2].pvarVal = &location;
    }
    DISPPARAMS params = {count > 0 ? args : nullptr, nullptr, count, 0};

    // A subscriber may end its subscription (OnQuit) while it handles the event.
    std::vector<ComPtr<IDispatch>> sinks;
    for (const auto& [cookie, sink] : sinks_)
        sinks.push_back(sink);
    HRESULT result = S_OK;
    for (const auto& sink : sinks) {
        HRESULT hr =
            sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    VariantClear(&location);
    return result;
}

void TabBrowser::DropSinks() {
    sinks_.clear();
}

// ---- commands ----

JsonWriter TabBrowser::Command(const std::string& op, const std::string& name,
                               const std::string& value) const {
    JsonWriter command;
    command.Add("type", "command").Add("tab", tab_).Add("op", op);
    if (!name.empty())
        command.Add(name, value);
    return command;
}

bool TabBrowser::SendCommand(const std::string& op, const std::string& name,
                             const std::string& value) {
    return port_ && port_->Send(Command(op, name, value).Text());
}

bool TabBrowser::CallCommand(const std::string& op, const std::string& name,
                             const std::string& value) {
    if (!port_)
        return false;
    std::optional<JsonValue> reply = port_->Call(Command(op, name, value), kNavigationTimeoutMs);
    const JsonValue* ok = reply ? reply->Find("ok") : nullptr;
    return ok && ok->GetType() == JsonValue::Type::Bool && ok->AsBool();
}

std::shared_ptr<const PageCapture> CaptureOf(const JsonValue& reply) {
    if (!reply.Find("html"))
        return nullptr;
    auto page = std::make_shared<PageCapture>();
    page->text = reply.GetString("text");
    page->html = reply.GetString("html");
    const JsonValue* body = reply.Find("body");
    page->hasBody = !body || body->GetType() != JsonValue::Type::Bool || body->AsBool();
    return page;
}

std::string MailKey(const std::string& text) {
    MailHeaderParser parser;
    parser.SetText(text.c_str());
    if (!parser.ParseFromTo())
        return "";
    parser.ParseAll();
    std::string key;
    for (const char* field : {parser.GetFrom(), parser.GetTo(), parser.GetSubject(),
                              parser.GetDate(), parser.GetAttachment()}) {
        key += field;
        key += '\n';
    }
    return key;
}

std::string FileUrl(const std::string& path) {
    std::string url = "file://";
    for (unsigned char c : path) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            url += escape;
        }
    }
    return url;
}

} // namespace browserhost
