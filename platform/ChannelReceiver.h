// ChannelReceiver: the receiving end of the detection channel, the stand-in for the tray program's
// hidden handler window.
//
// It listens on the Unix-domain stream socket of a caption (ChannelPath in platform/Window.h) and
// hands every complete message (u32 code, u32 byte count, the bytes; little-endian, at most
// kMaxCopyDataBytes) to a handler, whose i32 result goes back to the sender as the answer. It owns
// no thread and no event loop: the owner watches the descriptors it names (a QSocketNotifier each
// in the tray program, poll() in tests) and calls ProcessReadable for the one that became readable.
//
// Re-entrancy, as a window's modal loop delivers sent messages: a handler may run a nested event
// loop that calls ProcessReadable again, and a report arriving meanwhile is handled to its end
// inside it. The connection whose message is being handled is neither read nor freed until its
// handler returns (its descriptor is taken off the watch list meanwhile), and every other
// connection and the listening socket keep working.
//
// A sender that ends (or closes its socket) while its message is being handled can be heard of:
// with a hang-up callback set, the connection stays watched while its handler runs, and its end
// is told to the callback with the report's number (CurrentReport inside the handler); no
// answer is sent to it then.
//
// Only peers running under the receiver's own user id are served; other peers are closed at once.
// A frame announcing more than kMaxCopyDataBytes, or a connection that ends in the middle of a
// frame, is dropped by closing that connection; other senders are not disturbed. A connection may
// carry several messages one after another; each gets its answer in order.
//
// Fairness: ProcessReadable handles at most one frame of a connection per call, so a peer that
// pipelines reports gets one per turn of the owner's event loop, in turn with every other
// readable connection. A frame whose code has kChannelAckRequested set (platform/ChannelSender.h)
// is acknowledged before its handler runs. A connection that has not completed a frame within the
// idle time-out is closed by CloseIdle (the owner calls it about once a second); when all
// kMaxConnections are taken, a new peer makes room by closing the connection idle longest.
//
// One thread drives a receiver; it is not safe to call it from several threads at once.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

namespace hookwise::platform {

class ChannelReceiver {
public:
    // Decides one message. data points at size bytes that stay valid only during the call.
    using Handler = std::function<std::int32_t(std::uint32_t code, const std::uint8_t* data,
                                               std::uint32_t size)>;
    // Told when a descriptor should start (watch = true) or stop being watched for readability.
    // It may be called from inside ProcessReadable and inside Close; a Qt owner should disable a
    // notifier there (or delete it later), not delete it while it is emitting.
    using WatchCallback = std::function<void(int fd, bool watch)>;
    // Told that the sender of the report being handled under that number has gone.
    using HangUpCallback = std::function<void(std::uint64_t report)>;

    // At most this many connections are open at once; a newcomer beyond it closes the one idle
    // longest (and is itself refused only when every connection is being handled).
    static constexpr std::size_t kMaxConnections = 256;
    // A connection that has not sent a whole frame for this long (since it was accepted or last
    // answered) is idle.
    static constexpr int kIdleTimeoutMilliseconds = 5000;
    // Keep-alives to senders waiting for a decision go out at most this often.
    static constexpr int kKeepAliveIntervalMilliseconds = 1000;

    explicit ChannelReceiver(Handler handler);
    // Closes everything. Must not run while a handler of this receiver is on the stack.
    ~ChannelReceiver();
    ChannelReceiver(const ChannelReceiver&) = delete;
    ChannelReceiver& operator=(const ChannelReceiver&) = delete;

    // Must be set before Listen to hear about the listening descriptor.
    void SetWatchCallback(WatchCallback callback);
    void SetHangUpCallback(HangUpCallback callback);
    // Another idle time-out (tests).
    void SetIdleTimeout(int milliseconds);

    // The number of the report whose handler runs innermost now (numbers count from 1 and are
    // never reused); 0 outside handlers.
    std::uint64_t CurrentReport() const { return handling_.empty() ? 0 : handling_.back(); }

    // Creates the runtime folder and listens at ChannelPath(caption). A stale socket file left by
    // a receiver that died is replaced. Returns ERROR_SUCCESS; ERROR_ALREADY_EXISTS when another
    // receiver is listening there (it is left alone); ERROR_FILE_EXISTS when the path holds
    // something that is not a socket; ERROR_INSUFFICIENT_BUFFER when the path is too long for a
    // socket address; ERROR_INVALID_PARAMETER when this receiver already listens; otherwise the
    // Win32 code of the failing call. On failure nothing is left open.
    LONG Listen(const char* caption);
    // As Listen, at an explicit socket path whose folder exists.
    LONG ListenAt(const std::string& path);
    bool IsListening() const { return listenFd_ >= 0; }
    const std::string& Path() const { return path_; }

    // Stops listening, removes the socket file (if it is still this receiver's) and closes every
    // connection. A connection whose handler is running is closed when that handler returns; its
    // sender then gets no answer (0). Safe to call from inside a handler.
    void Close();

    // The descriptors to watch now: the listening socket and every connection not being handled.
    std::vector<int> Descriptors() const;
    // Accepts, reads and dispatches whatever is ready on fd without blocking. Unknown descriptors
    // and connections whose message is being handled are ignored.
    void ProcessReadable(int fd);

    // Closes every connection, not being handled, that has been idle for the idle time-out, and
    // tells every sender whose taken report is still being decided that the receiver still runs
    // (a keep-alive at most once per kKeepAliveIntervalMilliseconds). Returns how many it closed.
    std::size_t CloseIdle();

    // Open connections, including those being handled.
    std::size_t ConnectionCount() const { return connections_.size(); }

private:
    struct Connection {
        int fd = -1;
        std::vector<std::uint8_t> buffer; // the frame being read: header, then body
        std::size_t have = 0;             // bytes of the frame read so far
        bool busy = false;                // its message is being handled
        bool watched = false;             // the owner was told to watch its descriptor
        bool closed = false;              // Close ran while busy, or the connection was dropped
        bool hungUp = false;              // the sender ended while its message was handled
        bool acknowledged = false;        // the message being handled was acknowledged
        std::uint64_t report = 0;         // the number of the message being handled
        std::int64_t since = 0;           // monotonic ms of its accept or its last answer
        std::int64_t lastKeepAlive = 0;   // monotonic ms of its last acknowledgement or keep-alive
    };
    using ConnectionPtr = std::shared_ptr<Connection>;

    void AcceptPending();
    void ReadConnection(const ConnectionPtr& connection);
    // A busy connection became readable: its sender ended (told to the hang-up callback), or it
    // sent more early (read once the handler is done).
    void CheckHangUp(const ConnectionPtr& connection);
    // Hands the complete frame to the handler and answers; false when the connection is gone.
    bool Dispatch(const ConnectionPtr& connection);
    void Drop(const ConnectionPtr& connection);
    void SendKeepAlives(std::int64_t now);
    // Closes the connection idle longest to make room; false when every one is being handled.
    bool DropOldestIdle();
    void Watch(int fd, bool watch);
    void WatchConnection(Connection& connection, bool watch);
    void ReleaseLock();

    Handler handler_;
    WatchCallback watch_;
    HangUpCallback hangUp_;
    int idleTimeoutMs_ = kIdleTimeoutMilliseconds;
    std::uint64_t nextReport_ = 1;
    std::vector<std::uint64_t> handling_;
    int listenFd_ = -1;
    int lockFd_ = -1;
    std::string path_;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    std::map<int, ConnectionPtr> connections_;
};

} // namespace hookwise::platform
