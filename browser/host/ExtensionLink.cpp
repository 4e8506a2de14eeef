// ExtensionLink: numbered requests to the extension and the events kept back while waiting.
#include "browser/host/ExtensionLink.h"

#include <cerrno>
#include <chrono>

#include <poll.h>

namespace browserhost {

std::optional<ReadResult> ExtensionLink::Read(std::string* message, int timeoutMs) {
    if (ended_)
        return ReadResult::End;
    if (timeoutMs >= 0) {
        pollfd ready = {in_, POLLIN, 0};
        int rc = 0;
        do
            rc = poll(&ready, 1, timeoutMs);
        while (rc < 0 && errno == EINTR);
        if (rc == 0)
            return std::nullopt;
    }
    // The browser writes each message whole, so once the stream is readable the rest follows.
    ReadResult result = ReadMessage(in_, message);
    if (result == ReadResult::End)
        ended_ = true;
    return result;
}

ReadResult ExtensionLink::Next(std::string* message) {
    if (!kept_.empty()) {
        auto [result, text] = std::move(kept_.front());
        kept_.pop_front();
        *message = std::move(text);
        return result;
    }
    return *Read(message, -1);
}

bool ExtensionLink::Send(const std::string& json) {
    return WriteMessage(out_, json);
}

std::optional<JsonValue> ExtensionLink::Call(JsonWriter request, int timeoutMs) {
    std::int64_t call = nextCall_++;
    if (!Send(request.Add("call", call).Text()))
        return std::nullopt;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left < 0)
            return std::nullopt;
        std::string message;
        std::optional<ReadResult> read = Read(&message, static_cast<int>(left));
        if (!read || *read == ReadResult::End)
            return std::nullopt;
        if (*read == ReadResult::Message) {
            std::optional<JsonValue> value = ParseJson(message);
            if (value && value->GetString("type") == "reply") {
                if (value->GetInteger("call") == call)
                    return value;
                continue; // the late reply to an earlier call that gave up
            }
        }
        kept_.emplace_back(*read, std::move(message));
    }
}

} // namespace browserhost
