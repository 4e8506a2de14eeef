// HTMLSourceParser: the page inspector that the browser attaches to each of its windows. It
// subscribes to the browser's events and, each time the top-level document of the window has
// finished loading, checks whether the page shows a phishing mail, reports what it finds to the
// tray program and, when the tray program blocks the mail, replaces the page by the warning page.
//
// The object has two faces: its primary face is IObjectWithSite (the browser hands it its site
// there) and its dispatch face is IHTMLSourceParser, a dual interface without methods of its own
// through which the browser delivers its events with IDispatch::Invoke. All calls for one object
// arrive on one thread (the browser window's); objects on several threads share only the engine.
#pragma once

#include "engine/Export.h"
#include "platform/ComBrowser.h"

#include <atomic>
#include <string>

extern BAITLIB_API const CLSID CLSID_HTMLSourceParser;
extern BAITLIB_API const IID IID_IHTMLSourceParser;
extern BAITLIB_API const GUID LIBID_QUILLNETLib;

struct IHTMLSourceParser : IDispatch {
protected:
    ~IHTMLSourceParser() = default;
};

class HTMLSourceParser : public IObjectWithSite, public IHTMLSourceParser {
public:
    // Counts itself in the server's object count until it is destroyed. The reference count
    // starts at 0: the creator takes the first reference with QueryInterface.
    HTMLSourceParser();
    HTMLSourceParser(const HTMLSourceParser&) = delete;
    HTMLSourceParser& operator=(const HTMLSourceParser&) = delete;

    // ---- IUnknown ----
    // Answers IHTMLSourceParser, IDispatch (and IUnknown) with the dispatch face and
    // IObjectWithSite with the primary face; anything else gets E_NOINTERFACE.
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // ---- IObjectWithSite ----
    // Takes the site's IWebBrowser2 (E_INVALIDARG when it offers none, also for a null site,
    // which leaves the event subscription in place), then the browser's
    // IConnectionPointContainer (E_POINTER when it offers none), and subscribes to the browser's
    // events: the result of AdviseBrowserEvents.
    HRESULT SetSite(IUnknown* site) override;
    // The site is never kept: *site becomes null and the result is E_FAIL; E_POINTER for a null
    // site pointer.
    HRESULT GetSite(REFIID iid, void** site) override;

    // Runs the engine set-up and, when it succeeds, AnalyzePage. Always S_OK: the analysis's
    // errors end the run silently.
    virtual HRESULT OnDocumentComplete();
    // Ends the event subscription.
    virtual HRESULT OnQuit();
    // Subscribes the dispatch face to the browser's DWebBrowserEvents2 connection point and keeps
    // the cookie. Returns the first failure (E_POINTER without a container).
    virtual HRESULT AdviseBrowserEvents();
    // Ends the subscription of the kept cookie. Returns the first failure.
    virtual HRESULT UnadviseBrowserEvents();
    // Captures the shown page, checks it for a phishing mail, reports the findings and reacts to
    // a block. S_OK when the run got to its end or the page is no mail; the failing HRESULT when
    // a browser or document call during the capture failed.
    virtual HRESULT AnalyzePage();

    // ---- IDispatch ----
    // No type information is offered: *count becomes 0.
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID iid, WCHAR** names, UINT count, LCID lcid, DISPID* ids) override;
    // The browser's events. E_INVALIDARG without a parameter block; S_OK for every identifier.
    // NavigateComplete2 (252) remembers its frame as the top-level frame when none is pending, or
    // when the frame is the browser window itself (a new page replaces a pending frame);
    // DocumentComplete (259) of the pending frame runs OnDocumentComplete and clears the pending
    // frame; NavigateError (271) of the pending frame clears it; OnQuit (253) runs OnQuit. An
    // event whose frame argument is missing or not an IDispatch counts as having no frame.
    HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // For tests: the frame waiting for its DocumentComplete, or null.
    IDispatch* PendingTopFrame() const { return m_pTopFrame; }

protected:
    virtual ~HTMLSourceParser();

private:
    // The page text and HTML of one capture, in single-byte characters. hasText is false when
    // neither the outer text nor the clipboard gave any.
    struct Capture {
        bool hasText = false;
        std::string text;
        std::string html;
    };
    HRESULT CapturePage(IHTMLDocument2* document, Capture* capture);
    // Runs "Unselect", "SelectAll", "Copy", "Unselect" and takes the text from the clipboard,
    // leaving it empty. Returns the first failing command's result.
    HRESULT CaptureThroughClipboard(IHTMLDocument2* document, Capture* capture);
    // Stops the page and shows the warning page; goes back, or reloads, when that fails.
    void ShowWarningPage(IHTMLDocument2* document);

    IUnknown* m_spUnkSite = nullptr; // the IObjectWithSite base's site, never set
    std::atomic<ULONG> m_dwRef{0};
    ComPtr<IWebBrowser2> m_spWebBrowser;
    ComPtr<IConnectionPointContainer> m_spCPC;
    IDispatch* m_pTopFrame = nullptr; // identity only, no reference held
    DWORD m_dwCookie = 0;
};
