// The provider's two checks: a TCP connection to a listed host, and an HTTP request for a listed
// URL. Each asks the engine and, on a hit, the tray program, and says whether to let the call on.
#pragma once

#include <sys/socket.h>
#include <sys/uio.h>

namespace hookwise::provider {

// Called for a connect (or a Fast Open send on an unconnected socket) to an internet address.
// False only when the address is listed (IsBadIP) and the tray program's answer to the 1125
// report is 0. Non-TCP sockets and a tray program that is not running give true at once.
bool AllowConnection(int fd, const sockaddr* addr, socklen_t length);

// Called for outgoing data that StartsHttpGet. The remote end is the socket's peer, or dest when
// the socket is not connected yet and flags hold MSG_FASTOPEN. False only when the request gives
// an address (GetUrl), the address is listed (IsBadUrl) and the tray program's answer to the 1126
// report is 0.
bool AllowRequest(int fd, const iovec* iov, int count, int flags, const sockaddr* dest,
                  socklen_t destLength);

} // namespace hookwise::provider
