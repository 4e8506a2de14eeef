// The check of a connection's first bytes: a TLS ClientHello whose server name the tray program
// blocks fails the write that carries it, and every later write on that socket.
#pragma once

#include "provider/SocketStates.h"

#include <sys/socket.h>
#include <sys/uio.h>

namespace hookwise::provider {

// Looks at a write on fd once a connect marked it (see SocketStates.h): the first write, and the
// writes that continue a ClientHello split over several. False when the write must fail with
// ECONNRESET and send nothing: its ClientHello names a server the tray program blocked, or the
// connection was blocked before. dest and destLength: a Fast Open send's address. Keeps errno.
bool CheckFirstBytes(int fd, const iovec* parts, int count, const sockaddr* dest,
                     socklen_t destLength);

// The cheap test of every write: a descriptor without state costs one load.
inline bool AllowWrite(int fd, const iovec* parts, int count, const sockaddr* dest = nullptr,
                       socklen_t destLength = 0) {
    if (SocketFlags(fd) == 0)
        return true;
    return CheckFirstBytes(fd, parts, count, dest, destLength);
}

} // namespace hookwise::provider
