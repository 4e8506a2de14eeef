// StartsHttpGet and CopyRequestHead: bounded byte work only, no allocation and no system calls.
#include "provider/RequestHead.h"
#include "platform/AsciiCase.h"

#include <cstring>

namespace hookwise::provider {

namespace {} // namespace

bool StartsHttpGet(const void* data, std::size_t size) {
    if (!data || size < 4)
        return false;
    const char* p = static_cast<const char*>(data);
    return AsciiLower(p[0]) == 'g' && AsciiLower(p[1]) == 'e' && AsciiLower(p[2]) == 't' &&
           p[3] == ' ';
}

bool StartsHttpGet(const iovec* iov, int count) {
    if (!iov || count <= 0)
        return false;
    // The common case: the whole start in the first buffer.
    if (iov[0].iov_base && iov[0].iov_len >= 4)
        return StartsHttpGet(iov[0].iov_base, iov[0].iov_len);
    char start[4];
    std::size_t have = 0;
    for (int i = 0; i < count && have < sizeof start; ++i) {
        if (!iov[i].iov_base)
            continue;
        const char* p = static_cast<const char*>(iov[i].iov_base);
        for (std::size_t j = 0; j < iov[i].iov_len && have < sizeof start; ++j)
            start[have++] = p[j];
    }
    return StartsHttpGet(start, have);
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
