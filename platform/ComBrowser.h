// The browser and document interfaces the page inspector calls, and the browser's event
// interface, as abstract classes with the Windows names (exdisp.h, mshtml.h, exdispid.h).
//
// Only the operations the inspector uses are declared. A browser host implements them over its
// own browser; tests implement them with a stand-in.
#pragma once

#include "platform/ComBase.h"

extern const IID IID_IWebBrowser2;
extern const IID IID_IHTMLDocument2;
extern const IID IID_IHTMLElement;
// The browser's outgoing event interface; the events arrive through IDispatch::Invoke.
extern const IID DIID_DWebBrowserEvents2;

// Dispatch identifiers of the DWebBrowserEvents2 events. NavigateComplete2 and DocumentComplete
// carry (frame IDispatch, URL VARIANT*): rgvarg[1] is the frame, rgvarg[0] the URL.
// NavigateError carries (frame, URL, target frame name, status code, cancel): rgvarg[4] is the
// frame. The frame of the window itself is the browser object.
constexpr DISPID DISPID_NAVIGATECOMPLETE2 = 252;
constexpr DISPID DISPID_ONQUIT = 253;
constexpr DISPID DISPID_DOCUMENTCOMPLETE = 259;
constexpr DISPID DISPID_NAVIGATEERROR = 271;

// One browser window (or frame).
struct IWebBrowser2 : IDispatch {
    // The document shown now; the caller queries it for IHTMLDocument2. Fails when there is none.
    virtual HRESULT get_Document(IDispatch** document) = 0;
    // Stops the navigation and the loading of the page.
    virtual HRESULT Stop() = 0;
    // Navigates one step back in the history; fails when there is no earlier entry.
    virtual HRESULT GoBack() = 0;
    // Reloads the page.
    virtual HRESULT Refresh() = 0;
    // The full path of the browser's program file; fails when it is not known.
    virtual HRESULT get_FullName(BSTR* name) = 0;

protected:
    ~IWebBrowser2() = default;
};

struct IHTMLElement : IDispatch {
    // The element's rendered text; S_OK with a null *text when it has none.
    virtual HRESULT get_outerText(BSTR* text) = 0;
    // The element's HTML including its own tags; S_OK with a null *html when it has none.
    virtual HRESULT get_outerHTML(BSTR* html) = 0;

protected:
    ~IHTMLElement() = default;
};

struct IHTMLDocument2 : IDispatch {
    // The body element; S_OK with a null *body when the document has none.
    virtual HRESULT get_body(IHTMLElement** body) = 0;
    // Runs an editing command ("Unselect", "SelectAll", "Copy" ...) on the document; *done
    // (optional) tells whether the command ran.
    virtual HRESULT execCommand(BSTR command, VARIANT_BOOL showUI, VARIANT value,
                                VARIANT_BOOL* done) = 0;
    // Navigates the document's window to url.
    virtual HRESULT put_URL(BSTR url) = 0;

protected:
    ~IHTMLDocument2() = default;
};
