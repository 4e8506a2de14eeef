// BlockedRequestPage and WriteBlockedRequestPage.
#include "core/BlockedRequestPage.h"

#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/ProductNames.h"

using namespace hookwise::platform;

namespace hookwise::core {

namespace {

// The text as HTML content: the five special characters escaped, line feeds as <br>.
std::string HtmlText(const std::string& text) {
    std::string html;
    html.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        case '\'':
            html += "&#39;";
            break;
        case '\n':
            html += "<br>\n";
            break;
        default:
            html += c;
        }
    }
    return html;
}

std::string PageOf(const std::string& title, const std::string& text) {
    const std::string heading = HtmlText(title);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + heading +
           "</title></head>\n<body><h1>" + heading + "</h1>\n<p>" + HtmlText(text) +
           "</p></body></html>\n";
}

} // namespace

std::string BlockedRequestPage() {
    std::string page = PageOf(LoadText(kStrBlockedPageTitle), LoadText(kStrBlockedPageText));
    if (page.size() <= kBlockedRequestPageMaxBytes)
        return page;
    return PageOf(BuiltInText(kStrBlockedPageTitle), BuiltInText(kStrBlockedPageText));
}

bool WriteBlockedRequestPage(const std::string& folder) {
    return WriteFileAtomically(folder + "/" + kBlockedRequestPageFile, BlockedRequestPage(),
                               0644) == ERROR_SUCCESS;
}

} // namespace hookwise::core
