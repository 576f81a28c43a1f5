#include "tools/render/demo_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace render {
namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double beat = 0.5;  // 120 beats per minute

// A small fixed noise source, so the demo never depends on the library's generator.
class Noise {
public:
    double next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0 * 2.0 - 1.0;
    }

private:
    uint64_t state_ = 0x5eed0f0a1ull;
};

double kick(double t) {
    // Pitch falls from 150 Hz to 50 Hz; the phase is the integral of that fall.
    double phase = 2 * pi * (50.0 * t + 100.0 * 0.03 * (1.0 - std::exp(-t / 0.03)));
    return std::sin(phase) * std::exp(-t / 0.25);
}

double bass(double t, double frequency) {
    double w = 2 * pi * frequency * t;
    return std::sin(w) + 0.4 * std::sin(2 * w) + 0.2 * std::sin(3 * w);
}

}  // namespace

AudioData makeDemoSignal(double sampleRate) {
    AudioData audio;
    audio.sampleRate = sampleRate;
    audio.sourceChannels = 2;
    const size_t frames = static_cast<size_t>(std::lround(demoSeconds * sampleRate));
    audio.resize(frames);
    Noise noise;
    double snareBody = 0.0;
    const double sweepStart = 4.0, sweepLength = 3.5, f0 = 30.0, f1 = 15000.0;
    const double sweepRate = std::log(f1 / f0);
    for (size_t n = 0; n < frames; ++n) {
        double t = static_cast<double>(n) / sampleRate;
        int beatIndex = static_cast<int>(t / beat);
        double inBeat = t - beatIndex * beat;

        double k = 0.9 * kick(inBeat);
        int bar = beatIndex / 4;
        double b = 0.3 * bass(t, bar % 2 == 0 ? 55.0 : 41.2) * (0.6 + 0.4 * std::exp(-inBeat / 0.2));

        double s = 0.0;
        double white = noise.next();
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
        double left = swell * (k + b + 0.8 * s + sweep);
        double right = swell * (k + b + 0.5 * s - sweep);
        audio.channel[0][n] = left;
        audio.channel[1][n] = right;
    }
    return audio;
}

}  // namespace render
