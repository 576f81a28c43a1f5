#include "tools/render/signalMeasures.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace render {

double samplePeak(const AudioData& audio) {
    double peak = 0.0;
    for (const auto& ch : audio.channel)
        for (double x : ch) peak = std::max(peak, std::fabs(x));
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
