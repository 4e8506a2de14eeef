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
        text = inet_ntop(AF_INET, &v4.sin_addr, out.host, sizeof out.host);
    } else {
        sockaddr_in6 v6;
        std::memcpy(&v6, addr, sizeof v6);
        port = ntohs(v6.sin6_port);
        // A dual-stack socket reaching an IPv4 host: the definitions list it as IPv4.
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr))
            text = inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], out.host, sizeof out.host);
        else
            text = inet_ntop(AF_INET6, &v6.sin6_addr, out.host, sizeof out.host);
    }
    if (!text) {
        out.host[0] = '\0';
        return false;
    }
    std::snprintf(out.port, sizeof out.port, "%u", port);
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
