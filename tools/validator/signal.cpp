#include "tools/validator/signal.h"

#include <cstdio>
#include <random>

namespace validator {

Signal testSignal(int channelCount, int frames, double sampleRate, uint32_t seed) {
    Signal s(channelCount, frames);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
    const double twoPi = 6.283185307179586;
    for (int c = 0; c < channelCount; ++c) {
        const double low = 55.0 * (1 + c), high = 1234.5 + 100.0 * c;
        for (int i = 0; i < frames; ++i) {
            const double t = i / sampleRate;
            // A burst every quarter second, an eighth of a second long.
            const double gain = std::fmod(t, 0.25) < 0.125 ? 1.6 : 0.4;
            const double v = gain * (0.6 * std::sin(twoPi * low * t) + 0.25 * std::sin(twoPi * high * t)) +
                             noise(random);
            s.channels[c][i] = static_cast<float>(v);
        }
    }
    return s;
}

std::string Difference::describe() const {
    if (shapesDiffer) return "different numbers of channels or frames";
    if (channel < 0) return "identical";
    char text[96];
    std::snprintf(text, sizeof text, "largest difference %.3g at channel %d frame %d", largest, channel, frame);
    return text;
}

}  // namespace validator
