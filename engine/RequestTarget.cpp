// Request target extraction: the short web address (host and path, no "www.", no port, no query)
// of an outgoing HTTP/1.0 or HTTP/1.1 request of any method, or nothing for requests of images,
// styles, sounds, XML and scripts.
//
// Sections: the request line; the Host header; the address.
#include "engine/LSPGlobals.h"
#include "platform/AsciiCase.h"
#include "platform/FixedField.h"
#include "platform/TextTrim.h"

#include <cstring>
#include <string_view>

using namespace hookwise::platform;

namespace {

constexpr std::size_t kUrlSize = kFieldSize;
constexpr std::size_t kPathSize = kFieldSize;
constexpr std::size_t kHostSize = 100;
constexpr std::size_t kExtensionSize = 10;
constexpr std::size_t kExtensionChars = 4;
constexpr std::size_t kMaxLine = 260;

// Requests for these are not page requests; compared ignoring case against the four characters
// that start at the first dot of the last path segment (so ".jpeg" is seen as ".jpe").
constexpr const char* kIgnoredExtensions[] = {".jpg", ".gif", ".jpe", ".css",
                                              ".wav", ".xml", ".js"};

bool IsIgnoredExtension(const char* extension) {
    for (const char* ignored : kIgnoredExtensions) {
        if (CompareIgnoreAsciiCase(extension, ignored) == 0)
            return true;
    }
    return false;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Drops a leading "www." (any case) from a zero-terminated text in place.
void StripWww(char* text) {
    if (StartsWithIgnoreCase(text, "www."))
        std::memmove(text, text + 4, std::strlen(text + 4) + 1);
}

// ---- the request line ----

// A character of an HTTP token (a method name).
bool IsTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

// The line that starts at text: up to its line feed or the end of the text, without the line
// feed and without one carriage return before it. next: the first character after the line feed,
// or null when the text ended first.
std::string_view LineAt(const char* text, const char** next) {
    const char* lineFeed = std::strchr(text, '\n');
    std::string_view line =
        lineFeed ? std::string_view(text, static_cast<std::size_t>(lineFeed - text)) : text;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    *next = lineFeed ? lineFeed + 1 : nullptr;
    return line;
}

// "METHOD SP target SP HTTP/1.0" (or HTTP/1.1), any letter case; the method is a token. False
// for any other line; target then is left alone.
bool ParseRequestLine(std::string_view line, std::string_view& target) {
    std::size_t methodEnd = 0;
    while (methodEnd < line.size() && IsTokenChar(line[methodEnd]))
        ++methodEnd;
    if (methodEnd == 0 || methodEnd >= line.size() || line[methodEnd] != ' ')
        return false;
    std::string_view rest = line.substr(methodEnd + 1);
    const std::size_t targetEnd = rest.find(' ');
    if (targetEnd == 0 || targetEnd == std::string_view::npos)
        return false;
    const std::string_view version = rest.substr(targetEnd + 1);
    if (!EqualsIgnoreAsciiCase(version, "http/1.1") && !EqualsIgnoreAsciiCase(version, "http/1.0"))
        return false;
    target = rest.substr(0, targetEnd);
    return true;
}

// ---- the Host header ----

// The value of the first header line named "host" (any case) among the lines from headers up to
// the empty line that ends the head, trimmed. Only whole lines count: one without its line feed
// (a head cut short) is not read. False when there is none.
bool FindHostHeader(const char* headers, std::string_view& value) {
    for (const char* line = headers; line && *line;) {
        const char* next = nullptr;
        const std::string_view text = LineAt(line, &next);
        if (!next || text.empty())
            return false;
        if (text.size() >= 5 && StartsWithIgnoreCase(text, "host") && text[4] == ':') {
            value = Trim(text.substr(5), kSpaceTab);
            return true;
        }
        line = next;
    }
    return false;
}

// A host as a Host header or a URL's authority names it, without user info ("user@") and port
// (":80"); a bracketed IPv6 address keeps its brackets.
std::string_view HostOfAuthority(std::string_view authority) {
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        return close == std::string_view::npos ? authority : authority.substr(0, close + 1);
    }
    return authority.substr(0, authority.find(':'));
}

// An absolute-form target ("http://host:port/path?query", as sent to a proxy): its host, and its
// path from the first '/' on (empty when the URL has none). False when the target is not one.
bool SplitAbsoluteTarget(std::string_view target, std::string_view& host, std::string_view& path) {
    std::size_t schemeLength = 0;
    if (StartsWithIgnoreCase(target, "http://"))
        schemeLength = 7;
    else if (StartsWithIgnoreCase(target, "https://"))
        schemeLength = 8;
    else
        return false;
    target.remove_prefix(schemeLength);
    const std::size_t authorityEnd = target.find_first_of("/?#");
    host = HostOfAuthority(target.substr(0, authorityEnd));
    path =
        authorityEnd == std::string_view::npos ? std::string_view() : target.substr(authorityEnd);
    return true;
}

} // namespace

// ---- the address ----

void CLSPGlobals::GetUrl(const char* request, char* url) {
    char path[kPathSize] = {};
    char host[kHostSize] = {};
    char extension[kExtensionSize] = {};
    // Without an output buffer there is nowhere to write the result: nothing is done, as for a
    // missing request.
    if (!url)
        return;
    std::memset(url, 0, kUrlSize);
    if (!request)
        return;

    const char* headers = nullptr;
    std::string_view target;
    if (!ParseRequestLine(LineAt(request, &headers), target))
        return;

    // Host and path: from the URL of an absolute-form target (the Host header is then not
    // needed, and ignored), else from the Host header and the target, which must be a path.
    std::string_view hostText;
    std::string_view pathText;
    if (SplitAbsoluteTarget(target, hostText, pathText)) {
        if (hostText.empty())
            return;
    } else {
        if (target.front() != '/')
            return;
        if (!headers || !FindHostHeader(headers, hostText))
            return;
        hostText = HostOfAuthority(hostText);
        pathText = target;
    }
    // Host names that do not fit the host field give no address rather than a cut one; so do
    // paths longer than the path field.
    if (hostText.size() >= kHostSize)
        return;
    const bool pathAdded = pathText.empty() || pathText.front() != '/';
    const std::size_t pathLen = pathText.size() + (pathAdded ? 1 : 0);
    if (pathLen > kMaxLine)
        return;
    hostText.copy(host, hostText.size());
    // "http://host" and "http://host?q" ask for the root, "/".
    if (pathAdded)
        path[0] = '/';
    pathText.copy(path + (pathAdded ? 1 : 0), pathText.size());

    const std::size_t hostChars = hostText.size();
    if (std::strcmp(path, "/") == 0) {
        std::memcpy(url, host, hostChars + 1);
        StripWww(url);
        return;
    }

    const char* lastSlash = std::strrchr(path, '/');
    if (const char* dot = std::strchr(lastSlash, '.'))
        std::memcpy(extension, dot, strnlen(dot, kExtensionChars));
    if (IsIgnoredExtension(extension))
        return;

    if (hostChars + pathLen >= kMaxLine)
        return;
    std::memcpy(url, host, hostChars);
    std::memcpy(url + hostChars, path, pathLen + 1);
    StripWww(url);
    if (char* query = std::strchr(url, '?'))
        *query = '\0';
}
