// A progress bar on standard error for the long commands, drawn only when standard error is a
// terminal (a pipe or a log file gets the commands' usual lines only).
#pragma once

#include <string>

namespace hookwise::tools {

class ProgressBar {
public:
    // label: what the bar stands for ("compile", "index").
    explicit ProgressBar(std::string label);
    // Clears the bar's line if it is still drawn.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws the bar at percent (0..100) when that changed.
    void Show(int percent);
    // Removes the bar, so the next line starts on a clean line.
    void Finish();

private:
    std::string label_;
    bool terminal_;
    bool drawn_ = false;
    int shown_ = -1;
};

} // namespace hookwise::tools
