// HTMLSourceParser::AnalyzePage: captures the shown page, recognises a mail by its header lines,
// checks sender, subject, links and text against the definitions, reports each finding to the
// tray program and replaces a blocked mail by the warning page.
//
// Sections: capture, analysis, reports, reaction.
#include "inspector/HTMLSourceParser.h"
#include "inspector/MailHeaderParser.h"
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/Clipboard.h"
#include "platform/Module.h"
#include "platform/Window.h"

#include <cstring>

using namespace hookwise::platform;

namespace {

constexpr VARIANT_BOOL kShowInterface = 2;      // the show-interface argument of every command
constexpr std::size_t kTextBuffer = kFieldSize; // a matched phrase, a link text, a link pattern

// Runs one editing command on the document with an empty value.
HRESULT RunCommand(IHTMLDocument2* document, const char16_t* command) {
    BStr name(SysAllocString(command));
    if (!name.Get())
        return E_OUTOFMEMORY;
    VARIANT empty;
    VariantInit(&empty);
    VARIANT_BOOL done = VARIANT_FALSE;
    return document->execCommand(name.Get(), kShowInterface, empty, &done);
}

// The findings of one page; the buffers hold what the lookups matched.
struct Findings {
    bool badFrom = false;
    bool badSubject = false;
    bool badText = false;
    bool badVisibleLink = false;
    bool badHiddenLink = false;
    char matchedText[kTextBuffer] = {};
    char visibleText[kTextBuffer] = {};
    char visiblePattern[kTextBuffer] = {};
    char hiddenPattern[kTextBuffer] = {};

    bool Any() const { return badFrom || badSubject || badText || badVisibleLink || badHiddenLink; }
};

// Sends the record as one mail report and returns whether the tray program let the mail through.
// No handler channel means no answer, and that blocks.
bool SendMailReport(DetectionRecord& record, char kind) {
    record.mail.kind = kind;
    return SendCopyData(CLSPGlobals::hMainWnd, kReportMail, &record, sizeof record) != 0;
}

// The full path of the browser's program: as the browser names it, else this process's program
// file (the inspector runs inside the browser, or in a host the browser started).
void BrowserProgram(IWebBrowser2* browser, char (&path)[kTextBuffer]) {
    std::memset(path, 0, sizeof path);
    BStr name;
    if (browser && SUCCEEDED(browser->get_FullName(name.Put())) && name.Length() > 0) {
        CopyField(path, AnsiFromBstr(name.Get()).c_str());
        return;
    }
    GetModuleFileNameA(nullptr, path, sizeof path);
}

// The fields every report of the page shares: the browser program, port "80", the mail header.
void FillCommonFields(DetectionRecord& record, const MailHeaderParser& parser,
                      IWebBrowser2* browser) {
    char path[kTextBuffer] = {};
    BrowserProgram(browser, path);
    FillSender(record, path);
    FillEndpoint(record, "", "80");
    // A header the mail does not have leaves its field empty.
    const auto header = [](bool present, const char* value) { return present ? value : nullptr; };
    FillMailHeaders(record, header(parser.HasFrom(), parser.GetFrom()),
                    header(parser.HasTo(), parser.GetTo()),
                    header(parser.HasSubject(), parser.GetSubject()),
                    header(parser.HasDate(), parser.GetDate()),
                    header(parser.HasAttachment(), parser.GetAttachment()));
}

// Sends the reports in their order F, S, L, T; they stop at the first one answered with a block,
// and at most one link report goes out. Returns the allow flag.
bool Report(const MailHeaderParser& parser, const Findings& found, IWebBrowser2* browser) {
    DetectionRecord record;
    std::memset(&record, 0, sizeof record);
    FillCommonFields(record, parser, browser);
    bool allow = true;
    if (found.badFrom)
        allow = SendMailReport(record, kKindFrom);
    if (found.badSubject && allow)
        allow = SendMailReport(record, kKindSubject);
    if (found.badVisibleLink && allow) {
        CopyField(record.mail.linkText, found.visibleText);
        CopyField(record.mail.linkTarget, found.visiblePattern);
        allow = SendMailReport(record, kKindLink);
    } else if (found.badHiddenLink && allow) {
        CopyField(record.mail.linkText, found.hiddenPattern);
        CopyField(record.mail.linkTarget, found.hiddenPattern);
        allow = SendMailReport(record, kKindLink);
    }
    if (found.badText && allow) {
        CopyField(record.mail.matchedText, found.matchedText);
        allow = SendMailReport(record, kKindText);
    }
    return allow;
}

} // namespace

// ---- capture ----

HRESULT HTMLSourceParser::CaptureThroughClipboard(IHTMLDocument2* document, Capture* capture) {
    HRESULT hr = RunCommand(document, u"Unselect");
    if (FAILED(hr))
        return hr;
    hr = RunCommand(document, u"SelectAll");
    if (FAILED(hr)) {
        RunCommand(document, u"Unselect");
        return hr;
    }
    hr = RunCommand(document, u"Copy");
    if (FAILED(hr)) {
        RunCommand(document, u"Unselect");
        return hr;
    }
    RunCommand(document, u"Unselect");

    IClipboard* clipboard = GetClipboard();
    if (!clipboard->OpenClipboard(nullptr))
        return S_OK;
    if (clipboard->GetClipboardText(&capture->text))
        capture->hasText = true;
    clipboard->EmptyClipboard();
    clipboard->CloseClipboard();
    return S_OK;
}

HRESULT HTMLSourceParser::CapturePage(IHTMLDocument2* document, Capture* capture) {
    ComPtr<IHTMLElement> body;
    HRESULT hr = document->get_body(body.Put());
    if (FAILED(hr))
        return hr;
    if (!body)
        return E_FAIL;

    BStr outerText;
    hr = body->get_outerText(outerText.Put());
    if (FAILED(hr))
        return hr;
    if (!outerText.Get()) {
        hr = CaptureThroughClipboard(document, capture);
        if (FAILED(hr))
            return hr;
    } else if (outerText.Length() > 0) {
        // UTF-8, not a single-byte code page: the mail lookups fold the case of every script,
        // and a page in Cyrillic or Greek would otherwise reach them as question marks.
        capture->text = Utf8FromBstr(outerText.Get());
        capture->hasText = true;
    }

    BStr outerHtml;
    hr = body->get_outerHTML(outerHtml.Put());
    if (FAILED(hr))
        return hr;
    capture->html = Utf8FromBstr(outerHtml.Get());
    return S_OK;
}

// ---- analysis, reports and reaction ----

HRESULT HTMLSourceParser::AnalyzePage() {
    // The browser reference is gone once the browser detached with a null site.
    if (!m_spWebBrowser)
        return E_POINTER;
    ComPtr<IDispatch> dispatch;
    HRESULT hr = m_spWebBrowser->get_Document(dispatch.Put());
    if (FAILED(hr))
        return hr;
    ComPtr<IHTMLDocument2> document;
    hr = dispatch.As(IID_IHTMLDocument2, &document);
    if (FAILED(hr))
        return hr;
    if (!document)
        return E_NOINTERFACE;

    Capture page;
    hr = CapturePage(document.Get(), &page);
    if (FAILED(hr))
        return hr;
    // Text from the clipboard may be empty, and a NUL inside ends the text for the parser too.
    if (!page.hasText || page.html.empty())
        return S_OK;

    MailHeaderParser parser;
    parser.SetText(page.text.c_str());
    if (!parser.ParseFromTo())
        return S_OK;
    parser.ParseAll();

    Findings found;
    if (parser.HasFrom())
        found.badFrom = CLSPGlobals::IsBadMailFrom(parser.GetFrom());
    if (parser.HasSubject())
        found.badSubject = CLSPGlobals::IsBadMailSubject(parser.GetSubject());
    if (parser.HasBody())
        found.badText = CLSPGlobals::IsBadMailText(parser.GetBody(), found.matchedText);
    parser.SetHtml(page.html.c_str());
    if (parser.HasBody()) {
        found.badVisibleLink = CLSPGlobals::IsBadVisibleMailLinks(
            parser.GetBody(), found.visibleText, found.visiblePattern);
        if (!found.badVisibleLink)
            found.badHiddenLink =
                CLSPGlobals::IsBadMailLinks(parser.GetBody(), found.hiddenPattern);
    }
    if (!found.Any())
        return S_OK;

    bool allow = Report(parser, found, m_spWebBrowser.Get());
    if (!allow && m_spWebBrowser)
        ShowWarningPage(document.Get());
    return S_OK;
}

void HTMLSourceParser::ShowWarningPage(IHTMLDocument2* document) {
    m_spWebBrowser->Stop();
    BStr url(SysAllocStringFromUtf8(CLSPGlobals::szPMailPath));
    HRESULT hr = url.Get() ? document->put_URL(url.Get()) : E_OUTOFMEMORY;
    if (SUCCEEDED(hr))
        return;
    if (SUCCEEDED(m_spWebBrowser->GoBack()))
        return;
    m_spWebBrowser->Refresh();
}
