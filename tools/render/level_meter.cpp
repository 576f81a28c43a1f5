#include "tools/render/level_meter.h"

#include "tools/render/render_error.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace render {

struct LevelMeter::Loudness {
    ebur128_state* state = nullptr;
    ~Loudness() { ebur128_destroy(&state); }
};

LevelMeter::LevelMeter(int channels, double sampleRate) : loudness_(new Loudness), channels_(channels == 1 ? 1 : 2) {
    ebur128_state*& state_ = loudness_->state;
    state_ = ebur128_init(static_cast<unsigned>(channels_), static_cast<unsigned long>(std::lround(sampleRate)),
                          EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
    if (!state_) throw RenderError(exitFailure, "cannot set up the loudness meter at " + std::to_string(sampleRate) + " Hz");
}

LevelMeter::~LevelMeter() = default;

void LevelMeter::add(const double* left, const double* right, size_t frames) {
    interleaved_.resize(frames * static_cast<size_t>(channels_));
    double peak = running_.samplePeak;
    uint64_t over = 0;
    for (size_t i = 0; i < frames; ++i) {
        if (channels_ == 1) {
            interleaved_[i] = left[i];
        } else {
            interleaved_[2 * i] = left[i];
            interleaved_[2 * i + 1] = right[i];
        }
    }
    for (double x : interleaved_) {
        double magnitude = std::fabs(x);
        peak = std::max(peak, magnitude);
        over += magnitude >= 1.0;
    }
    running_.samplePeak = peak;
    running_.overFullScale += over;
    running_.frames += frames;
    if (frames) ebur128_add_frames_double(loudness_->state, interleaved_.data(), frames);
}

LevelFigures LevelMeter::figures() const {
    LevelFigures f = running_;
    ebur128_state* state_ = loudness_->state;
    const double minusInfinity = -std::numeric_limits<double>::infinity();
    if (ebur128_loudness_global(state_, &f.integratedLufs) != EBUR128_SUCCESS) f.integratedLufs = minusInfinity;
    if (ebur128_loudness_range(state_, &f.loudnessRange) != EBUR128_SUCCESS) f.loudnessRange = 0.0;
    f.truePeak = 0.0;
    for (int c = 0; c < channels_; ++c) {
        double peak = 0.0;
        if (ebur128_true_peak(state_, static_cast<unsigned>(c), &peak) == EBUR128_SUCCESS)
            f.truePeak = std::max(f.truePeak, peak);
    }
    // The true peak of the reconstructed signal is never below a sample.
    f.truePeak = std::max(f.truePeak, f.samplePeak);
    return f;
}

}  // namespace render
