// TabBrowser: one browser tab as the page inspector sees a browser window. Its document is the
// page as the tab shows it at the time of the call (asked of the extension), with its body
// element. It keeps one frame object per frame id (the top frame is the browser object itself,
// as in a browser window), delivers the tab's events to its subscribers and turns the
// inspector's browser operations into commands for the extension, waiting for their outcome
// where the inspector needs it.
#pragma once

#include "browser/host/ExtensionLink.h"
#include "platform/ComBrowser.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace browserhost {

// What the extension captured of a top-level document. A missing text or HTML is handed out as a
// null string.
struct PageCapture {
    bool hasBody = true;
    std::optional<std::string> text; // UTF-8, line ends CR LF
    std::optional<std::string> html; // UTF-8
};

// The page a capture reply of the extension describes; null when the page could not be read (no
// "html" member).
std::shared_ptr<const PageCapture> CaptureOf(const JsonValue& reply);

class TabBrowser final : public IWebBrowser2,
                         public IConnectionPointContainer,
                         public IConnectionPoint {
public:
    // The first reference belongs to the caller (use ComPtr::Attach). program is the browser's
    // program file, as get_FullName gives it.
    TabBrowser(std::int64_t tab, ExtensionPort* port, std::string program);
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
    // The document of the analysed frame as the tab shows it now; E_FAIL when it cannot be read.
    HRESULT get_Document(IDispatch** document) override;
    // Sent to the extension; E_FAIL when that fails.
    HRESULT Stop() override;
    // Carried out by the extension; E_FAIL when there is no earlier page or the tab cannot go.
    HRESULT GoBack() override;
    // Carried out by the extension; E_FAIL when it failed. A successful one is remembered (see
    // TakeReload).
    HRESULT Refresh() override;
    // The browser's program file.
    HRESULT get_FullName(BSTR* name) override;

    // ---- connection points: DWebBrowserEvents2 only ----
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    // ---- the host's side ----
    // The frame whose document get_Document reads from now on (0, the top frame, at first).
    void SetAnalysedFrame(std::int64_t frameId) { analysedFrame_ = frameId; }
    // Mails (MailKey) that get_Document does not hand out again (E_FAIL); null for none.
    void SetKnownMails(const std::set<std::string>* known) { knownMails_ = known; }
    // Asks the tab for the document of frameId as it is now; null when it cannot be read.
    std::shared_ptr<const PageCapture> Capture(std::int64_t frameId);
    // The page the latest get_Document read, then forgets it; null when none was read.
    std::shared_ptr<const PageCapture> TakeLastCapture() { return std::move(lastCapture_); }
    // Whether a reload was carried out since the last call.
    bool TakeReload() { return std::exchange(reloaded_, false); }
    // Delivers an event to every subscriber; NavigateComplete2, DocumentComplete and
    // NavigateError carry the frame object of frameId and the URL. Returns the first failure of a
    // subscriber, else S_OK.
    HRESULT Fire(DISPID id, std::int64_t frameId = 0, const std::string& url = {});
    // Ends every subscription (breaks the reference cycle with the subscribers).
    void DropSinks();
    std::size_t SinkCount() const { return sinks_.size(); }
    // Sends one command for this tab; false when the extension cannot be reached.
    bool SendCommand(const std::string& op, const std::string& name = {},
                     const std::string& value = {});
    // Sends one command and waits for its outcome: true when the extension replied "ok".
    bool CallCommand(const std::string& op, const std::string& name = {},
                     const std::string& value = {});
    // Shows url in the tab (what the document's put_URL does): a local path as its file: URL,
    // E_INVALIDARG for "", ERROR_FILE_NOT_FOUND (as an HRESULT) for a missing or unreadable
    // local file, E_FAIL when the tab could not show the page in time.
    HRESULT ShowUrl(const std::string& url);

private:
    ~TabBrowser();
    IDispatch* Frame(std::int64_t frameId);
    // A command for this tab: {"type":"command","tab":T,"op":op} with name: value when named.
    JsonWriter Command(const std::string& op, const std::string& name = {},
                       const std::string& value = {}) const;

    ULONG refs_ = 1;
    std::int64_t tab_;
    ExtensionPort* port_;
    std::string program_;
    std::int64_t analysedFrame_ = 0;
    const std::set<std::string>* knownMails_ = nullptr;
    std::shared_ptr<const PageCapture> lastCapture_;
    bool reloaded_ = false;
    std::map<std::int64_t, ComPtr<IDispatch>> frames_;
    std::map<DWORD, ComPtr<IDispatch>> sinks_;
    DWORD nextCookie_ = 1;
};

// The header lines that tell one mail from another (from, to, subject, date, attachment) in a
// page's text; "" when the text shows no mail.
std::string MailKey(const std::string& text);

// The file: URL of an absolute local path, every byte outside the unreserved set and '/'
// percent-encoded.
std::string FileUrl(const std::string& path);

} // namespace browserhost
