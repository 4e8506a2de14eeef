// Test support: a hand-driven channel sender for frames the real one never makes.
#pragma once

#include "platform/ChannelSender.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace channeltest {

// A hand-driven sender for frames the real one never makes.
class RawSender {
public:
    explicit RawSender(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, path.c_str());
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~RawSender() { Close(); }
    bool Connected() const { return connected_; }
    void Send(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    ssize_t TrySend(const std::vector<std::uint8_t>& bytes) {
        return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    void Close() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }
    int Fd() const { return fd_; }
    // The next 4-byte answer, or nothing when the receiver closed the connection instead (waits
    // at most five seconds, so a faulty receiver fails the test rather than hanging it).
    std::optional<std::int32_t> Answer() {
        std::uint8_t bytes[4];
        std::size_t got = 0;
        while (got < 4) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0)
                return std::nullopt;
            ssize_t n = recv(fd_, bytes + got, 4 - got, 0);
            if (n <= 0)
                return std::nullopt;
            got += static_cast<std::size_t>(n);
        }
        std::int32_t value;
        std::memcpy(&value, bytes, 4);
        return value;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

inline std::vector<std::uint8_t> Frame(std::uint32_t code, std::uint32_t announced,
                                       std::size_t actual) {
    std::vector<std::uint8_t> frame(8 + actual, 0x5A);
    hookwise::platform::EncodeChannelHeader(frame.data(), code, announced);
    return frame;
}

} // namespace channeltest
