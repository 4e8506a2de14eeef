// Test support: the stand-in browser window, document, body element and frames.
#include "FakeBrowser.h"

#include "platform/Clipboard.h"

namespace inspectortest {

namespace {

template <class T> HRESULT Answer(T* face, void** object) {
    *object = face;
    face->AddRef();
    return S_OK;
}

} // namespace

HRESULT FakeFrame::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch)
        return Answer(static_cast<IDispatch*>(this), object);
    return E_NOINTERFACE;
}

// ---- body element ----

HRESULT FakeElement::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLElement)
        return Answer(static_cast<IHTMLElement*>(this), object);
    return E_NOINTERFACE;
}

HRESULT FakeElement::get_outerText(BSTR* text) {
    log_.push_back("get_outerText");
    *text = nullptr;
    if (FAILED(outerTextResult))
        return outerTextResult;
    if (outerText)
        *text = SysAllocStringFromUtf8(*outerText);
    return S_OK;
}

HRESULT FakeElement::get_outerHTML(BSTR* html) {
    log_.push_back("get_outerHTML");
    *html = nullptr;
    if (FAILED(outerHtmlResult))
        return outerHtmlResult;
    if (outerHtml)
        *html = SysAllocStringFromUtf8(*outerHtml);
    return S_OK;
}

// ---- document ----

FakeDocument::FakeDocument(CallLog& log) : body(new FakeElement(log)), log_(log) {}

HRESULT FakeDocument::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument2)
        return Answer(static_cast<IHTMLDocument2*>(this), object);
    return E_NOINTERFACE;
}

HRESULT FakeDocument::get_body(IHTMLElement** element) {
    log_.push_back("get_body");
    *element = nullptr;
    if (FAILED(bodyResult))
        return bodyResult;
    if (hasBody && body)
        return Answer(static_cast<IHTMLElement*>(body.Get()), reinterpret_cast<void**>(element));
    return S_OK;
}

HRESULT FakeDocument::execCommand(BSTR command, VARIANT_BOOL showUI, VARIANT value,
                                  VARIANT_BOOL* done) {
    std::string name = Utf8FromBstr(command);
    log_.push_back("execCommand " + name + " " + std::to_string(showUI) +
                   (value.vt == VT_EMPTY ? "" : " value"));
    if (done)
        *done = VARIANT_FALSE;
    if (auto it = commandResults.find(name); it != commandResults.end() && FAILED(it->second))
        return it->second;
    if (name == "SelectAll") {
        selection_ = selectableText;
    } else if (name == "Unselect") {
        selection_.clear();
    } else if (name == "Copy" && copyReachesClipboard) {
        IClipboard* clipboard = GetClipboard();
        if (!clipboard->OpenClipboard(nullptr))
            return E_FAIL;
        clipboard->SetClipboardText(selection_.c_str());
        clipboard->CloseClipboard();
    }
    if (done)
        *done = VARIANT_TRUE;
    return S_OK;
}

HRESULT FakeDocument::put_URL(BSTR url) {
    log_.push_back("put_URL " + Utf8FromBstr(url));
    return putUrlResult;
}

// ---- browser ----

FakeBrowser::FakeBrowser() : document(new FakeDocument(log)) {}

HRESULT FakeBrowser::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch)
        return Answer(static_cast<IWebBrowser2*>(this), object);
    if (iid == IID_IWebBrowser2 && offersBrowser)
        return Answer(static_cast<IWebBrowser2*>(this), object);
    if (iid == IID_IConnectionPointContainer && offersContainer)
        return Answer(static_cast<IConnectionPointContainer*>(this), object);
    return E_NOINTERFACE;
}

HRESULT FakeBrowser::get_Document(IDispatch** result) {
    log.push_back("get_Document");
    *result = nullptr;
    if (FAILED(documentResult))
        return documentResult;
    if (!document)
        return S_OK;
    return Answer(static_cast<IDispatch*>(static_cast<IHTMLDocument2*>(document.Get())),
                  reinterpret_cast<void**>(result));
}

HRESULT FakeBrowser::Stop() {
    log.push_back("Stop");
    return S_OK;
}

HRESULT FakeBrowser::GoBack() {
    log.push_back("GoBack");
    return goBackResult;
}

HRESULT FakeBrowser::Refresh() {
    log.push_back("Refresh");
    return S_OK;
}

HRESULT FakeBrowser::get_FullName(BSTR* name) {
    *name = nullptr;
    if (fullName.empty())
        return E_NOTIMPL;
    *name = SysAllocStringFromUtf8(fullName);
    return S_OK;
}

HRESULT FakeBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    *point = nullptr;
    if (FAILED(findPointResult))
        return findPointResult;
    if (iid != DIID_DWebBrowserEvents2)
        return CONNECT_E_NOCONNECTION;
    return Answer(static_cast<IConnectionPoint*>(this), reinterpret_cast<void**>(point));
}

HRESULT FakeBrowser::Advise(IUnknown* sink, DWORD* cookie) {
    log.push_back("Advise");
    ComPtr<IDispatch> dispatch;
    if (!sink || FAILED(sink->QueryInterface(IID_IDispatch, dispatch.PutVoid())))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_[*cookie] = dispatch;
    return S_OK;
}

HRESULT FakeBrowser::Unadvise(DWORD cookie) {
    log.push_back("Unadvise " + std::to_string(cookie));
    return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

void FakeBrowser::FireRaw(DISPID id, DISPPARAMS* params) {
    // A subscriber may unsubscribe while it handles the event.
    std::vector<ComPtr<IDispatch>> sinks;
    for (const auto& [cookie, sink] : sinks_)
        sinks.push_back(sink);
    for (const auto& sink : sinks)
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, params, nullptr, nullptr, nullptr);
}

void FakeBrowser::Fire(DISPID id, IDispatch* frame) {
    if (id == DISPID_ONQUIT) {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        FireRaw(id, &none);
        return;
    }
    VARIANT url;
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocStringFromUtf8("https://mail.example/message");
    VARIANT args[2];
    args[0].vt = VT_BYREF | VT_VARIANT;
    args[0].pvarVal = &url;
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = frame;
    DISPPARAMS params = {args, nullptr, 2, 0};
    FireRaw(id, &params);
    VariantClear(&url);
}

void FakeBrowser::DropSinks() {
    sinks_.clear();
}

std::size_t FakeBrowser::Count(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& line : log)
        n += line.rfind(prefix, 0) == 0;
    return n;
}

} // namespace inspectortest
