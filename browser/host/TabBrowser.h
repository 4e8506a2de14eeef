// TabBrowser: one browser tab as the page inspector sees a browser window. It holds the tab's
// latest top-level page as the extension captured it, hands it out as the document with its body
// element, keeps one frame object per frame id, delivers the tab's events to its subscribers and
// turns the inspector's browser operations into commands for the extension.
#pragma once

#include "platform/ComBrowser.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace browserhost {

// What the extension captured of a top-level document. A missing text or HTML is handed out as a
// null string.
struct PageCapture {
    bool hasBody = true;
    std::optional<std::string> text; // UTF-8, line ends CR LF
    std::optional<std::string> html; // UTF-8
};

// Sends one command for the tab to the extension (a JSON object); false when it could not be sent.
using CommandWriter = std::function<bool(const std::string& json)>;

class TabBrowser final : public IWebBrowser2,
                         public IConnectionPointContainer,
                         public IConnectionPoint {
public:
    // The first reference belongs to the caller (use ComPtr::Attach).
    TabBrowser(std::int64_t tab, CommandWriter writer);
    TabBrowser(const TabBrowser&) = delete;
    TabBrowser& operator=(const TabBrowser&) = delete;

    // ---- IUnknown ----
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // ---- IDispatch: no members of its own ----
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID iid, WCHAR** names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // ---- IWebBrowser2 ----
    // The latest captured top-level page; E_FAIL when the tab's page could not be captured.
    HRESULT get_Document(IDispatch** document) override;
    // Stop, GoBack and Refresh are sent to the extension; E_FAIL when that fails.
    HRESULT Stop() override;
    HRESULT GoBack() override;
    HRESULT Refresh() override;

    // ---- connection points: DWebBrowserEvents2 only ----
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    // ---- the host's side ----
    // The page that get_Document hands out from now on; null when it could not be captured.
    void SetPage(std::shared_ptr<const PageCapture> page);
    // Delivers an event to every subscriber; NavigateComplete2 and DocumentComplete carry the
    // frame object of frameId and the URL. Returns the first failure of a subscriber, else S_OK.
    HRESULT Fire(DISPID id, std::int64_t frameId = 0, const std::string& url = {});
    // Ends every subscription (breaks the reference cycle with the subscribers).
    void DropSinks();
    std::size_t SinkCount() const { return sinks_.size(); }
    // Sends one command for this tab; false when the extension cannot be reached.
    bool SendCommand(const std::string& op, const std::string& name = {},
                     const std::string& value = {});

private:
    ~TabBrowser();
    IDispatch* Frame(std::int64_t frameId);

    ULONG refs_ = 1;
    std::int64_t tab_;
    CommandWriter writer_;
    std::shared_ptr<const PageCapture> page_;
    std::map<std::int64_t, ComPtr<IDispatch>> frames_;
    std::map<DWORD, ComPtr<IDispatch>> sinks_;
    DWORD nextCookie_ = 1;
};

// The file: URL of an absolute local path, every byte outside the unreserved set and '/'
// percent-encoded.
std::string FileUrl(const std::string& path);

} // namespace browserhost
