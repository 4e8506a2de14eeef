// Reading and writing native messaging frames on descriptors, with interrupted calls retried.
#include "browser/host/NativeMessaging.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace browserhost {

namespace {

// Reads exactly size bytes; false at the end of the stream or on an error.
bool ReadFully(int fd, void* data, std::size_t size) {
    auto* out = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = read(fd, out, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteFully(int fd, const void* data, std::size_t size) {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, in, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        in += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

ReadResult ReadMessage(int fd, std::string* message) {
    std::uint32_t length = 0;
    if (!ReadFully(fd, &length, sizeof length))
        return ReadResult::End;
    if (length > kMaxIncomingMessage) {
        char sink[64 * 1024];
        while (length > 0) {
            std::size_t chunk = length < sizeof sink ? length : sizeof sink;
            if (!ReadFully(fd, sink, chunk))
                return ReadResult::End;
            length -= static_cast<std::uint32_t>(chunk);
        }
        return ReadResult::TooLarge;
    }
    message->resize(length);
    if (length > 0 && !ReadFully(fd, message->data(), length))
        return ReadResult::End;
    return ReadResult::Message;
}

bool WriteMessage(int fd, const std::string& message) {
    if (message.size() > kMaxOutgoingMessage)
        return false;
    std::uint32_t length = static_cast<std::uint32_t>(message.size());
    char header[sizeof length];
    std::memcpy(header, &length, sizeof length);
    return WriteFully(fd, header, sizeof header) && WriteFully(fd, message.data(), message.size());
}

} // namespace browserhost
