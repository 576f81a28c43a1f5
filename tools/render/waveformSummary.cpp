#include "tools/render/waveformSummary.h"

#include <algorithm>

namespace render {

WaveformSummary::WaveformSummary(size_t columns) : capacity(2 * std::max<size_t>(columns, 1)) {
    entries.reserve(capacity);
}

void WaveformSummary::halve() {
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); i += 2) {
        WaveColumn merged = entries[i];
        if (i + 1 < entries.size()) {
            merged.low = std::min(merged.low, entries[i + 1].low);
            merged.high = std::max(merged.high, entries[i + 1].high);
        }
        entries[kept++] = merged;
    }
    entries.resize(kept);
    framesPerEntry *= 2;
}

void WaveformSummary::add(const double* left, const double* right, size_t frames) {
    for (size_t i = 0; i < frames; ++i) {
        if (frameCount % framesPerEntry == 0) {
            if (entries.size() == capacity) halve();
            entries.push_back(WaveColumn{});
        }
        WaveColumn& e = entries.back();
        e.low = std::min({e.low, left[i], right[i]});
        e.high = std::max({e.high, left[i], right[i]});
        ++frameCount;
    }
}

std::vector<WaveColumn> WaveformSummary::columns(size_t count) const {
    std::vector<WaveColumn> out;
    if (entries.empty() || count == 0) return out;
    out.resize(count);
    const size_t n = entries.size();
    for (size_t x = 0; x < count; ++x) {
        size_t a = x * n / count;
        size_t b = std::max(a + 1, (x + 1) * n / count);
        WaveColumn c = entries[a];
        for (size_t i = a + 1; i < b && i < n; ++i) {
            c.low = std::min(c.low, entries[i].low);
            c.high = std::max(c.high, entries[i].high);
        }
        out[x] = c;
    }
    return out;
}

}  // namespace render
