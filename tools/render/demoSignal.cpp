#include "tools/render/demoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace render {
namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double beat = 0.5;  // 120 beats per minute

double kick(double t) {
    // Pitch falls from 150 Hz to 50 Hz; the phase is the integral of that fall.
    double phase = 2 * pi * (50.0 * t + 100.0 * 0.03 * (1.0 - std::exp(-t / 0.03)));
    return std::sin(phase) * std::exp(-t / 0.25);
}

double bass(double t, double frequency) {
    double w = 2 * pi * frequency * t;
    return std::sin(w) + 0.4 * std::sin(2 * w) + 0.2 * std::sin(3 * w);
}

double nextNoise(uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
}

}  // namespace

DemoSignal::DemoSignal(double sampleRate)
    : signalRate(sampleRate), total(static_cast<size_t>(std::lround(demoSeconds * sampleRate))) {}

size_t DemoSignal::generate(double* left, double* right, size_t frames) {
    const double sweepStart = 4.0, sweepLength = 3.5, f0 = 30.0, f1 = 15000.0;
    const double sweepRate = std::log(f1 / f0);
    size_t done = 0;
    for (; done < frames && position < total; ++done, ++position) {
        double t = static_cast<double>(position) / signalRate;
        int beatIndex = static_cast<int>(t / beat);
        double inBeat = t - beatIndex * beat;

        double k = 0.9 * kick(inBeat);
        int bar = beatIndex / 4;
        double b = 0.3 * bass(t, bar % 2 == 0 ? 55.0 : 41.2) * (0.6 + 0.4 * std::exp(-inBeat / 0.2));

        double s = 0.0;
        double white = nextNoise(noiseState);
        if (beatIndex % 2 == 1) {
            snareBody = 0.7 * snareBody + 0.3 * white;  // a little low-passed body under the hiss
            s = 0.6 * (0.6 * white + 0.8 * snareBody) * std::exp(-inBeat / 0.12);
        }

        double sweep = 0.0;
        if (t >= sweepStart && t < sweepStart + sweepLength) {
            double u = t - sweepStart;
            double phase = 2 * pi * f0 * sweepLength / sweepRate * (std::exp(u / sweepLength * sweepRate) - 1.0);
            double fade = std::min(1.0, std::min(u, sweepStart + sweepLength - t) / 0.05);
            sweep = 0.35 * std::sin(phase) * fade;
        }

        // The last bar swells from unity to +4 dBFS peaks.
        double swell = t >= 6.0 ? 1.0 + 0.6 * (t - 6.0) / 2.0 : 1.0;
        left[done] = static_cast<float>(swell * (k + b + 0.8 * s + sweep));
        right[done] = static_cast<float>(swell * (k + b + 0.5 * s - sweep));
    }
    return done;
}

AudioData makeDemoSignal(double sampleRate) {
    DemoSignal demo(sampleRate);
    AudioData audio;
    audio.sampleRate = sampleRate;
    audio.sourceChannels = 2;
    audio.resize(demo.totalFrames());
    demo.generate(audio.channel[0].data(), audio.channel[1].data(), demo.totalFrames());
    return audio;
}

}  // namespace render
