// Levels of a stream as engineers measure them: sample peak, true peak (our
// own 8-point interpolation, the same at every rate), and per ITU-R
// BS.1770-4 / EBU R128 (through libebur128) integrated loudness and loudness
// range; also the samples at or over full scale.
// The loudness range follows EBU Tech 3342 (2016): short-term loudness taken
// every 100 ms (libebur128's own range steps by 1 s, which reads up to 1 LU
// apart from meters that step by 100 ms).
#pragma once

#include "tools/render/truePeak.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace render {

struct LevelFigures {
    double samplePeak = 0.0;      // linear, largest absolute sample
    double truePeak = 0.0;        // linear, of the reconstructed signal
    double integratedLufs = 0.0;  // -inf for silence
    double loudnessRange = 0.0;   // LU
    // The loudest 400 ms (momentary) and 3 s (short-term) windows, stepped by 100 ms; -inf when none.
    double maxMomentaryLufs = -std::numeric_limits<double>::infinity();
    double maxShortTermLufs = -std::numeric_limits<double>::infinity();
    uint64_t frames = 0;
    uint64_t overFullScale = 0;   // samples (each channel counted) with magnitude >= 1
};

class LevelMeter {
public:
    // channels: 1 (a mono file: only the left values count) or 2.
    // Throws RenderError(exitFailure) when the meter cannot be set up.
    LevelMeter(int channels, double sampleRate);
    ~LevelMeter();
    LevelMeter(const LevelMeter&) = delete;
    LevelMeter& operator=(const LevelMeter&) = delete;

    void add(const double* left, const double* right, size_t frames);
    LevelFigures figures() const;

private:
    struct Loudness;  // the libebur128 state
    std::unique_ptr<Loudness> loudnessMeter;
    int channelCount;
    void feed(const double* frames, size_t count);
    std::vector<double> interleaved;
    size_t framesPer100ms;
    static constexpr size_t shortTermTenths = 30;  // the 3 s window in 100 ms pieces
    static constexpr size_t momentaryTenths = 4;   // the 400 ms window
    double tenthEnergies[shortTermTenths] = {};
    std::vector<double> shortTermEnergies;  // one every 100 ms once 3 s have passed
    TruePeakMeter truePeaks[2];
    LevelFigures running;
};

}  // namespace render
