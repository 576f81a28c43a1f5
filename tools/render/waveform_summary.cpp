#include "tools/render/waveform_summary.h"

#include <algorithm>

namespace render {

WaveformSummary::WaveformSummary(size_t columns) : capacity_(2 * std::max<size_t>(columns, 1)) {
    entries_.reserve(capacity_);
}

void WaveformSummary::halve() {
    size_t kept = 0;
    for (size_t i = 0; i < entries_.size(); i += 2) {
        WaveColumn merged = entries_[i];
        if (i + 1 < entries_.size()) {
            merged.low = std::min(merged.low, entries_[i + 1].low);
            merged.high = std::max(merged.high, entries_[i + 1].high);
        }
        entries_[kept++] = merged;
    }
    entries_.resize(kept);
    stretch_ *= 2;
}

void WaveformSummary::add(const double* left, const double* right, size_t frames) {
    for (size_t i = 0; i < frames; ++i) {
        if (frames_ % stretch_ == 0) {
            if (entries_.size() == capacity_) halve();
            entries_.push_back(WaveColumn{});
        }
        WaveColumn& e = entries_.back();
        e.low = std::min({e.low, left[i], right[i]});
        e.high = std::max({e.high, left[i], right[i]});
        ++frames_;
    }
}

std::vector<WaveColumn> WaveformSummary::columns(size_t count) const {
    std::vector<WaveColumn> out;
    if (entries_.empty() || count == 0) return out;
    out.resize(count);
    const size_t n = entries_.size();
    for (size_t x = 0; x < count; ++x) {
        size_t a = x * n / count;
        size_t b = std::max(a + 1, (x + 1) * n / count);
        WaveColumn c = entries_[a];
        for (size_t i = a + 1; i < b && i < n; ++i) {
            c.low = std::min(c.low, entries_[i].low);
            c.high = std::max(c.high, entries_[i].high);
        }
        out[x] = c;
    }
    return out;
}

}  // namespace render
