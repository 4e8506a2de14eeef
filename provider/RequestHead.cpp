// StartsHttpRequest, StartsHeadRequest and CopyRequestHead: bounded byte work only, no allocation
// and no system calls.
#include "provider/RequestHead.h"

#include "platform/AsciiCase.h"

#include <cstring>

using namespace hookwise::platform;

namespace hookwise::provider {

namespace {

constexpr std::size_t kMinMethod = 3;
constexpr std::size_t kMaxMethod = 10;
// The longest start that decides: a method, the blank and "https://".
constexpr std::size_t kStartBytes = kMaxMethod + 1 + 8;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWithLower(const char* p, std::size_t size, const char* prefix, std::size_t length) {
    if (size < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (AsciiLower(p[i]) != prefix[i])
            return false;
    }
    return true;
}

// Copies the first bytes of the iovec array into start (at most its size); returns how many.
std::size_t GatherStart(const iovec* iov, int count, char (&start)[kStartBytes]) {
    std::size_t have = 0;
    for (int i = 0; iov && i < count && have < sizeof start; ++i) {
        if (!iov[i].iov_base)
            continue;
        const char* p = static_cast<const char*>(iov[i].iov_base);
        for (std::size_t j = 0; j < iov[i].iov_len && have < sizeof start; ++j)
            start[have++] = p[j];
    }
    return have;
}

} // namespace

bool StartsHttpRequest(const void* data, std::size_t size) {
    if (!data || size < kMinMethod + 2)
        return false;
    const char* p = static_cast<const char*>(data);
    if (!IsAsciiLetter(p[0]))
        return false;
    std::size_t method = 1;
    while (method < size && method <= kMaxMethod && IsAsciiLetter(p[method]))
        ++method;
    if (method < kMinMethod || method > kMaxMethod || method >= size || p[method] != ' ')
        return false;
    const char* target = p + method + 1;
    const std::size_t rest = size - method - 1;
    if (rest == 0)
        return false;
    return target[0] == '/' || StartsWithLower(target, rest, "http://", 7) ||
           StartsWithLower(target, rest, "https://", 8);
}

bool StartsHttpRequest(const iovec* iov, int count) {
    if (!iov || count <= 0)
        return false;
    // The common case: the whole start in the first buffer.
    if (iov[0].iov_base && iov[0].iov_len >= kStartBytes)
        return StartsHttpRequest(iov[0].iov_base, iov[0].iov_len);
    char start[kStartBytes];
    return StartsHttpRequest(start, GatherStart(iov, count, start));
}

bool StartsHeadRequest(const iovec* iov, int count) {
    char start[kStartBytes];
    return StartsWithLower(start, GatherStart(iov, count, start), "head ", 5);
}

std::size_t CopyRequestHead(const iovec* iov, int count, char (&out)[kRequestHeadBytes + 1]) {
    std::size_t length = 0;
    for (int i = 0; iov && i < count && length < kRequestHeadBytes; ++i) {
        if (!iov[i].iov_base)
            continue;
        const char* p = static_cast<const char*>(iov[i].iov_base);
        for (std::size_t j = 0; j < iov[i].iov_len && length < kRequestHeadBytes; ++j) {
            if (p[j] == '\0')
                goto done;
            out[length++] = AsciiLower(p[j]);
        }
    }
done:
    out[length] = '\0';
    // Cut at the end of the head, keeping the CR LF of its last line.
    if (const char* end = std::strstr(out, "\r\n\r\n")) {
        length = static_cast<std::size_t>(end - out) + 2;
        out[length] = '\0';
    }
    return length;
}

} // namespace hookwise::provider
