// Request target extraction: the short web address (host and path, no "www.", no query) of an
// outgoing HTTP/1.1 GET request, or nothing for requests of images, styles, sounds, XML, scripts.
#include "engine/LSPGlobals.h"
#include "platform/AsciiCase.h"
#include "platform/FixedField.h"

#include <cstring>

namespace {

constexpr std::size_t kUrlSize = kFieldSize;
constexpr std::size_t kPathSize = kFieldSize;
constexpr std::size_t kHostSize = 100;
constexpr std::size_t kExtensionSize = 10;
constexpr std::size_t kExtensionChars = 4;
constexpr std::size_t kMaxLine = 260;

constexpr const char* kHostMarker = "host: ";
constexpr std::size_t kHostMarkerLen = 6;
constexpr const char* kGetMarker = "get ";
constexpr std::size_t kGetMarkerLen = 4;
constexpr const char* kVersionMarker = " http/1.1";

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

// Drops a leading "www." from a zero-terminated text in place.
void StripWww(char* text) {
    if (std::strncmp(text, "www.", 4) == 0)
        std::memmove(text, text + 4, std::strlen(text + 4) + 1);
}

} // namespace

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

    // Host: from after "host: " to the character before the line feed (the carriage return, or
    // the last host character when the line ends in a bare line feed).
    const char* hostLabel = std::strstr(request, kHostMarker);
    if (!hostLabel)
        return;
    const char* hostStart = hostLabel + kHostMarkerLen;
    const char* lineFeed = std::strchr(hostStart, '\n');
    if (!lineFeed)
        return;
    const std::ptrdiff_t hostLen = (lineFeed - 1) - hostStart;
    if (hostLen < 0 || hostLen > static_cast<std::ptrdiff_t>(kMaxLine))
        return;
    // Host names that do not fit the host field give no address rather than a cut one.
    if (hostLen >= static_cast<std::ptrdiff_t>(kHostSize))
        return;
    std::memcpy(host, hostStart, static_cast<std::size_t>(hostLen));

    // Path: between the first "get " and the first " http/1.1" after it.
    const char* get = std::strstr(request, kGetMarker);
    if (!get)
        return;
    const char* pathStart = get + kGetMarkerLen;
    const char* version = std::strstr(pathStart, kVersionMarker);
    if (!version)
        return;
    const std::size_t pathLen = static_cast<std::size_t>(version - pathStart);
    if (pathLen > kMaxLine)
        return;
    std::memcpy(path, pathStart, pathLen);

    const std::size_t hostChars = static_cast<std::size_t>(hostLen);
    if (CompareIgnoreAsciiCase(path, "/") == 0) {
        if (hostChars < kMaxLine)
            std::memcpy(url, host, hostChars + 1);
        StripWww(url);
        return;
    }

    const char* lastSlash = std::strrchr(path, '/');
    if (!lastSlash)
        return;
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
