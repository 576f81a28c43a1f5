#include "tools/render/signal_measures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace render {
namespace {

constexpr int oversampling = 4;
constexpr int tapsPerPhase = 32;  // 16 neighbours on each side of an interpolated point

// Polyphase coefficients of a Blackman-windowed sinc low-pass at the original
// Nyquist frequency; phase p interpolates the point p/4 of a sample after x[n].
std::vector<double> interpolatorTaps() {
    const int length = oversampling * tapsPerPhase;
    const double pi = 3.14159265358979323846;
    std::vector<double> taps(static_cast<size_t>(oversampling * tapsPerPhase));
    for (int p = 0; p < oversampling; ++p) {
        for (int k = 0; k < tapsPerPhase; ++k) {
            // Distance in input samples from the interpolated point to x[n + k - 7].
            double t = (k - (tapsPerPhase / 2 - 1)) - double(p) / oversampling;
            double sinc = t == 0.0 ? 1.0 : std::sin(pi * t) / (pi * t);
            double position = (t * oversampling + length / 2.0) / length;  // 0..1 across the window
            double window = 0.42 - 0.5 * std::cos(2 * pi * position) + 0.08 * std::cos(4 * pi * position);
            taps[static_cast<size_t>(p * tapsPerPhase + k)] = sinc * window;
        }
    }
    return taps;
}

}  // namespace

double samplePeak(const AudioData& audio) {
    double peak = 0.0;
    for (const auto& ch : audio.channel)
        for (double x : ch) peak = std::max(peak, std::fabs(x));
    return peak;
}

double truePeak(const AudioData& audio) {
    static const std::vector<double> taps = interpolatorTaps();
    double peak = samplePeak(audio);
    const long frames = static_cast<long>(audio.frames());
    for (const auto& ch : audio.channel) {
        for (long n = 0; n < frames; ++n) {
            for (int p = 1; p < oversampling; ++p) {  // phase 0 is the sample itself
                double sum = 0.0;
                for (int k = 0; k < tapsPerPhase; ++k) {
                    long i = n + k - (tapsPerPhase / 2 - 1);
                    if (i >= 0 && i < frames) sum += taps[static_cast<size_t>(p * tapsPerPhase + k)] * ch[static_cast<size_t>(i)];
                }
                peak = std::max(peak, std::fabs(sum));
            }
        }
    }
    return peak;
}

size_t samplesAtOrAbove(const AudioData& audio, double level) {
    size_t count = 0;
    for (const auto& ch : audio.channel)
        for (double x : ch) count += std::fabs(x) >= level;
    return count;
}

double toDecibels(double amplitude) {
    if (amplitude <= 0.0) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(amplitude);
}

}  // namespace render
