#include "tools/render/progressBar.h"

#include <cstdio>
#include <unistd.h>

namespace render {

constexpr int barWidth = 40;

ProgressBar::ProgressBar(bool enabled, const char* what) : shown(enabled && isatty(fileno(stderr))), label(what) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::update(double fraction) {
    if (!shown) return;
    int percent = static_cast<int>(fraction * 100.0 + 0.5);
    if (percent == lastPercent) return;
    lastPercent = percent;
    int filled = percent * barWidth / 100;
    char bar[barWidth + 1];
    for (int i = 0; i < barWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[barWidth] = '\0';
    std::fprintf(stderr, "\r%s [%s] %3d%%", label, bar, percent);
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (!shown || lastPercent < 0) return;
    std::fprintf(stderr, "\r%*s\r", barWidth + 20, "");
    std::fflush(stderr);
    lastPercent = -1;
}

}  // namespace render
