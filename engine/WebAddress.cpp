// Reading a web address: scheme, user information, port, query and fragment dropped, the host in
// lower-case ASCII (internationalised hosts through libidn2), the path lower-cased without its
// trailing slashes.
#include "engine/WebAddress.h"

#include "platform/AsciiCase.h"

#include <idn2.h>

#include <cstdlib>
#include <cstring>

using namespace hookwise::platform;

namespace {

bool EndsHost(char c) {
    return c == '/' || c == '\\' || c == '?' || c == '#' || c == '"' || c == '\'' || c == '<' ||
           c == '>' || static_cast<unsigned char>(c) <= ' ';
}

bool EndsPath(char c) {
    return c == '?' || c == '#' || c == '"' || c == '\'' || c == '<' || c == '>' ||
           static_cast<unsigned char>(c) <= ' ' || c == '\x7f';
}

// A host of labels of letters, digits, '-' and '_', none empty, at least two.
bool IsDottedHost(std::string_view host) {
    if (host.empty() || host.size() > kMaxWebHostLength)
        return false;
    std::size_t labels = 1;
    char previous = '.';
    for (char c : host) {
        if (c == '.') {
            if (previous == '.')
                return false;
            ++labels;
        } else if (!IsWebHostCharacter(c)) {
            return false;
        }
        previous = c;
    }
    return previous != '.' && labels >= 2;
}

// "[" hex digits, ':' and '.' "]", with at least one ':'.
bool IsBracketedIpv6(std::string_view host) {
    if (host.size() < 4 || host.front() != '[' || host.back() != ']')
        return false;
    bool colon = false;
    for (char c : host.substr(1, host.size() - 2)) {
        if (c == ':')
            colon = true;
        else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '.'))
            return false;
    }
    return colon;
}

bool HasHighBytes(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// The punycode form of a UTF-8 host (UTS #46 mapping: Unicode lower case, full-width dots),
// into out; false when it is no valid internationalised name.
bool ToAsciiHost(std::string_view host, char (&out)[kMaxWebHostLength + 1], std::size_t& length) {
    char input[kMaxWebHostLength * 4 + 1];
    if (host.size() >= sizeof input)
        return false;
    std::memcpy(input, host.data(), host.size());
    input[host.size()] = '\0';
    char* ascii = nullptr;
    int rc = idn2_to_ascii_8z(input, &ascii, IDN2_NONTRANSITIONAL | IDN2_NFC_INPUT);
    if (rc != IDN2_OK)
        rc = idn2_to_ascii_8z(input, &ascii, IDN2_TRANSITIONAL | IDN2_NFC_INPUT);
    if (rc != IDN2_OK || !ascii)
        return false;
    std::size_t n = std::strlen(ascii);
    bool fits = n <= kMaxWebHostLength;
    if (fits) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = AsciiLower(ascii[i]);
        length = n;
    }
    idn2_free(ascii);
    return fits;
}

} // namespace

bool ParseWebAddress(std::string_view text, WebAddressParts& parts) {
    parts.hostLength = 0;
    parts.pathLength = 0;
    parts.host[0] = '\0';
    parts.path[0] = '\0';
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);

    // The scheme: "://" at the first slash, whatever comes before it ('href="http://...').
    std::size_t slash = text.find('/');
    if (slash != std::string_view::npos && slash >= 1 && text[slash - 1] == ':' &&
        slash + 1 < text.size() && text[slash + 1] == '/')
        text.remove_prefix(slash + 2);
    else if (text.substr(0, 2) == "//")
        text.remove_prefix(2);

    std::size_t end = 0;
    while (end < text.size() && !EndsHost(text[end]))
        ++end;
    std::string_view authority = text.substr(0, end);
    std::string_view rest = text.substr(end);
    std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);

    std::string_view host = authority;
    if (!host.empty() && host.front() == '[') {
        std::size_t close = host.find(']');
        if (close == std::string_view::npos)
            return false;
        host = host.substr(0, close + 1);
    } else if (std::size_t colon = host.find(':'); colon != std::string_view::npos) {
        host = host.substr(0, colon);
    }
    if (!host.empty() && host.back() == '.')
        host.remove_suffix(1);
    if (host.empty())
        return false;

    if (HasHighBytes(host)) {
        if (!ToAsciiHost(host, parts.host, parts.hostLength))
            return false;
    } else {
        if (host.size() > kMaxWebHostLength)
            return false;
        for (std::size_t i = 0; i < host.size(); ++i)
            parts.host[i] = AsciiLower(host[i]);
        parts.hostLength = host.size();
    }
    std::string_view lowered(parts.host, parts.hostLength);
    if (!IsDottedHost(lowered) && !IsBracketedIpv6(lowered))
        return false;
    if (lowered.size() > 4 && lowered.substr(0, 4) == "www." &&
        lowered.find('.', 4) != std::string_view::npos) {
        std::memmove(parts.host, parts.host + 4, parts.hostLength - 4);
        parts.hostLength -= 4;
    }
    parts.host[parts.hostLength] = '\0';

    if (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) {
        std::size_t n = 0;
        while (n < rest.size() && !EndsPath(rest[n]))
            ++n;
        if (n > kMaxWebPathLength)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            parts.path[i] = rest[i] == '\\' ? '/' : AsciiLower(rest[i]);
        while (n > 0 && parts.path[n - 1] == '/')
            --n;
        parts.pathLength = n;
        parts.path[n] = '\0';
    }
    return true;
}

bool ParseWebAddress(std::string_view text, WebAddress& address) {
    WebAddressParts parts;
    if (!ParseWebAddress(text, parts))
        return false;
    address.host.assign(parts.Host());
    address.path.assign(parts.Path());
    return true;
}
