// The check of a connection's first bytes: a TLS ClientHello whose server name the tray program
// blocks fails the write that carries it, and every later write on that socket; writes after a
// blocked request the provider answered itself are dropped.
#pragma once

#include "provider/SocketStates.h"

#include <sys/socket.h>
#include <sys/uio.h>

namespace hookwise::provider {

// What becomes of a write: sent on, failed with ECONNRESET (nothing sent), or taken and dropped
// (reported as fully sent).
enum class WriteVerdict { Send, Refuse, Drop };

// Looks at a write on fd once a connect marked it (see SocketStates.h): the first write, and the
// writes that continue a ClientHello split over several. Refuse when its ClientHello names a
// server the tray program blocked, or the connection was refused before; Drop when the provider
// answered a blocked request on fd (the program's socket is the provider's answer now, and what
// the program writes after the request goes nowhere). dest and destLength: a Fast Open send's
// address. Keeps errno.
WriteVerdict CheckFirstBytes(int fd, const iovec* parts, int count, const sockaddr* dest,
                             socklen_t destLength);

// The cheap test of every write: a descriptor without state costs one load.
inline WriteVerdict CheckWrite(int fd, const iovec* parts, int count,
                               const sockaddr* dest = nullptr, socklen_t destLength = 0) {
    if (SocketFlags(fd) == 0)
        return WriteVerdict::Send;
    return CheckFirstBytes(fd, parts, count, dest, destLength);
}

} // namespace hookwise::provider
