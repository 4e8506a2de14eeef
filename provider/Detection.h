// The provider's checks: a TCP connection to a listed host, an HTTP request for a listed URL,
// and a TLS connection to a listed server name. Each asks the engine and, on a hit, the tray
// program, and says whether to let the call on.
#pragma once

#include <sys/socket.h>
#include <sys/uio.h>

namespace hookwise::provider {

// Called for a connect (or a Fast Open send on an unconnected socket) to an internet address.
// False only when the address is listed (IsBadIP) and the tray program's answer to the 1125
// report is 0. Non-TCP sockets and a tray program that is not running give true at once.
bool AllowConnection(int fd, const sockaddr* addr, socklen_t length);

// Called for outgoing data that StartsHttpRequest. The remote end is the socket's peer, or dest
// when the socket is not connected yet and flags hold MSG_FASTOPEN. False only when the request
// gives an address (GetUrl), the address is listed (IsBadUrl) and the tray program's answer to the
// 1126 report is 0.
bool AllowRequest(int fd, const iovec* iov, int count, int flags, const sockaddr* dest,
                  socklen_t destLength);

// Called with the server name of a connection's ClientHello (lower-cased). The remote end is the
// socket's peer, or dest for a Fast Open send. False only when the name is listed
// (IsBadHostName), fd is a TCP socket, and the tray program's answer to the 1126 report (kind 'U',
// the name as the address) is 0. A name already allowed at its lookup for this socket
// (DecidedName) is not asked about again.
bool AllowServerName(int fd, const char* name, const sockaddr* dest, socklen_t destLength);

// A name lookup's verdict: not a listed name, listed and allowed by the tray program, or blocked.
enum class LookupVerdict { NotListed, Allowed, Blocked };

// Called for a name a program looks up (getaddrinfo, gethostbyname*) before any address is
// returned. Blocked only when the name is listed (IsBadHostName) and the tray program's answer
// to the 1126 report (kind 'U', the name as the address, no host address, the port when service
// is a number, "http" or "https") is 0. Numeric addresses and a tray program that is not
// running give NotListed at once. service may be null.
LookupVerdict CheckLookup(const char* name, const char* service);

} // namespace hookwise::provider
