// The remote end of a socket as text, and the cheap tests that keep the provider off sockets that
// are not TCP over IPv4 or IPv6.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

namespace hookwise::provider {

struct RemoteEndpoint {
    char host[INET6_ADDRSTRLEN]; // "192.0.2.1", "2001:db8::1"; IPv4-mapped IPv6 as plain IPv4
    char port[6];                // decimal
};

// True for an AF_INET or AF_INET6 address at least as long as its family's structure.
bool IsInternetAddress(const sockaddr* addr, socklen_t length);

// Formats an internet address; false (and out emptied) for anything else.
bool FormatEndpoint(const sockaddr* addr, socklen_t length, RemoteEndpoint& out);

// True when fd is a TCP socket (or multipath TCP). One getsockopt; false for files, pipes and
// every other kind of socket. errno may change.
bool IsTcpSocket(int fd);

} // namespace hookwise::provider
