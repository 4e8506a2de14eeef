// UpdateOutput: plain lines, and a progress line drawn with a carriage return on a terminal.
#include "tools/update/UpdateOutput.h"

#include <chrono>
#include <cstdio>

#include <unistd.h>

namespace hookwise::tools {

namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

UpdateOutput::UpdateOutput(bool quiet)
    : quiet_(quiet), terminal_(!quiet && isatty(STDERR_FILENO) == 1) {}

UpdateOutput::~UpdateOutput() {
    ClearProgress();
}

void UpdateOutput::Line(std::string_view text) {
    if (quiet_)
        return;
    ClearProgress();
    std::printf("hookwise-update: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(stdout);
}

void UpdateOutput::Error(std::string_view text) {
    ClearProgress();
    std::fflush(stdout);
    std::fprintf(stderr, "hookwise-update: %.*s\n", static_cast<int>(text.size()), text.data());
}

void UpdateOutput::Progress(std::string_view text, bool force) {
    if (!terminal_)
        return;
    const std::int64_t now = NowMs();
    if (!force && drawn_ && now - lastDrawMs_ < 100)
        return;
    lastDrawMs_ = now;
    // Long addresses are cut so the line never wraps, which a carriage return cannot undo.
    constexpr std::size_t kWidth = 78;
    if (text.size() > kWidth)
        text = text.substr(text.size() - kWidth);
    std::fprintf(stderr, "\r\033[K%.*s", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
    drawn_ = true;
}

void UpdateOutput::ClearProgress() {
    if (!drawn_)
        return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
}

std::string ByteCount(std::uint64_t bytes) {
    char text[32];
    if (bytes >= 1000 * 1000)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    else if (bytes >= 1000)
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1e3);
    else
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    return text;
}

} // namespace hookwise::tools
