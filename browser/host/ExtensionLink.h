// ExtensionLink: the host's side of the native messaging stream. Besides the extension's events
// it carries the host's requests that need an answer from the tab (the page as it is now, whether
// a navigation succeeded): a request goes out numbered and the host waits for the extension's
// reply with that number. Events that arrive meanwhile are kept, in order, for the main loop.
#pragma once

#include "browser/host/Json.h"
#include "browser/host/NativeMessaging.h"

#include <deque>
#include <optional>
#include <string>
#include <utility>

namespace browserhost {

// What a tab's browser object needs of the extension.
class ExtensionPort {
public:
    // Sends one JSON object; false when the extension cannot be reached.
    virtual bool Send(const std::string& json) = 0;
    // Sends request with a "call" number added and waits up to timeoutMs for the reply
    // {"type":"reply","call":N,...}. Null when none came in time or the stream ended.
    virtual std::optional<JsonValue> Call(JsonWriter request, int timeoutMs) = 0;

protected:
    ~ExtensionPort() = default;
};

class ExtensionLink final : public ExtensionPort {
public:
    ExtensionLink(int in, int out) : in_(in), out_(out) {}

    // The next message: one kept back during a call first, then the stream's.
    ReadResult Next(std::string* message);
    bool Send(const std::string& json) override;
    std::optional<JsonValue> Call(JsonWriter request, int timeoutMs) override;

private:
    // Reads one message, waiting at most timeoutMs (-1: no limit). Nothing when the time ran out.
    std::optional<ReadResult> Read(std::string* message, int timeoutMs);

    int in_;
    int out_;
    bool ended_ = false;
    std::int64_t nextCall_ = 1;
    std::deque<std::pair<ReadResult, std::string>> kept_;
};

} // namespace browserhost
