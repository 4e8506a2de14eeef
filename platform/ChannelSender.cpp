// SendCopyData over the detection channel: one connection per message, raw system calls only.
#include "platform/ChannelSender.h"
#include "platform/UniqueFd.h"
#include "platform/ErrnoKeeper.h"

#include "platform/Window.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The socket calls go straight to the kernel: a preloaded library that interposes connect, send
// or recv must not see (or report) the channel's own traffic.
int RawConnect(int fd, const sockaddr* addr, socklen_t len) {
    return static_cast<int>(syscall(SYS_connect, fd, addr, len));
}

ssize_t RawSendMsg(int fd, const msghdr* msg, int flags) {
    return syscall(SYS_sendmsg, fd, msg, flags);
}

ssize_t RawRecv(int fd, void* buffer, size_t size) {
    return syscall(SYS_recvfrom, fd, buffer, size, 0, nullptr, nullptr);
}

// Connects, retrying after an interrupting signal: an interrupted connect on a Unix stream socket
// leaves it unconnected, and a repeated one that finds it connected reports EISCONN.
bool ConnectTo(int fd, const sockaddr_un& addr) {
    for (;;) {
        if (RawConnect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
            return true;
        if (errno == EISCONN)
            return true;
        if (errno != EINTR)
            return false;
    }
}

// Sends every byte of the iovecs, advancing over partial writes.
bool SendAll(int fd, iovec* iov, int count) {
    while (count > 0) {
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = static_cast<size_t>(count);
        ssize_t sent = RawSendMsg(fd, &msg, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
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

// Reads exactly size bytes; false when the peer closes first or the read fails.
bool ReceiveAll(int fd, std::uint8_t* buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = RawRecv(fd, buffer + got, size - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
    return true;
}

} // namespace

void EncodeChannelHeader(std::uint8_t header[8], DWORD code, DWORD size) {
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<std::uint8_t>(code >> (8 * i));
        header[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
}

LRESULT SendChannelMessage(const char* path, DWORD code, const void* data, DWORD size) {
    ErrnoKeeper keepErrno;
    if (!path || !*path || size > kMaxCopyDataBytes || (size && !data))
        return 0;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    size_t pathLength = strlen(path);
    if (pathLength >= sizeof addr.sun_path)
        return 0;
    std::memcpy(addr.sun_path, path, pathLength);

    UniqueFd socketFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socketFd.Get() < 0)
        return 0;
    if (!ConnectTo(socketFd.Get(), addr))
        return 0;

    std::uint8_t header[8];
    EncodeChannelHeader(header, code, size);
    iovec iov[2] = {{header, sizeof header}, {const_cast<void*>(data), size}};
    if (!SendAll(socketFd.Get(), iov, size ? 2 : 1))
        return 0;

    std::uint8_t reply[4];
    if (!ReceiveAll(socketFd.Get(), reply, sizeof reply))
        return 0;
    auto value = static_cast<std::uint32_t>(reply[0]) | static_cast<std::uint32_t>(reply[1]) << 8 |
                 static_cast<std::uint32_t>(reply[2]) << 16 |
                 static_cast<std::uint32_t>(reply[3]) << 24;
    return static_cast<std::int32_t>(value);
}

LRESULT SendCopyData(HWND window, DWORD code, const void* data, DWORD size) {
    if (!window)
        return 0;
    std::string caption = WindowCaption(window);
    if (caption.empty())
        return 0;
    return SendChannelMessage(ChannelPath(caption.c_str()).c_str(), code, data, size);
}
