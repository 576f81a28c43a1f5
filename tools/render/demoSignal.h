// The built-in demo material: eight seconds of stereo that a clipper has work
// with. Kick drums (sharp transients and 50 Hz body), a bass line, snare
// bursts panned apart, a sine sweep from 30 Hz to 15 kHz, and a last bar that
// swells to about +4 dBFS. Deterministic: the same bytes on every run.
#pragma once

#include "tools/render/audioData.h"

#include <cstdint>

namespace render {

constexpr double demoSeconds = 8.0;

// The demo generated block by block, each sample rounded to single precision
// (so the written demo input, a float file, renders to the same output).
class DemoSignal {
public:
    explicit DemoSignal(double sampleRate);
    size_t totalFrames() const { return total; }
    // Up to frames frames; 0 at the end.
    size_t generate(double* left, double* right, size_t frames);

private:
    double signalRate;
    size_t total;
    size_t position = 0;
    uint64_t noiseState = 0x5eed0f0a1ull;  // a small fixed noise source, independent of the library's
    double snareBody = 0.0;
};

// The whole demo at once.
AudioData makeDemoSignal(double sampleRate);

}  // namespace render
