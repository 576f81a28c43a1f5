// The true peak of one channel: the largest magnitude of the band-limited
// signal its samples stand for, read at 8 points per sample. The filters
// work in fractions of the sample rate, so every rate gets the same 8 points
// and the same accuracy: within 0.2 dB of the exact reconstruction for
// anything up to 0.46 of the rate (at most 0.17 dB of that is the gap between
// two points near the top of the band; the rest is the filters' ripple and
// what they leave of images).
#pragma once

#include <cstddef>
#include <vector>

namespace render {

class TruePeakMeter {
public:
    TruePeakMeter();

    // Feeds count more samples of the channel. [any thread], one thread at a
    // time per meter.
    void add(const double* samples, size_t count);
    // Linear peak so far, including the ring of the last samples into the
    // silence after them.
    double peak() const;

private:
    // The samples the next positions need from before them, then those not
    // yet measured.
    std::vector<float> window;
    std::vector<float> half;  // the points half-way between samples, per block
    float highest = 0.0f;  // largest interpolated value
    float lowest = 0.0f;   // most negative one
};

}  // namespace render
