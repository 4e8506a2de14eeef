// ChannelReceiver: listening, accepting, frame reading and re-entrant dispatch of channel messages.
//
// Sections: listening (Listen, ListenAt, Close), the watch list, reading and dispatch.
#include "platform/ChannelReceiver.h"

#include "platform/ChannelSender.h"
#include "platform/LastError.h"
#include "platform/Window.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

namespace hookwise::platform {

namespace {

constexpr std::size_t kHeaderBytes = 8;

std::uint32_t ReadLittleEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int64_t NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Bytes the peer has sent that nobody has read yet (0 when that cannot be told).
int PendingBytes(int fd) {
    int pending = 0;
    return ioctl(fd, FIONREAD, &pending) == 0 ? pending : 0;
}

// Four bytes go out with a raw system call and never raise SIGPIPE: the tray program may itself
// run with the interception provider preloaded, which must not look at the channel's traffic. A
// sender whose receive buffer is full (it never reads its answers) fails the send, which drops it.
bool SendWord(int fd, std::uint32_t value) {
    std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    std::size_t sent = 0;
    while (sent < sizeof bytes) {
        ssize_t n = syscall(SYS_sendto, fd, bytes + sent, sizeof bytes - sent,
                            MSG_NOSIGNAL | MSG_DONTWAIT, nullptr, 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
    return true;
}

bool SendReply(int fd, std::int32_t result) {
    return SendWord(fd, static_cast<std::uint32_t>(result));
}

bool PeerIsOwnUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    return length == sizeof credentials && credentials.uid == getuid();
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    addr = {};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

// True when a receiver accepts connections at addr right now.
bool SomeoneListens(const sockaddr_un& addr) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int rc;
    do {
        rc = static_cast<int>(
            syscall(SYS_connect, fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr));
    } while (rc != 0 && errno == EINTR);
    close(fd);
    return rc == 0;
}

} // namespace

ChannelReceiver::ChannelReceiver(Handler handler) : handler_(std::move(handler)) {}

ChannelReceiver::~ChannelReceiver() {
    Close();
}

void ChannelReceiver::SetWatchCallback(WatchCallback callback) {
    watch_ = std::move(callback);
}

void ChannelReceiver::SetHangUpCallback(HangUpCallback callback) {
    hangUp_ = std::move(callback);
}

void ChannelReceiver::SetIdleTimeout(int milliseconds) {
    idleTimeoutMs_ = milliseconds;
}

// ---- listening ----

LONG ChannelReceiver::Listen(const char* caption) {
    if (!caption || !*caption)
        return ERROR_INVALID_PARAMETER;
    if (MakeRuntimeFolder().empty()) {
        DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? static_cast<LONG>(error) : ERROR_PATH_NOT_FOUND;
    }
    return ListenAt(ChannelPath(caption));
}

LONG ChannelReceiver::ListenAt(const std::string& path) {
    if (IsListening())
        return ERROR_INVALID_PARAMETER;
    sockaddr_un addr;
    if (!FillAddress(path, addr))
        return ERROR_INSUFFICIENT_BUFFER;

    // The lock file closes the race between two receivers that both find the socket stale: only
    // the holder of the lock may replace the socket file.
    std::string lockPath = path + ".lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0)
        return Win32ErrorFromErrno(errno);
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        LONG error = errno == EWOULDBLOCK ? ERROR_ALREADY_EXISTS : Win32ErrorFromErrno(errno);
        ReleaseLock();
        return error;
    }
    if (SomeoneListens(addr)) {
        ReleaseLock();
        return ERROR_ALREADY_EXISTS;
    }
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            ReleaseLock();
            return ERROR_FILE_EXISTS;
        }
        unlink(path.c_str());
    }

    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        LONG error = Win32ErrorFromErrno(errno);
        ReleaseLock();
        return error;
    }
    struct stat bound {};
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        chmod(path.c_str(), 0600) != 0 || listen(fd, SOMAXCONN) != 0 ||
        lstat(path.c_str(), &bound) != 0) {
        LONG error = Win32ErrorFromErrno(errno);
        close(fd);
        ReleaseLock();
        return error;
    }
    listenFd_ = fd;
    path_ = path;
    socketDevice_ = bound.st_dev;
    socketInode_ = bound.st_ino;
    Watch(listenFd_, true);
    return ERROR_SUCCESS;
}

void ChannelReceiver::Close() {
    if (listenFd_ >= 0) {
        Watch(listenFd_, false);
        close(listenFd_);
        listenFd_ = -1;
        // Remove the socket file only while it is still the one this receiver bound.
        struct stat current {};
        if (lstat(path_.c_str(), &current) == 0 && current.st_dev == socketDevice_ &&
            current.st_ino == socketInode_)
            unlink(path_.c_str());
    }
    ReleaseLock();
    // Drop works on a copy: it erases from the map.
    std::vector<ConnectionPtr> open;
    open.reserve(connections_.size());
    for (auto& entry : connections_)
        open.push_back(entry.second);
    for (auto& connection : open) {
        if (connection->busy)
            connection->closed = true; // closed by Dispatch when its handler returns
        else
            Drop(connection);
    }
}

void ChannelReceiver::ReleaseLock() {
    if (lockFd_ < 0)
        return;
    close(lockFd_); // also releases the flock
    lockFd_ = -1;
}

// ---- the watch list ----

std::vector<int> ChannelReceiver::Descriptors() const {
    std::vector<int> fds;
    fds.reserve(connections_.size() + 1);
    if (listenFd_ >= 0)
        fds.push_back(listenFd_);
    for (const auto& entry : connections_) {
        if (!entry.second->busy && !entry.second->closed)
            fds.push_back(entry.first);
    }
    return fds;
}

void ChannelReceiver::Watch(int fd, bool watch) {
    if (watch_)
        watch_(fd, watch);
}

void ChannelReceiver::WatchConnection(Connection& connection, bool watch) {
    if (connection.watched == watch)
        return;
    connection.watched = watch;
    Watch(connection.fd, watch);
}

// ---- reading and dispatch ----

void ChannelReceiver::ProcessReadable(int fd) {
    if (fd < 0)
        return;
    if (fd == listenFd_) {
        AcceptPending();
        return;
    }
    auto found = connections_.find(fd);
    if (found == connections_.end())
        return;
    ConnectionPtr connection = found->second; // keeps it alive across nested dispatch
    if (connection->closed)
        return;
    if (connection->busy) {
        CheckHangUp(connection);
        return;
    }
    ReadConnection(connection);
}

void ChannelReceiver::AcceptPending() {
    while (listenFd_ >= 0) {
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: nothing more waiting; anything else: try again when readable
        }
        if (!PeerIsOwnUser(fd)) {
            close(fd);
            continue;
        }
        // Room for a new peer is made by dropping the connection that has been idle longest;
        // only when every connection is in the middle of a report is the newcomer refused.
        if (connections_.size() >= kMaxConnections && !DropOldestIdle()) {
            close(fd);
            continue;
        }
        auto connection = std::make_shared<Connection>();
        connection->fd = fd;
        connection->since = NowMilliseconds();
        connection->buffer.resize(kHeaderBytes);
        connections_[fd] = connection;
        WatchConnection(*connection, true);
    }
}

void ChannelReceiver::ReadConnection(const ConnectionPtr& connection) {
    for (;;) {
        std::size_t want = connection->buffer.size() - connection->have;
        ssize_t n =
            recv(connection->fd, connection->buffer.data() + connection->have, want, MSG_DONTWAIT);
        if (n == 0) {
            // The sender is gone; a frame cut short with it is dropped unanswered.
            Drop(connection);
            return;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                Drop(connection);
            return;
        }
        connection->have += static_cast<std::size_t>(n);
        if (connection->have < connection->buffer.size())
            continue;
        if (connection->buffer.size() == kHeaderBytes) {
            std::uint32_t size = ReadLittleEndian32(connection->buffer.data() + 4);
            if (size > kMaxCopyDataBytes) {
                Drop(connection);
                return;
            }
            connection->buffer.resize(kHeaderBytes + size);
            if (size > 0)
                continue;
        }
        // One frame per call: a peer that pipelines reports waits for the next turn of the
        // event loop (its descriptor stays readable), so every other connection gets its turn
        // in between.
        if (!Dispatch(connection))
            return;
        connection->buffer.resize(kHeaderBytes);
        connection->have = 0;
        return;
    }
}

void ChannelReceiver::CheckHangUp(const ConnectionPtr& connection) {
    if (connection->hungUp)
        return;
    char byte = 0;
    ssize_t n;
    do {
        n = recv(connection->fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    // Watched again when the handler is done: early data is read then, an end dropped then.
    WatchConnection(*connection, false);
    if (n > 0)
        return;
    connection->hungUp = true;
    if (hangUp_)
        hangUp_(connection->report);
}

bool ChannelReceiver::Dispatch(const ConnectionPtr& connection) {
    const std::uint8_t* frame = connection->buffer.data();
    std::uint32_t code = ReadLittleEndian32(frame);
    auto size = static_cast<std::uint32_t>(connection->buffer.size() - kHeaderBytes);
    // A sender that asked for it hears that the report was taken before it is decided: from
    // then on it waits as long as the decision takes.
    connection->acknowledged = (code & kChannelAckRequested) != 0;
    if (connection->acknowledged) {
        code &= ~kChannelAckRequested;
        if (!SendWord(connection->fd, kChannelAck)) {
            Drop(connection);
            return false;
        }
        connection->lastKeepAlive = NowMilliseconds();
    }

    // While the handler runs (perhaps a nested event loop that comes back here for other
    // connections) this connection's buffer is left alone; it stays watched only for its
    // sender's end, when someone wants to hear of that.
    connection->busy = true;
    connection->report = nextReport_++;
    WatchConnection(*connection, static_cast<bool>(hangUp_));
    handling_.push_back(connection->report);
    std::int32_t result = 0;
    if (handler_) {
        try {
            result = handler_(code, frame + kHeaderBytes, size);
        } catch (...) {
            result = 0;
        }
    }
    handling_.erase(std::find(handling_.begin(), handling_.end(), connection->report));
    connection->busy = false;

    if (connection->closed || connection->hungUp) {
        Drop(connection);
        return false;
    }
    if (!SendReply(connection->fd, result)) {
        Drop(connection);
        return false;
    }
    connection->since = NowMilliseconds();
    WatchConnection(*connection, true);
    return true;
}

// ---- idle connections ----

std::size_t ChannelReceiver::CloseIdle() {
    const std::int64_t now = NowMilliseconds();
    std::vector<ConnectionPtr> idle;
    for (const auto& entry : connections_) {
        const ConnectionPtr& connection = entry.second;
        if (!connection->busy && !connection->closed && now - connection->since >= idleTimeoutMs_)
            idle.push_back(connection);
    }
    for (const auto& connection : idle)
        Drop(connection);
    SendKeepAlives(now);
    return idle.size();
}

void ChannelReceiver::SendKeepAlives(std::int64_t now) {
    for (const auto& entry : connections_) {
        Connection& connection = *entry.second;
        if (!connection.busy || !connection.acknowledged || connection.closed ||
            connection.hungUp || now - connection.lastKeepAlive < kKeepAliveIntervalMilliseconds)
            continue;
        connection.lastKeepAlive = now;
        // A sender that does not read fills its buffer; its stream can no longer be trusted to
        // carry the decision, so it gets none (it is closed once its handler returns).
        if (!SendWord(connection.fd, kChannelKeepAlive))
            connection.closed = true;
    }
}

bool ChannelReceiver::DropOldestIdle() {
    // Prefer a connection that has sent nothing of a frame yet and has nothing waiting: that is a
    // silent peer, not a sender whose report is about to be read.
    ConnectionPtr oldest;
    ConnectionPtr oldestSilent;
    for (const auto& entry : connections_) {
        const ConnectionPtr& connection = entry.second;
        if (connection->busy || connection->closed)
            continue;
        if (!oldest || connection->since < oldest->since)
            oldest = connection;
        if (connection->have == 0 && PendingBytes(connection->fd) == 0 &&
            (!oldestSilent || connection->since < oldestSilent->since))
            oldestSilent = connection;
    }
    ConnectionPtr victim = oldestSilent ? oldestSilent : oldest;
    if (!victim)
        return false;
    Drop(victim);
    return true;
}

void ChannelReceiver::Drop(const ConnectionPtr& connection) {
    if (connection->fd < 0)
        return;
    WatchConnection(*connection, false);
    auto found = connections_.find(connection->fd);
    if (found != connections_.end() && found->second == connection)
        connections_.erase(found);
    close(connection->fd);
    connection->fd = -1;
    connection->closed = true;
}

} // namespace hookwise::platform
