// The native messaging frame between the browser and its host: a 32-bit length in native byte
// order followed by that many bytes of UTF-8 JSON, on the host's standard input and output.
#pragma once

#include <cstdint>
#include <string>

namespace browserhost {

// Messages from the browser larger than this are read past and dropped, so a huge page cannot
// exhaust the host's memory.
constexpr std::uint32_t kMaxIncomingMessage = 64u * 1024 * 1024;
// The browser refuses messages from a host larger than this.
constexpr std::uint32_t kMaxOutgoingMessage = 1024u * 1024;

enum class ReadResult { Message, TooLarge, End };

// Reads one message from fd into *message. TooLarge: the message was read past and dropped (the
// stream stays in step). End: the stream ended or failed, also in the middle of a message.
ReadResult ReadMessage(int fd, std::string* message);

// Writes one message to fd; false when it is larger than kMaxOutgoingMessage or the write failed.
bool WriteMessage(int fd, const std::string& message);

} // namespace browserhost
