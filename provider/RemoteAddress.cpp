// Endpoint formatting and socket kind tests for the interposed calls.
#include "provider/RemoteAddress.h"

#include <cstdio>
#include <cstring>

#include <arpa/inet.h>

#ifndef IPPROTO_MPTCP
#define IPPROTO_MPTCP 262
#endif

namespace hookwise::provider {

bool IsInternetAddress(const sockaddr* addr, socklen_t length) {
    if (!addr || length < static_cast<socklen_t>(sizeof(sa_family_t)))
        return false;
    if (addr->sa_family == AF_INET)
        return length >= static_cast<socklen_t>(sizeof(sockaddr_in));
    if (addr->sa_family == AF_INET6)
        return length >= static_cast<socklen_t>(sizeof(sockaddr_in6));
    return false;
}

namespace {

// Writes value in decimal at out and returns the end; no terminating NUL.
char* AppendDecimal(char* out, unsigned value) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

// Dotted decimal, as inet_ntop writes it, without its formatting machinery: the provider formats
// the address of every connection a program opens.
void FormatIPv4(const unsigned char* bytes, char* out) {
    for (int i = 0; i < 4; ++i) {
        out = AppendDecimal(out, bytes[i]);
        *out++ = i < 3 ? '.' : '\0';
    }
}

} // namespace

bool FormatEndpoint(const sockaddr* addr, socklen_t length, RemoteEndpoint& out) {
    out.host[0] = '\0';
    out.port[0] = '\0';
    if (!IsInternetAddress(addr, length))
        return false;
    unsigned port = 0;
    const char* text = nullptr;
    if (addr->sa_family == AF_INET) {
        sockaddr_in v4;
        std::memcpy(&v4, addr, sizeof v4);
        port = ntohs(v4.sin_port);
        FormatIPv4(reinterpret_cast<const unsigned char*>(&v4.sin_addr), out.host);
        text = out.host;
    } else {
        sockaddr_in6 v6;
        std::memcpy(&v6, addr, sizeof v6);
        port = ntohs(v6.sin6_port);
        // A dual-stack socket reaching an IPv4 host: the definitions list it as IPv4.
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            FormatIPv4(&v6.sin6_addr.s6_addr[12], out.host);
            text = out.host;
        } else
            text = inet_ntop(AF_INET6, &v6.sin6_addr, out.host, sizeof out.host);
    }
    if (!text) {
        out.host[0] = '\0';
        return false;
    }
    *AppendDecimal(out.port, port) = '\0'; // at most 65535: five digits
    return true;
}

bool IsTcpSocket(int fd) {
    int protocol = 0;
    socklen_t length = sizeof protocol;
    if (getsockopt(fd, SOL_SOCKET, SO_PROTOCOL, &protocol, &length) != 0)
        return false;
    return protocol == IPPROTO_TCP || protocol == IPPROTO_MPTCP;
}

} // namespace hookwise::provider
