// The shape of a stream of any length for the picture: lowest and highest
// value of both channels per stretch of time, in at most twice the columns
// asked for. Stretches double in length whenever the list fills, so memory
// stays fixed and the length need not be known in advance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

struct WaveColumn {
    double low = 0.0;
    double high = 0.0;
};

class WaveformSummary {
public:
    explicit WaveformSummary(size_t columns);
    void add(const double* left, const double* right, size_t frames);
    uint64_t frames() const { return frameCount; }
    // The stream in exactly count columns, the first at time 0 and the last
    // ending at the stream's end; empty when nothing was added.
    std::vector<WaveColumn> columns(size_t count) const;

private:
    void halve();
    size_t capacity;
    uint64_t framesPerEntry = 1;
    uint64_t frameCount = 0;
    std::vector<WaveColumn> entries;  // the last one may be partly filled
};

}  // namespace render
