// SendCopyData over the detection channel: one connection per message, raw system calls only.
#include "platform/ChannelSender.h"

#include "platform/ErrnoKeeper.h"
#include "platform/UniqueFd.h"
#include "platform/Window.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace hookwise::platform {

namespace {

// The socket calls go straight to the kernel: a preloaded library that interposes connect, send,
// recv or poll must not see (or report) the channel's own traffic.
int RawConnect(int fd, const sockaddr* addr, socklen_t len) {
    return static_cast<int>(syscall(SYS_connect, fd, addr, len));
}

ssize_t RawSendMsg(int fd, const msghdr* msg, int flags) {
    return syscall(SYS_sendmsg, fd, msg, flags);
}

ssize_t RawRecv(int fd, void* buffer, size_t size) {
    return syscall(SYS_recvfrom, fd, buffer, size, MSG_DONTWAIT, nullptr, nullptr);
}

std::int64_t NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Milliseconds left until deadline (0 when it has passed); -1 (wait for ever) for no deadline.
int Remaining(std::int64_t deadline) {
    if (deadline < 0)
        return -1;
    std::int64_t left = deadline - NowMilliseconds();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// Waits until fd is ready for events or deadline passes (deadline -1: no limit). False on time-out
// or failure; a signal only restarts the wait.
bool WaitFor(int fd, short events, std::int64_t deadline) {
    for (;;) {
        int left = Remaining(deadline);
        if (left == 0 && deadline >= 0)
            return false;
        pollfd p{fd, events, 0};
        timespec timeout{left / 1000, static_cast<long>(left % 1000) * 1000000L};
        long rc = syscall(SYS_ppoll, &p, 1, left < 0 ? nullptr : &timeout, nullptr, 0);
        if (rc > 0)
            return true;
        if (rc < 0 && errno != EINTR)
            return false;
    }
}

// Connects before deadline. A receiver whose backlog is full answers EAGAIN at once on a
// non-blocking Unix socket: that is retried every few milliseconds until the deadline.
bool ConnectTo(int fd, const sockaddr_un& addr, std::int64_t deadline) {
    for (;;) {
        if (RawConnect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
            return true;
        if (errno == EISCONN)
            return true;
        if (errno == EINPROGRESS || errno == EALREADY) {
            if (!WaitFor(fd, POLLOUT, deadline))
                return false;
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
                return false;
            return true;
        }
        if (errno == EAGAIN) {
            if (Remaining(deadline) == 0)
                return false;
            timespec pause{0, 5 * 1000000L};
            nanosleep(&pause, nullptr);
            continue;
        }
        if (errno != EINTR)
            return false;
    }
}

// Sends every byte of the iovecs before deadline, advancing over partial writes.
bool SendAll(int fd, iovec* iov, int count, std::int64_t deadline) {
    while (count > 0) {
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = static_cast<size_t>(count);
        ssize_t sent = RawSendMsg(fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline))
                continue;
            return false;
        }
        auto left = static_cast<size_t>(sent);
        while (count > 0 && left >= iov->iov_len) {
            left -= iov->iov_len;
            ++iov;
            --count;
        }
        if (count > 0) {
            iov->iov_base = static_cast<char*>(iov->iov_base) + left;
            iov->iov_len -= left;
        }
    }
    return true;
}

// Reads exactly size bytes before deadline (-1: no limit); false when the peer closes first, the
// read fails or the time is up.
bool ReceiveAll(int fd, std::uint8_t* buffer, size_t size, std::int64_t deadline) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = RawRecv(fd, buffer + got, size - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLIN, deadline))
            continue;
        return false;
    }
    return true;
}

std::uint32_t DecodeLittleEndian32(const std::uint8_t bytes[4]) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

void EncodeChannelHeader(std::uint8_t header[8], DWORD code, DWORD size) {
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<std::uint8_t>(code >> (8 * i));
        header[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
}

LRESULT SendChannelMessage(const char* path, DWORD code, const void* data, DWORD size) {
    return SendChannelMessageWithin(path, code, data, size, kChannelHandOverMilliseconds);
}

LRESULT SendChannelMessageWithin(const char* path, DWORD code, const void* data, DWORD size,
                                 int handOverMilliseconds, int silenceMilliseconds) {
    ErrnoKeeper keepErrno;
    if (!path || !*path || size > kMaxCopyDataBytes || (size && !data) ||
        (code & kChannelAckRequested) != 0)
        return 0;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    size_t pathLength = strlen(path);
    if (pathLength >= sizeof addr.sun_path)
        return 0;
    std::memcpy(addr.sun_path, path, pathLength);

    // Connecting, handing the frame over and hearing that the receiver took it share one
    // deadline: a tray program that is stopped or hung never holds its senders for longer.
    const std::int64_t deadline = NowMilliseconds() + std::max(handOverMilliseconds, 0);
    UniqueFd socketFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socketFd.Get() < 0)
        return 0;
    if (!ConnectTo(socketFd.Get(), addr, deadline))
        return 0;

    std::uint8_t header[8];
    EncodeChannelHeader(header, code | kChannelAckRequested, size);
    iovec iov[2] = {{header, sizeof header}, {const_cast<void*>(data), size}};
    if (!SendAll(socketFd.Get(), iov, size ? 2 : 1, deadline))
        return 0;

    std::uint8_t ack[4];
    if (!ReceiveAll(socketFd.Get(), ack, sizeof ack, deadline) ||
        DecodeLittleEndian32(ack) != kChannelAck)
        return 0;
    // Taken: the decision may wait for the user, for as long as that takes, while the receiver's
    // keep-alives show that its event loop runs. A receiver that ends meanwhile closes the
    // socket; one that stops or hangs falls silent. Either ends the wait with 0.
    for (;;) {
        std::uint8_t reply[4];
        const std::int64_t silence = NowMilliseconds() + std::max(silenceMilliseconds, 0);
        if (!ReceiveAll(socketFd.Get(), reply, sizeof reply, silence))
            return 0;
        std::uint32_t word = DecodeLittleEndian32(reply);
        if (word != kChannelKeepAlive)
            return static_cast<std::int32_t>(word);
    }
}

} // namespace hookwise::platform

// The window-message stand-in is part of the global Windows-style interface.
LRESULT SendCopyData(HWND window, DWORD code, const void* data, DWORD size) {
    if (!window)
        return 0;
    std::string caption = WindowCaption(window);
    if (caption.empty())
        return 0;
    return hookwise::platform::SendChannelMessage(ChannelPath(caption.c_str()).c_str(), code, data,
                                                  size);
}
