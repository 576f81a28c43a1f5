// Multichannel sample arrays and the measurements the checks make on them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace validator {

// Channel-major samples: channels[c][i].
template <typename T>
struct BasicSignal {
    std::vector<std::vector<T>> channels;

    BasicSignal() = default;
    BasicSignal(int channelCount, int frames, T fill = T(0))
        : channels(static_cast<size_t>(channelCount), std::vector<T>(static_cast<size_t>(frames), fill)) {}

    int channelCount() const { return static_cast<int>(channels.size()); }
    int frames() const { return channels.empty() ? 0 : static_cast<int>(channels[0].size()); }
};

using Signal = BasicSignal<float>;
using SignalD = BasicSignal<double>;

// Deterministic programme material: a low sine, a higher sine and noise,
// with bursts up to +6 dBFS so that limiters and clippers have work to do.
Signal testSignal(int channelCount, int frames, double sampleRate, uint32_t seed);

template <typename To, typename From>
BasicSignal<To> convertSignal(const BasicSignal<From>& in) {
    BasicSignal<To> out(in.channelCount(), in.frames());
    for (int c = 0; c < in.channelCount(); ++c)
        for (int i = 0; i < in.frames(); ++i) out.channels[c][i] = static_cast<To>(in.channels[c][i]);
    return out;
}

// Empty when every sample is finite, else where the first bad one is.
template <typename T>
std::string firstNonFinite(const BasicSignal<T>& s) {
    for (int c = 0; c < s.channelCount(); ++c)
        for (int i = 0; i < s.frames(); ++i)
            if (!std::isfinite(s.channels[c][i]))
                return std::string(std::isnan(s.channels[c][i]) ? "NaN" : "infinity") + " at channel " +
                       std::to_string(c) + " frame " + std::to_string(i);
    return {};
}

template <typename T>
double peak(const BasicSignal<T>& s, int fromFrame = 0) {
    double p = 0.0;
    for (const auto& ch : s.channels)
        for (size_t i = static_cast<size_t>(fromFrame); i < ch.size(); ++i) p = std::fmax(p, std::fabs(double(ch[i])));
    return p;
}

struct Difference {
    double largest = 0.0;  // largest absolute sample difference
    int channel = -1;      // where it is (-1: none, or the shapes differ)
    int frame = -1;
    bool shapesDiffer = false;
    std::string describe() const;
};

// Compares sample by sample; a NaN on either side counts as an infinite difference.
template <typename A, typename B>
Difference compareSignals(const BasicSignal<A>& a, const BasicSignal<B>& b) {
    Difference d;
    if (a.channelCount() != b.channelCount() || a.frames() != b.frames()) {
        d.shapesDiffer = true;
        d.largest = INFINITY;
        return d;
    }
    for (int c = 0; c < a.channelCount(); ++c)
        for (int i = 0; i < a.frames(); ++i) {
            double x = double(a.channels[c][i]), y = double(b.channels[c][i]);
            double diff = (std::isnan(x) || std::isnan(y)) ? INFINITY : std::fabs(x - y);
            if (x == y) diff = 0.0;  // equal infinities
            if (diff > d.largest || (d.channel < 0 && diff > 0)) {
                d.largest = diff;
                d.channel = c;
                d.frame = i;
            }
        }
    return d;
}

// Largest difference in units of single-precision rounding of the larger
// sample (values below 1e-30 count as that small floor).
template <typename A, typename B>
double largestFloatUlps(const BasicSignal<A>& a, const BasicSignal<B>& b) {
    double worst = 0.0;
    for (int c = 0; c < a.channelCount() && c < b.channelCount(); ++c)
        for (int i = 0; i < a.frames() && i < b.frames(); ++i) {
            double x = double(a.channels[c][i]), y = double(b.channels[c][i]);
            if (x == y) continue;
            if (std::isnan(x) || std::isnan(y)) return INFINITY;
            double scale = std::fmax(std::fmax(std::fabs(x), std::fabs(y)), 1e-30);
            double ulp = std::ldexp(1.0, std::ilogb(scale) - 23);
            worst = std::fmax(worst, std::fabs(x - y) / ulp);
        }
    return worst;
}

}  // namespace validator
