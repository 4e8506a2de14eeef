// ProgressBar: one line redrawn in place with a carriage return.
#include "tools/hkwdefs/ProgressBar.h"

#include <cstdio>

#include <unistd.h>

namespace hookwise::tools {

namespace {
constexpr int kWidth = 40;
}

ProgressBar::ProgressBar(std::string label)
    : label_(std::move(label)), terminal_(isatty(fileno(stderr)) == 1) {}

ProgressBar::~ProgressBar() {
    Finish();
}

void ProgressBar::Show(int percent) {
    if (!terminal_)
        return;
    percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    if (percent == shown_)
        return;
    shown_ = percent;
    char bar[kWidth + 1];
    const int filled = percent * kWidth / 100;
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\rhkwdefs: %s [%s] %3d%%", label_.c_str(), bar, percent);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::Finish() {
    if (!drawn_)
        return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace hookwise::tools
