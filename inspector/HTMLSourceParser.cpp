// HTMLSourceParser's identity, its COM plumbing and the browser event handling that triggers one
// page analysis per completed top-level document. The analysis itself is in PageAnalysis.cpp.
#include "inspector/HTMLSourceParser.h"

#include "inspector/ServerObjects.h"
#include "engine/LSPGlobals.h"

const CLSID CLSID_HTMLSourceParser = {
    0x49CAC2AD, 0x79FB, 0x4B91, {0xBB, 0x70, 0x02, 0x39, 0xD2, 0xE4, 0x34, 0x85}};
const IID IID_IHTMLSourceParser = {
    0x9110AFE3, 0xD977, 0x4E50, {0x8A, 0xBE, 0x48, 0xA8, 0x33, 0xE9, 0xC2, 0x9B}};
const GUID LIBID_QUILLNETLib = {
    0xADBA0894, 0x4701, 0x40C7, {0x8F, 0x70, 0x6E, 0xA6, 0xB4, 0x4F, 0x81, 0x14}};

namespace {

// The frame argument of a frame event: the event's first argument, stored last because the
// arguments come in reverse order (rgvarg[1] of NavigateComplete2 and DocumentComplete, rgvarg[4]
// of NavigateError). Null when the block does not hold one, so a malformed event can never be
// taken for a frame.
IDispatch* EventFrame(const DISPPARAMS& params) {
    if (params.cArgs < 2 || !params.rgvarg)
        return nullptr;
    const VARIANT& frame = params.rgvarg[params.cArgs - 1];
    return frame.vt == VT_DISPATCH ? frame.pdispVal : nullptr;
}

// Whether two interface pointers belong to one object (COM identity: the same IUnknown).
bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b)
        return false;
    ComPtr<IUnknown> first;
    ComPtr<IUnknown> second;
    if (FAILED(a->QueryInterface(IID_IUnknown, first.PutVoid())) ||
        FAILED(b->QueryInterface(IID_IUnknown, second.PutVoid())))
        return false;
    return first.Get() == second.Get();
}

} // namespace

HTMLSourceParser::HTMLSourceParser() {
    IncrementServerObjects();
}

HTMLSourceParser::~HTMLSourceParser() {
    DecrementServerObjects();
}

// ---- IUnknown ----

HRESULT HTMLSourceParser::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IHTMLSourceParser || iid == IID_IDispatch || iid == IID_IUnknown)
        *object = static_cast<IHTMLSourceParser*>(this);
    else if (iid == IID_IObjectWithSite)
        *object = static_cast<IObjectWithSite*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG HTMLSourceParser::AddRef() {
    return ++m_dwRef;
}

ULONG HTMLSourceParser::Release() {
    ULONG left = --m_dwRef;
    if (left == 0)
        delete this;
    return left;
}

// ---- IObjectWithSite ----

HRESULT HTMLSourceParser::SetSite(IUnknown* site) {
    m_spWebBrowser.Reset();
    if (site)
        site->QueryInterface(IID_IWebBrowser2, m_spWebBrowser.PutVoid());
    if (!m_spWebBrowser)
        return E_INVALIDARG;
    m_spWebBrowser.As(IID_IConnectionPointContainer, &m_spCPC);
    if (!m_spCPC)
        return E_POINTER;
    return AdviseBrowserEvents();
}

HRESULT HTMLSourceParser::GetSite(REFIID iid, void** site) {
    if (!site)
        return E_POINTER;
    *site = nullptr;
    if (!m_spUnkSite)
        return E_FAIL;
    return m_spUnkSite->QueryInterface(iid, site);
}

// ---- events ----

HRESULT HTMLSourceParser::OnDocumentComplete() {
    // The analysis's failures, an exhausted heap included, end the run and nothing more: no
    // exception may reach the browser.
    try {
        if (CLSPGlobals::InitializeAppVars())
            AnalyzePage();
    } catch (...) {
    }
    return S_OK;
}

HRESULT HTMLSourceParser::OnQuit() {
    return UnadviseBrowserEvents();
}

HRESULT HTMLSourceParser::AdviseBrowserEvents() {
    if (!m_spCPC)
        return E_POINTER;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = m_spCPC->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put());
    if (FAILED(hr))
        return hr;
    if (!point)
        return E_POINTER;
    return point->Advise(static_cast<IHTMLSourceParser*>(this), &m_dwCookie);
}

HRESULT HTMLSourceParser::UnadviseBrowserEvents() {
    if (!m_spCPC)
        return E_POINTER;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = m_spCPC->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put());
    if (FAILED(hr))
        return hr;
    if (!point)
        return E_POINTER;
    return point->Unadvise(m_dwCookie);
}

// ---- IDispatch ----

HRESULT HTMLSourceParser::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT HTMLSourceParser::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT HTMLSourceParser::GetIDsOfNames(REFIID, WCHAR**, UINT, LCID, DISPID*) {
    return DISP_E_UNKNOWNNAME;
}

HRESULT HTMLSourceParser::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                 EXCEPINFO*, UINT*) {
    if (!params)
        return E_INVALIDARG;
    switch (id) {
    case DISPID_NAVIGATECOMPLETE2: {
        IDispatch* frame = EventFrame(*params);
        // A navigation of the window itself starts a new page. A frame still pending from the
        // page before (an inner frame that never completed, or was removed) is given up, or no
        // later page of the window would ever be analysed.
        if (!m_pTopFrame ||
            (frame && frame != m_pTopFrame && SameObject(frame, m_spWebBrowser.Get())))
            m_pTopFrame = frame;
        break;
    }
    case DISPID_DOCUMENTCOMPLETE:
        if (m_pTopFrame && EventFrame(*params) == m_pTopFrame) {
            OnDocumentComplete();
            m_pTopFrame = nullptr;
        }
        break;
    case DISPID_NAVIGATEERROR:
        // The pending frame will never complete: it no longer stands in the way of the next page.
        if (m_pTopFrame && EventFrame(*params) == m_pTopFrame)
            m_pTopFrame = nullptr;
        break;
    case DISPID_ONQUIT:
        OnQuit();
        break;
    default:
        break;
    }
    return S_OK;
}
