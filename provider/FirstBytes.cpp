// CheckFirstBytes: the first write's ClientHello, one split over writes, refused and answered
// sockets.
#include "provider/FirstBytes.h"

#include "provider/ClientHello.h"
#include "provider/Detection.h"
#include "provider/EngineGate.h"
#include "platform/ErrnoKeeper.h"

#include <cerrno>

using namespace hookwise::platform;

namespace hookwise::provider {

namespace {

bool Check(int fd, const iovec* parts, int count, const sockaddr* dest, socklen_t destLength) {
    if ((SocketFlags(fd) & kRefused) && IsRefused(fd))
        return false;
    const bool first = TakeFirstWrite(fd);
    iovec whole{};
    if (first) {
        // Nothing to look up while the tray program is not running: not even worth the read.
        if (!MayStartClientHello(parts, count) || !EngineReady())
            return true;
    } else {
        PendingHello* pending = ContinuePending(fd);
        if (!pending)
            return true;
        const void* bytes = nullptr;
        AppendPending(*pending, parts, count, bytes, whole.iov_len);
        whole.iov_base = const_cast<void*>(bytes);
        parts = &whole;
        count = 1;
    }
    char name[kServerNameSize];
    HelloScan scan = ScanClientHello(parts, count, name);
    if (scan == HelloScan::Incomplete) {
        // The part written so far goes out: without its server name it asks for nothing yet.
        if (first) {
            if (PendingHello* pending = StartPending(fd)) {
                const void* bytes = nullptr;
                std::size_t size = 0;
                AppendPending(*pending, parts, count, bytes, size);
            }
        }
        return true;
    }
    if (!first)
        DropPending(fd); // whole pointed into it: not used past here
    if (scan != HelloScan::ServerName)
        return true;
    if (AllowServerName(fd, name, dest, destLength))
        return true;
    MarkRefused(fd);
    return false;
}

} // namespace

WriteVerdict CheckFirstBytes(int fd, const iovec* parts, int count, const sockaddr* dest,
                             socklen_t destLength) {
    ErrnoKeeper keepErrno;
    if ((SocketFlags(fd) & kAnswered) && IsAnswered(fd))
        return WriteVerdict::Drop;
    return Check(fd, parts, count, dest, destLength) ? WriteVerdict::Send : WriteVerdict::Refuse;
}

} // namespace hookwise::provider
