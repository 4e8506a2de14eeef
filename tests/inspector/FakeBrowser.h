// Test support: a stand-in browser window with its document, body element and frames, which
// records every call the page inspector makes and delivers browser events to its subscribers.
#pragma once

#include "platform/ComBrowser.h"

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace inspectortest {

// Reference counting shared by the stand-ins; each deletes itself with its last reference, as
// the type it is (self), not through this base.
class RefCounted {
protected:
    ~RefCounted() = default;
    ULONG AddRefImpl() { return ++refs_; }
    template <typename Self> ULONG ReleaseImpl(Self* self) {
        ULONG left = --refs_;
        if (left == 0)
            delete self;
        return left;
    }

private:
    std::atomic<ULONG> refs_{0};
};

// IDispatch's type information methods, which no stand-in offers.
#define INSPECTORTEST_NO_TYPEINFO                                                                  \
    HRESULT GetTypeInfoCount(UINT* count) override {                                               \
        *count = 0;                                                                                \
        return S_OK;                                                                               \
    }                                                                                              \
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override {                                        \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT GetIDsOfNames(REFIID, WCHAR**, UINT, LCID, DISPID*) override {                         \
        return E_NOTIMPL;                                                                          \
    }

// A frame of the window: only its identity matters.
class FakeFrame final : public IDispatch, private RefCounted {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(this); }
    INSPECTORTEST_NO_TYPEINFO
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

// Everything the inspector asked of the window, one line per call ("Stop", "put_URL /x" ...).
using CallLog = std::vector<std::string>;

class FakeElement final : public IHTMLElement, private RefCounted {
public:
    explicit FakeElement(CallLog& log) : log_(log) {}
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(this); }
    INSPECTORTEST_NO_TYPEINFO
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT get_outerText(BSTR* text) override;
    HRESULT get_outerHTML(BSTR* html) override;

    std::optional<std::string> outerText; // UTF-8; nullopt gives a null BSTR
    std::optional<std::string> outerHtml;
    HRESULT outerTextResult = S_OK;
    HRESULT outerHtmlResult = S_OK;

private:
    CallLog& log_;
};

class FakeDocument final : public IHTMLDocument2, private RefCounted {
public:
    explicit FakeDocument(CallLog& log);
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(this); }
    INSPECTORTEST_NO_TYPEINFO
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    // Logs "get_body".
    HRESULT get_body(IHTMLElement** body) override;
    // Logs "execCommand NAME SHOWUI". "SelectAll" selects selectableText, "Unselect" clears the
    // selection, "Copy" puts the selection on the clipboard in use. commandResults fails a command.
    HRESULT execCommand(BSTR command, VARIANT_BOOL showUI, VARIANT value,
                        VARIANT_BOOL* done) override;
    // Logs "put_URL URL".
    HRESULT put_URL(BSTR url) override;

    ComPtr<FakeElement> body;
    bool hasBody = true;
    HRESULT bodyResult = S_OK;
    std::string selectableText;       // what Select All and Copy would give
    bool copyReachesClipboard = true; // false: Copy succeeds without touching the clipboard
    std::map<std::string, HRESULT> commandResults;
    HRESULT putUrlResult = S_OK;

private:
    CallLog& log_;
    std::string selection_;
};

// The browser window: IWebBrowser2, its connection point container and the one connection point
// of its events.
class FakeBrowser final : public IWebBrowser2,
                          public IConnectionPointContainer,
                          public IConnectionPoint,
                          private RefCounted {
public:
    FakeBrowser();
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(this); }
    INSPECTORTEST_NO_TYPEINFO
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    // Each logs its name.
    HRESULT get_Document(IDispatch** document) override;
    HRESULT Stop() override;
    HRESULT GoBack() override;
    HRESULT Refresh() override;
    // fullName when set, else E_NOTIMPL (the inspector then names its own process).
    HRESULT get_FullName(BSTR* name) override;
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    // Logs "Advise" / "Unadvise COOKIE".
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    // Delivers an event to every subscriber, with the frame and a URL for the frame events.
    void Fire(DISPID id, IDispatch* frame = nullptr);
    // Delivers a hand-made parameter block (malformed events).
    void FireRaw(DISPID id, DISPPARAMS* params);
    // Drops every subscription (ends the reference cycle with the subscribers).
    void DropSinks();
    std::size_t SinkCount() const { return sinks_.size(); }
    // Calls whose name starts with prefix.
    std::size_t Count(const std::string& prefix) const;

    CallLog log;
    ComPtr<FakeDocument> document;
    bool offersBrowser = true;
    bool offersContainer = true;
    HRESULT documentResult = S_OK;
    HRESULT findPointResult = S_OK;
    HRESULT goBackResult = S_OK;
    std::string fullName;

private:
    std::map<DWORD, ComPtr<IDispatch>> sinks_;
    DWORD nextCookie_ = 41;
};

} // namespace inspectortest
