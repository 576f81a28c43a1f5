// The true peak of one channel: the largest magnitude of the band-limited
// signal its samples stand for, read at 8 points per sample. The filters
// work in fractions of the sample rate, so every rate gets the same 8 points
// and the same accuracy: within 0.1 dB of the exact reconstruction for
// clipped music and within 0.25 dB for clipped white noise, whose band is
// full up to half the rate (up to 0.04 dB of that is the gap between two
// points; the rest is what the filters pass of the last 1.3% below half the
// rate). Only a tone within a few hundredths of a percent of half the rate,
// which no filter of finite length resolves, reads lower.
#pragma once

#include <cstddef>
#include <vector>

namespace render {

class TruePeakMeter {
public:
    // Whether stretches of samples too quiet to reach the peak found so far
    // are passed over; the figure is the same either way (every point is
    // computed only to check that).
    enum class Scan { skipQuiet, everyPoint };
    explicit TruePeakMeter(Scan scan = Scan::skipQuiet);

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
    bool skipQuiet;
};

}  // namespace render
