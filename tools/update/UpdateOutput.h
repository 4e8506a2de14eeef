// UpdateOutput: what an update tells its user: a line per source and a summary on standard
// output, errors on standard error, and on a terminal a live progress line (bytes received, the
// stage of the build) that the next line replaces. --quiet keeps only the errors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::tools {

class UpdateOutput {
public:
    explicit UpdateOutput(bool quiet);
    ~UpdateOutput();
    UpdateOutput(const UpdateOutput&) = delete;
    UpdateOutput& operator=(const UpdateOutput&) = delete;

    // "hookwise-update: text" on standard output (not when quiet).
    void Line(std::string_view text);
    // "hookwise-update: text" on standard error, always.
    void Error(std::string_view text);
    // Redraws the progress line on a terminal (never when quiet), at most every 100 ms unless
    // force.
    void Progress(std::string_view text, bool force = false);
    // Removes the progress line.
    void ClearProgress();

private:
    bool quiet_;
    bool terminal_;
    bool drawn_ = false;
    std::int64_t lastDrawMs_ = 0;
};

// "12.3 MB", "512 KB", "87 bytes".
std::string ByteCount(std::uint64_t bytes);

} // namespace hookwise::tools
