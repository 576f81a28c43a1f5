#include "tools/render/levelMeter.h"

#include "tools/render/renderError.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace render {

struct LevelMeter::Loudness {
    ebur128_state* state = nullptr;
    ~Loudness() {
        if (state) ebur128_destroy(&state);
    }
};

namespace {

constexpr double absoluteGate = -70.0;  // LUFS
constexpr double relativeGate = -20.0;  // LU below the gated mean

double energyOf(double lufs) { return std::pow(10.0, (lufs + 0.691) / 10.0); }
double lufsOf(double energy) { return -0.691 + 10.0 * std::log10(energy); }

// Tech 3342: gate absolutely and relatively, then the spread between the
// 10th and 95th percentiles (nearest rank).
double loudnessRange(std::vector<double> energies) {
    std::vector<double> gated;
    double sum = 0.0;
    for (double e : energies)
        if (e >= energyOf(absoluteGate)) gated.push_back(e), sum += e;
    if (gated.empty()) return 0.0;
    const double threshold = energyOf(lufsOf(sum / double(gated.size())) + relativeGate);
    std::vector<double> kept;
    for (double e : gated)
        if (e >= threshold) kept.push_back(e);
    if (kept.size() < 2) return 0.0;
    std::sort(kept.begin(), kept.end());
    const size_t last = kept.size() - 1;
    const double low = kept[static_cast<size_t>(std::lround(double(last) * 0.10))];
    const double high = kept[static_cast<size_t>(std::lround(double(last) * 0.95))];
    return lufsOf(high) - lufsOf(low);
}

}  // namespace

LevelMeter::LevelMeter(int channels, double sampleRate)
    : loudnessMeter(new Loudness),
      channelCount(channels == 1 ? 1 : 2),
      // The same whole frames libebur128 takes for a 100 ms window.
      framesPer100ms(std::max<size_t>(1, static_cast<size_t>(std::lround(sampleRate)) / 10)) {
    ebur128_state*& meterState = loudnessMeter->state;
    meterState = ebur128_init(static_cast<unsigned>(channelCount), static_cast<unsigned long>(std::lround(sampleRate)),
                          EBUR128_MODE_I);
    if (!meterState) throw RenderError(exitFailure, "cannot set up the loudness meter at " + std::to_string(sampleRate) + " Hz");
}

LevelMeter::~LevelMeter() = default;

void LevelMeter::add(const double* left, const double* right, size_t frames) {
    interleaved.resize(frames * static_cast<size_t>(channelCount));
    double peak = running.samplePeak;
    uint64_t over = 0;
    auto note = [&](double x) {
        const double magnitude = std::fabs(x);
        peak = magnitude > peak ? magnitude : peak;
        over += magnitude >= 1.0;
    };
    // One pass: the samples are read once, while they are in the cache.
    if (channelCount == 1) {
        for (size_t i = 0; i < frames; ++i) note(interleaved[i] = left[i]);
    } else {
        for (size_t i = 0; i < frames; ++i) {
            note(interleaved[2 * i] = left[i]);
            note(interleaved[2 * i + 1] = right[i]);
        }
    }
    running.samplePeak = peak;
    running.overFullScale += over;
    running.frames += frames;
    truePeaks[0].add(left, frames);
    if (channelCount == 2) truePeaks[1].add(right, frames);
    feed(interleaved.data(), frames);
}

// Hands the frames to libebur128 in pieces that end on each 100 ms mark,
// where the loudness of the last 100 ms is read. The short-term (3 s) energy
// is the mean of the last thirty: asking libebur128 for the 3 s window ten
// times a second would sum thirty times more samples than the audio holds.
void LevelMeter::feed(const double* frames, size_t count) {
    while (count > 0) {
        const uint64_t done = running.frames - count;
        const size_t toMark = framesPer100ms - static_cast<size_t>(done % framesPer100ms);
        const size_t n = std::min(count, toMark);
        ebur128_add_frames_double(loudnessMeter->state, frames, n);
        frames += n * static_cast<size_t>(channelCount);
        count -= n;
        const uint64_t tenths = (done + n) / framesPer100ms;
        if (n == toMark) {
            double lufs = 0.0;
            double energy = ebur128_loudness_window(loudnessMeter->state, 100, &lufs) == EBUR128_SUCCESS && std::isfinite(lufs)
                                ? energyOf(lufs)
                                : 0.0;
            tenthEnergies[static_cast<size_t>((tenths - 1) % shortTermTenths)] = energy;
            if (tenths >= momentaryTenths) {
                double sum = 0.0;
                for (uint64_t t = tenths - momentaryTenths; t < tenths; ++t) sum += tenthEnergies[t % shortTermTenths];
                running.maxMomentaryLufs = std::max(running.maxMomentaryLufs, lufsOf(sum / double(momentaryTenths)));
            }
            if (tenths >= shortTermTenths) {
                double sum = 0.0;
                for (double e : tenthEnergies) sum += e;
                shortTermEnergies.push_back(sum / double(shortTermTenths));
                running.maxShortTermLufs = std::max(running.maxShortTermLufs, lufsOf(shortTermEnergies.back()));
            }
        }
    }
}

LevelFigures LevelMeter::figures() const {
    LevelFigures f = running;
    ebur128_state* meterState = loudnessMeter->state;
    const double minusInfinity = -std::numeric_limits<double>::infinity();
    if (ebur128_loudness_global(meterState, &f.integratedLufs) != EBUR128_SUCCESS) f.integratedLufs = minusInfinity;
    f.loudnessRange = loudnessRange(shortTermEnergies);
    f.truePeak = 0.0;
    for (int c = 0; c < channelCount; ++c) f.truePeak = std::max(f.truePeak, truePeaks[c].peak());
    // The reconstructed signal passes through every sample (the meter reads
    // them rounded to float).
    f.truePeak = std::max(f.truePeak, f.samplePeak);
    return f;
}

}  // namespace render
