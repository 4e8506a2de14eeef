// The interposed C library functions of libhookswp_lsp.so: connect, send, sendto, sendmsg, write
// and writev. Each lets the call through untouched unless it opens a TCP connection, writes the
// first bytes of one (a TLS ClientHello and its server name), or starts an HTTP request, and acts
// only on the tray program's "block": a connection fails with ECONNREFUSED, a ClientHello with
// ECONNRESET, and a plain-HTTP request is answered by the provider with "403 Forbidden" (see
// BlockedAnswer.h; ECONNRESET when that answer cannot be set up), the request reported as sent.
//
// Early exits come first and cost a few compares: calls made by the provider itself, addresses
// that are not IPv4 or IPv6, writes on descriptors no connect marked, data that does not begin
// like a request. errno is the host's own everywhere except when a call is failed on purpose.
#include "provider/BlockedAnswer.h"
#include "provider/DecidedNames.h"
#include "provider/Detection.h"
#include "provider/FirstBytes.h"
#include "provider/ProviderGuard.h"
#include "provider/RealCalls.h"
#include "provider/RemoteAddress.h"
#include "provider/RequestHead.h"

#include <cerrno>
#include <climits>

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#define HOOKWISE_INTERPOSE extern "C" __attribute__((visibility("default")))

using namespace hookwise::provider;

namespace {

ssize_t Missing() {
    errno = ENOSYS;
    return -1;
}

ssize_t ResetRequest() {
    errno = ECONNRESET;
    return -1;
}

// The bytes a call would have written, as the call reports them when all were sent.
ssize_t TotalSize(const iovec* iov, int count) {
    std::size_t total = 0;
    for (int i = 0; iov && i < count; ++i) {
        if (iov[i].iov_len > SSIZE_MAX - total)
            return SSIZE_MAX;
        total += iov[i].iov_len;
    }
    return static_cast<ssize_t>(total);
}

// A write that CheckWrite did not let through: refused, or dropped as if sent.
ssize_t Withheld(WriteVerdict verdict, const iovec* iov, int count) {
    if (verdict == WriteVerdict::Drop)
        return TotalSize(iov, count);
    return ResetRequest();
}

// A request the tray program blocked: answered with the 403 page and reported as sent, or, when
// that cannot be set up, failed as a reset.
ssize_t BlockedRequest(int fd, const iovec* iov, int count) {
    if (AnswerForbidden(fd, !StartsHeadRequest(iov, count)))
        return TotalSize(iov, count);
    return ResetRequest();
}

// A Fast Open send on a socket that is not connected yet connects it: the host check applies,
// and its data are the connection's first bytes.
bool AllowFastOpen(int fd, int flags, const sockaddr* dest, socklen_t destLength) {
    if (!(flags & MSG_FASTOPEN) || !IsInternetAddress(dest, destLength))
        return true;
    std::uint32_t decided = DecidedNameFor(dest, destLength);
    if (decided == 0 && !AllowConnection(fd, dest, destLength))
        return false;
    NoteConnect(fd, decided);
    return true;
}

} // namespace

HOOKWISE_INTERPOSE int connect(int fd, const sockaddr* addr, socklen_t length) {
    ConnectFn real = RealConnect();
    if (!real)
        return static_cast<int>(Missing());
    if (ProviderGuard::Active() || !IsInternetAddress(addr, length))
        return real(fd, addr, length);
    // An address of a name the user was just asked about and allowed: the same visit.
    std::uint32_t decided = DecidedNameFor(addr, length);
    if (decided == 0 && !AllowConnection(fd, addr, length)) {
        errno = ECONNREFUSED;
        return -1;
    }
    NoteConnect(fd, decided);
    return real(fd, addr, length);
}

HOOKWISE_INTERPOSE ssize_t send(int fd, const void* data, size_t size, int flags) {
    SendFn real = RealSend();
    if (!real)
        return Missing();
    if (ProviderGuard::Active())
        return real(fd, data, size, flags);
    iovec iov{const_cast<void*>(data), size};
    if (WriteVerdict verdict = CheckWrite(fd, &iov, 1); verdict != WriteVerdict::Send)
        return Withheld(verdict, &iov, 1);
    if (!StartsHttpRequest(data, size))
        return real(fd, data, size, flags);
    if (!AllowRequest(fd, &iov, 1, flags, nullptr, 0))
        return BlockedRequest(fd, &iov, 1);
    return real(fd, data, size, flags);
}

HOOKWISE_INTERPOSE ssize_t sendto(int fd, const void* data, size_t size, int flags,
                                  const sockaddr* dest, socklen_t destLength) {
    SendToFn real = RealSendTo();
    if (!real)
        return Missing();
    if (ProviderGuard::Active())
        return real(fd, data, size, flags, dest, destLength);
    if (!AllowFastOpen(fd, flags, dest, destLength)) {
        errno = ECONNREFUSED;
        return -1;
    }
    iovec iov{const_cast<void*>(data), size};
    if (WriteVerdict verdict = CheckWrite(fd, &iov, 1, dest, destLength);
        verdict != WriteVerdict::Send)
        return Withheld(verdict, &iov, 1);
    if (!StartsHttpRequest(data, size))
        return real(fd, data, size, flags, dest, destLength);
    if (!AllowRequest(fd, &iov, 1, flags, dest, destLength))
        return BlockedRequest(fd, &iov, 1);
    return real(fd, data, size, flags, dest, destLength);
}

HOOKWISE_INTERPOSE ssize_t sendmsg(int fd, const msghdr* message, int flags) {
    SendMsgFn real = RealSendMsg();
    if (!real)
        return Missing();
    if (ProviderGuard::Active() || !message)
        return real(fd, message, flags);
    const auto* dest = static_cast<const sockaddr*>(message->msg_name);
    if (!AllowFastOpen(fd, flags, dest, message->msg_namelen)) {
        errno = ECONNREFUSED;
        return -1;
    }
    int count = static_cast<int>(message->msg_iovlen);
    if (WriteVerdict verdict = CheckWrite(fd, message->msg_iov, count, dest, message->msg_namelen);
        verdict != WriteVerdict::Send)
        return Withheld(verdict, message->msg_iov, count);
    if (!StartsHttpRequest(message->msg_iov, count))
        return real(fd, message, flags);
    if (!AllowRequest(fd, message->msg_iov, count, flags, dest, message->msg_namelen))
        return BlockedRequest(fd, message->msg_iov, count);
    return real(fd, message, flags);
}

HOOKWISE_INTERPOSE ssize_t write(int fd, const void* data, size_t size) {
    WriteFn real = RealWrite();
    if (!real)
        return Missing();
    if (ProviderGuard::Active())
        return real(fd, data, size);
    iovec iov{const_cast<void*>(data), size};
    if (WriteVerdict verdict = CheckWrite(fd, &iov, 1); verdict != WriteVerdict::Send)
        return Withheld(verdict, &iov, 1);
    if (!StartsHttpRequest(data, size))
        return real(fd, data, size);
    if (!AllowRequest(fd, &iov, 1, 0, nullptr, 0))
        return BlockedRequest(fd, &iov, 1);
    return real(fd, data, size);
}

HOOKWISE_INTERPOSE ssize_t writev(int fd, const iovec* iov, int count) {
    WriteVFn real = RealWriteV();
    if (!real)
        return Missing();
    if (ProviderGuard::Active())
        return real(fd, iov, count);
    if (WriteVerdict verdict = CheckWrite(fd, iov, count); verdict != WriteVerdict::Send)
        return Withheld(verdict, iov, count);
    if (!StartsHttpRequest(iov, count))
        return real(fd, iov, count);
    if (!AllowRequest(fd, iov, count, 0, nullptr, 0))
        return BlockedRequest(fd, iov, count);
    return real(fd, iov, count);
}
