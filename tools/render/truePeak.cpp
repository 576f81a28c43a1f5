#include "tools/render/truePeak.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace render {

namespace {

// Two stages, each a Kaiser-windowed sinc: a long half-band filter makes the
// point half-way between every two samples (only it must separate the band
// from its image; clipped material fills the band up to half the rate, so
// it passes 0.487 of the rate within 0.02 dB and stops 0.513 on by 54 dB),
// and a short filter then makes the quarter points between those (at twice
// the rate the band fills only its lower half, so 8 taps do). A fraction of
// the multiply-adds of one 8-phase filter of the same quality.
constexpr int halfBandTaps = 128;  // each side of the half-way point
constexpr double halfBandBeta = 5.0;
constexpr int quarterTaps = 8;  // from 3 before to 4 after, at twice the rate
constexpr double quarterBeta = 5.0;

// Neighbouring sample positions, one per lane: 8 in an AVX register, 4 in an
// SSE2 one. Positions are measured in passes of 8 either way.
typedef float Wide __attribute__((vector_size(8 * sizeof(float))));
typedef float Narrow __attribute__((vector_size(4 * sizeof(float))));
constexpr size_t lanes = 8;

// Samples a position needs before it (the half-way points two back reach
// halfBandTaps - 1 further) and after it (two half-way points on, each
// reaching halfBandTaps samples, and the half-way points of a whole pass).
constexpr size_t before = halfBandTaps + 1;
constexpr size_t after = halfBandTaps + 2 + lanes - 2;

double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= x / (2.0 * k);
        sum += term * term;
    }
    return sum;
}

double kaiserSinc(double t, double halfWidth, double beta) {
    const double pi = 3.14159265358979323846;
    const double r = t / halfWidth;
    const double window = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
    return (t == 0.0 ? 1.0 : std::sin(pi * t) / (pi * t)) * window;
}

// Weights scaled so each interpolated point passes DC at exactly 1: no flat
// signal reads above itself.
struct Filter {
    // half[k]: the weight of the samples k + 0.5 before and after the point.
    float half[halfBandTaps];
    // quarter[q - 1][j]: the weight of the half-rate value j - 3 half-samples
    // from the point q/4 of a half-sample along.
    float quarter[3][quarterTaps];

    // No point is larger than the largest sample magnitude its filters read
    // times this: the largest sum of absolute weights of the combined
    // response at any of the 8 points, worked out from the float weights
    // used, with room for the float rounding of a 256-term sum.
    double gain = 0.0;

    Filter() {
        double sum = 0.0;
        for (int k = 0; k < halfBandTaps; ++k) sum += 2.0 * kaiserSinc(k + 0.5, halfBandTaps, halfBandBeta);
        for (int k = 0; k < halfBandTaps; ++k)
            half[k] = static_cast<float>(kaiserSinc(k + 0.5, halfBandTaps, halfBandBeta) / sum);
        for (int q = 1; q <= 3; ++q) {
            double weights[quarterTaps], total = 0.0;
            for (int j = 0; j < quarterTaps; ++j)
                total += weights[j] = kaiserSinc(q / 4.0 - (j - 3), quarterTaps / 2, quarterBeta);
            for (int j = 0; j < quarterTaps; ++j) quarter[q - 1][j] = static_cast<float>(weights[j] / total);
        }
        gain = 1.001 * worstGain();
    }

private:
    // Each point's weights on the samples, the half-way points spelled out.
    double worstGain() const {
        // Sample offsets from -2 * halfBandTaps to 2 * halfBandTaps, in
        // half-samples: a half-way point's weights at offsets h +- (2k + 1).
        constexpr int reach = 2 * halfBandTaps + quarterTaps + 2;
        auto addHalfWay = [&](std::vector<double>& w, int at, double weight) {
            for (int k = 0; k < halfBandTaps; ++k) {
                w[at - 2 * k - 1 + reach] += weight * half[k];
                w[at + 2 * k + 1 + reach] += weight * half[k];
            }
        };
        auto l1 = [](const std::vector<double>& w) {
            double s = 0.0;
            for (double v : w) s += std::fabs(v);
            return s;
        };
        std::vector<double> halfWay(2 * reach + 1, 0.0);
        addHalfWay(halfWay, 0, 1.0);
        double worst = std::max(1.0, l1(halfWay));
        // A quarter point after a sample (start 0) or after a half-way point
        // (start 1): its neighbours at half-samples start - 3 .. start + 4.
        for (int start = 0; start <= 1; ++start)
            for (int q = 0; q < 3; ++q) {
                std::vector<double> w(2 * reach + 1, 0.0);
                for (int j = 0; j < quarterTaps; ++j) {
                    const int at = start + j - 3;
                    if (at % 2 == 0) w[at + reach] += quarter[q][j];
                    else addHalfWay(w, at, quarter[q][j]);
                }
                worst = std::max(worst, l1(w));
            }
        return worst;
    }
};

const Filter& filter() {
    static const Filter shared;
    return shared;
}

// Lanes from p on (unaligned: positions start anywhere). Returned through a
// reference: returning a vector would take a different calling convention
// with and without AVX.
template <typename Lanes>
__attribute__((always_inline)) inline void load(Lanes& v, const float* p) {
    std::memcpy(&v, p, sizeof v);
}

template <typename Lanes>
__attribute__((always_inline)) inline void widen(Lanes& high, Lanes& low, const Lanes& v) {
    high = high > v ? high : v;
    low = low < v ? low : v;
}

// Interpolates positions [0, count) (a multiple of lanes) of x, position n
// being x[before + n]; half holds count + lanes values. Every position gets
// the same operations in the same order, whatever the block lengths.
template <typename Lanes>
__attribute__((always_inline)) inline void scanPositions(const Filter& f, const float* x, float* half, size_t count,
                                                         float& highest, float& lowest) {
    constexpr size_t width = sizeof(Lanes) / sizeof(float);
    Lanes high, low;
    for (size_t i = 0; i < width; ++i) high[i] = highest, low[i] = lowest;
    // half[i]: the point half-way after position i - 2.
    for (size_t i = 0; i < count + lanes; i += width) {
        const float* at = x + before - 2 + i;
        Lanes sum{}, early, late;
        for (int k = 0; k < halfBandTaps; ++k) {
            load(early, at - k);
            load(late, at + 1 + k);
            sum += f.half[k] * (early + late);
        }
        std::memcpy(half + i, &sum, sizeof sum);
    }
    for (size_t n = 0; n < count; n += width) {
        // The half-rate values from 3 before the position to 4 after it, and
        // from 3 before its half-way point to 4 after that.
        Lanes s0, s1, s2, s3, h0, h1, h2, h3, h4;
        load(s0, x + before + n - 1), load(s1, x + before + n), load(s2, x + before + n + 1);
        load(s3, x + before + n + 2);
        load(h0, half + n), load(h1, half + n + 1), load(h2, half + n + 2), load(h3, half + n + 3);
        load(h4, half + n + 4);
        const Lanes fromSample[quarterTaps] = {h0, s0, h1, s1, h2, s2, h3, s3};
        const Lanes fromHalf[quarterTaps] = {s0, h1, s1, h2, s2, h3, s3, h4};
        widen(high, low, s1);
        widen(high, low, h2);
        for (int q = 0; q < 3; ++q) {
            Lanes a{}, b{};
            for (int j = 0; j < quarterTaps; ++j) {
                a += f.quarter[q][j] * fromSample[j];
                b += f.quarter[q][j] * fromHalf[j];
            }
            widen(high, low, a);
            widen(high, low, b);
        }
    }
    for (size_t i = 0; i < width; ++i) {
        highest = std::max(highest, high[i]);
        lowest = std::min(lowest, low[i]);
    }
}

// Samples to floats; beyond float's range the figure is meaningless anyway,
// and held there it stays a number.
template <typename Lanes>
__attribute__((always_inline)) inline void toFloats(const double* from, float* to, size_t count) {
    constexpr size_t width = sizeof(Lanes) / sizeof(float);
    typedef double Doubles __attribute__((vector_size(width * sizeof(double))));
    const Doubles top = Doubles{} + FLT_MAX, bottom = Doubles{} - FLT_MAX;
    size_t i = 0;
    for (; i + width <= count; i += width) {
        Doubles d;
        std::memcpy(&d, from + i, sizeof d);
        d = d > top ? top : d;
        d = d < bottom ? bottom : d;
        const Lanes f = __builtin_convertvector(d, Lanes);
        std::memcpy(to + i, &f, sizeof f);
    }
    for (; i < count; ++i) to[i] = static_cast<float>(std::clamp(from[i], double(-FLT_MAX), double(FLT_MAX)));
}

void scanPlain(const Filter& f, const float* x, float* half, size_t count, float& highest, float& lowest) {
    scanPositions<Narrow>(f, x, half, count, highest, lowest);
}
void toFloatsPlain(const double* from, float* to, size_t count) {
    toFloats<Narrow>(from, to, count);
}

#if defined(__x86_64__) || defined(__i386__)
// The same loops with 8-lane registers and fused multiply-adds, chosen at
// run time on processors that have them.
__attribute__((target("avx2,fma"))) void scanWide(const Filter& f, const float* x, float* half, size_t count,
                                                  float& highest, float& lowest) {
    scanPositions<Wide>(f, x, half, count, highest, lowest);
}
__attribute__((target("avx2,fma"))) void toFloatsWide(const double* from, float* to, size_t count) {
    toFloats<Wide>(from, to, count);
}

bool wide() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
const auto scan = wide() ? scanWide : scanPlain;
const auto convert = wide() ? toFloatsWide : toFloatsPlain;
#else
constexpr auto scan = scanPlain;
constexpr auto convert = toFloatsPlain;
#endif

// Positions judged together when quiet ones are skipped: short enough to
// pass over most of what lies between loud moments, long enough that the
// samples read around them add little.
constexpr size_t stretch = 512;

// Whether no point of the positions [0, count) of x can be larger than peak:
// the largest magnitude the filters read, times their largest gain, is below
// it. A NaN sample is passed by: the points it spoils never raise the peak.
bool belowPeak(const float* x, size_t count, float peak) {
    // Four at a time, or this look would cost a tenth of the filtering it saves.
    const size_t total = before + count + after;
    Narrow top{};
    size_t i = 0;
    for (; i + 4 <= total; i += 4) {
        Narrow v;
        load(v, x + i);
        v = v < 0.0f ? -v : v;
        top = v > top ? v : top;  // a NaN leaves the largest so far
    }
    float largest = std::max(std::max(top[0], top[1]), std::max(top[2], top[3]));
    for (; i < total; ++i) largest = std::max(largest, std::fabs(x[i]));
    return largest * filter().gain < peak;
}

// Measures every whole pass of positions the window holds the neighbours of,
// and drops the samples no later position needs; the samples kept are all
// that carries over, so skipping a stretch leaves nothing to catch up.
void measureWindow(std::vector<float>& window, std::vector<float>& half, float& highest, float& lowest,
                   bool skipQuiet) {
    if (window.size() < before + after + lanes) return;
    const size_t positions = window.size() - before - after;
    const size_t ready = positions - positions % lanes;
    half.resize(std::min(ready, stretch) + lanes);
    for (size_t from = 0; from < ready; from += stretch) {
        const size_t count = std::min(stretch, ready - from);
        if (skipQuiet && belowPeak(window.data() + from, count, std::max(highest, -lowest))) continue;
        scan(filter(), window.data() + from, half.data(), count, highest, lowest);
    }
    window.erase(window.begin(), window.begin() + static_cast<long>(ready));
}

}  // namespace

TruePeakMeter::TruePeakMeter(Scan scan) : window(before, 0.0f), skipQuiet(scan == Scan::skipQuiet) {
    filter();  // built now, not inside the first measurement
}

void TruePeakMeter::add(const double* samples, size_t count) {
    const size_t start = window.size();
    window.resize(start + count);
    convert(samples, window.data() + start, count);
    measureWindow(window, half, highest, lowest, skipQuiet);
}

double TruePeakMeter::peak() const {
    // The last samples ring on into the silence after them, as far as the
    // filters reach: play that silence through a copy.
    std::vector<float> rest = window, restHalf;
    rest.resize(rest.size() + 2 * (before + after) + lanes, 0.0f);
    float high = highest, low = lowest;
    measureWindow(rest, restHalf, high, low, skipQuiet);
    return std::max(static_cast<double>(high), -static_cast<double>(low));
}

}  // namespace render
