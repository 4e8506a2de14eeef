// AddressCheck: a page address split into its parts, looked up, and reported when listed.
#include "browser/host/AddressCheck.h"

#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/AsciiCase.h"
#include "platform/FixedField.h"
#include "platform/Module.h"
#include "platform/Window.h"

#include <algorithm>
#include <string_view>

using namespace hookwise::platform;

namespace browserhost {

namespace {

constexpr std::size_t kMaxPortDigits = 5;

// The parts of "scheme://[user@]host[:port][/path][?query][#fragment]" that the check uses.
struct AddressParts {
    std::string_view scheme;
    std::string_view host; // an IPv6 host keeps its brackets
    std::string_view port; // empty when the address names none
    std::string_view path; // from the first '/' after the host, without query and fragment
};

bool SplitAddress(std::string_view url, AddressParts& parts) {
    std::size_t separator = url.find("://");
    if (separator == std::string_view::npos)
        return false;
    parts.scheme = url.substr(0, separator);
    std::string_view rest = url.substr(separator + 3);
    std::size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view tail =
        authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::size_t hostEnd = 0;
    if (!authority.empty() && authority.front() == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return false;
        hostEnd = close + 1;
    } else {
        hostEnd = std::min(authority.find(':'), authority.size());
    }
    parts.host = authority.substr(0, hostEnd);
    std::string_view afterHost = authority.substr(hostEnd);
    if (!afterHost.empty() && afterHost.front() != ':')
        return false;
    parts.port = afterHost.empty() ? afterHost : afterHost.substr(1);
    parts.path = tail.substr(0, tail.find_first_of("?#"));
    return true;
}

bool IsPortNumber(std::string_view port) {
    if (port.empty() || port.size() > kMaxPortDigits)
        return false;
    for (char c : port) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool IsHttps(const std::string& url) {
    return EqualsIgnoreAsciiCase(std::string_view(url).substr(0, 8), "https://");
}

} // namespace

bool IsWebAddress(const std::string& url) {
    return IsHttps(url) || EqualsIgnoreAsciiCase(std::string_view(url).substr(0, 7), "http://");
}

std::string AddressPort(const std::string& url) {
    AddressParts parts;
    if (!IsWebAddress(url) || !SplitAddress(url, parts))
        return "";
    if (parts.port.empty())
        return IsHttps(url) ? "443" : "80";
    return IsPortNumber(parts.port) ? std::string(parts.port) : "";
}

AddressVerdict CheckAddress(const std::string& url, const std::string& program) {
    // Nothing leaves the engine as an exception into the host's message loop: a lookup that
    // fails finds nothing, as a missing database does.
    try {
        if (!IsWebAddress(url))
            return AddressVerdict::NotListed;
        if (!CLSPGlobals::InitializeAppVars())
            return AddressVerdict::NotListed;
        // The whole address, cut to the field: the lookup drops scheme, user, port, query and
        // fragment itself.
        char probe[kFieldSize];
        CopyField(probe, url.c_str());
        if (!CLSPGlobals::IsBadUrl(probe))
            return AddressVerdict::NotListed;

        DetectionRecord record;
        ClearRecord(record);
        char sender[kFieldSize] = {};
        CopyField(sender, program.c_str());
        if (sender[0] == '\0')
            GetModuleFileNameA(nullptr, sender, sizeof sender);
        FillSender(record, sender);
        FillEndpoint(record, "", AddressPort(url).c_str());
        CopyField(record.web.url, url.c_str());
        record.web.kind = kKindUrl; // last, as every sender does
        // No tray program to answer gives 0: the page is treated as blocked, as a mail is.
        return SendCopyData(CLSPGlobals::hMainWnd, kReportUrl, &record, sizeof record) != 0
                   ? AddressVerdict::Allowed
                   : AddressVerdict::Blocked;
    } catch (...) {
        return AddressVerdict::NotListed;
    }
}

} // namespace browserhost
