// Test support: drives a ChannelReceiver with poll() on a thread of its own, as the tray program's
// event loop drives it with socket notifiers, and makes private temporary folders.
#pragma once

#include "platform/ChannelReceiver.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace channeltest {

// One poll round over the receiver's descriptors (plus an optional wake descriptor): every
// descriptor that became readable is processed, and idle connections are closed, as the tray
// program's timer does. Returns false when the wake descriptor fired.
inline bool PumpOnce(hookwise::platform::ChannelReceiver& receiver, int timeoutMs,
                     int wakeFd = -1) {
    receiver.CloseIdle();
    std::vector<pollfd> fds;
    for (int fd : receiver.Descriptors())
        fds.push_back({fd, POLLIN, 0});
    if (wakeFd >= 0)
        fds.push_back({wakeFd, POLLIN, 0});
    int ready = poll(fds.data(), fds.size(), timeoutMs);
    if (ready <= 0)
        return true;
    for (const pollfd& p : fds) {
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        if (p.fd == wakeFd)
            return false;
        receiver.ProcessReadable(p.fd);
    }
    return true;
}

// Runs PumpOnce on a thread until Stop. The receiver must be listening before Start, and is only
// touched by the loop thread until Stop returns.
class ReceiverLoop {
public:
    explicit ReceiverLoop(hookwise::platform::ChannelReceiver& receiver) : receiver_(receiver) {
        if (pipe(wake_) != 0)
            std::abort();
    }
    ~ReceiverLoop() {
        Stop();
        close(wake_[0]);
        close(wake_[1]);
    }
    void Start() {
        thread_ = std::thread([this] {
            while (PumpOnce(receiver_, 200, wake_[0])) {
            }
        });
    }
    void Stop() {
        if (!thread_.joinable())
            return;
        char byte = 1;
        while (write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
        char drain;
        while (read(wake_[0], &drain, 1) < 0 && errno == EINTR) {
        }
    }

private:
    hookwise::platform::ChannelReceiver& receiver_;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

// A private folder under the system temporary folder, removed with its content at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = "/tmp/hookwise-test-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            std::abort();
        path_ = buffer.data();
    }
    ~TempFolder() {
        std::string command = "rm -rf '" + path_ + "'";
        [[maybe_unused]] int rc = std::system(command.c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace channeltest
