#include "tools/render/truePeak.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace render {

namespace {

constexpr int points = TruePeakMeter::pointsPerSample;
constexpr int taps = TruePeakMeter::taps;
// Positions interpolated per pass of the kernel: eight running sums hide the
// latency of the multiply-adds, and every block length gives the same sums.
constexpr size_t positionsPerPass = 8;
// Kaiser window shape: about 54 dB of image rejection with a passband flat
// within 0.05 dB up to 0.46 of the sample rate.
constexpr double kaiserBeta = 5.0;

// The 8 interpolated points of one sample position, one per lane. GCC and
// Clang lower this to one AVX register, or two SSE2 registers.
typedef float Lanes __attribute__((vector_size(points * sizeof(float))));

double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= x / (2.0 * k);
        sum += term * term;
    }
    return sum;
}

// rows[k] lane p holds the weight of the k-th sample of a position's
// neighbourhood (oldest first) for the point p/8 of a sample along. The
// prototype is a windowed sinc of odd length centred on a sample, so one
// lane passes the samples through unchanged; each lane is scaled to pass DC
// at exactly 1, so no flat signal reads above itself.
struct Filter {
    alignas(sizeof(Lanes)) Lanes rows[taps];

    Filter() {
        const double pi = 3.14159265358979323846;
        const int length = points * taps - 1;
        const double centre = (length - 1) / 2.0;
        double prototype[points * taps] = {};
        for (int i = 0; i < length; ++i) {
            const double t = (i - centre) / points;
            const double r = (i - centre) / centre;
            const double sinc = t == 0.0 ? 1.0 : std::sin(pi * t) / (pi * t);
            prototype[i] = sinc * besselI0(kaiserBeta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(kaiserBeta);
        }
        for (int p = 0; p < points; ++p) {
            double sum = 0.0;
            for (int k = 0; k < taps; ++k) sum += prototype[p + points * k];
            for (int k = 0; k < taps; ++k) rows[taps - 1 - k][p] = static_cast<float>(prototype[p + points * k] / sum);
        }
    }
};

const Filter& filter() {
    static const Filter shared;
    return shared;
}

// Interpolates positions [0, count) (a multiple of positionsPerPass) of x,
// where position m is made of x[m .. m + taps), and widens [low, high] to
// hold every point.
__attribute__((always_inline)) inline void scanPositions(const Lanes* rows, const float* x, size_t count,
                                                         Lanes& high, Lanes& low) {
    for (size_t m = 0; m < count; m += positionsPerPass) {
        Lanes sum[positionsPerPass] = {};
        for (int k = 0; k < taps; ++k) {
            const Lanes row = rows[k];
            const float* s = x + m + static_cast<size_t>(k);
#pragma GCC unroll 8
            for (size_t j = 0; j < positionsPerPass; ++j) sum[j] += row * s[j];
        }
#pragma GCC unroll 8
        for (size_t j = 0; j < positionsPerPass; ++j) {
            high = high > sum[j] ? high : sum[j];
            low = low < sum[j] ? low : sum[j];
        }
    }
}

void scanPlain(const Lanes* rows, const float* x, size_t count, Lanes& high, Lanes& low) {
    scanPositions(rows, x, count, high, low);
}

#if defined(__x86_64__) || defined(__i386__)
// The same loop with 8-lane registers and fused multiply-adds, chosen at run
// time on processors that have them.
__attribute__((target("avx2,fma"))) void scanWide(const Lanes* rows, const float* x, size_t count, Lanes& high,
                                                  Lanes& low) {
    scanPositions(rows, x, count, high, low);
}

using Scan = void (*)(const Lanes*, const float*, size_t, Lanes&, Lanes&);
Scan pickScan() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? scanWide : scanPlain;
}
const Scan scan = pickScan();
#else
constexpr auto scan = scanPlain;
#endif

// Runs every complete pass of positions the window holds and drops the
// samples no later position needs.
void measureWindow(std::vector<float>& window, float& highest, float& lowest) {
    const size_t positions = window.size() - (taps - 1);
    const size_t ready = positions - positions % positionsPerPass;
    if (ready == 0) return;
    Lanes high{}, low{};
    for (int p = 0; p < points; ++p) high[p] = highest, low[p] = lowest;
    scan(filter().rows, window.data(), ready, high, low);
    for (int p = 0; p < points; ++p) {
        highest = std::max(highest, high[p]);
        lowest = std::min(lowest, low[p]);
    }
    window.erase(window.begin(), window.begin() + static_cast<long>(ready));
}

}  // namespace

TruePeakMeter::TruePeakMeter() : window(taps - 1, 0.0f) {
    filter();  // built now, not inside the first measurement
}

void TruePeakMeter::add(const double* samples, size_t count) {
    const size_t start = window.size();
    window.resize(start + count);
    // Beyond float's range the figure is meaningless anyway; held there it
    // stays a number.
    for (size_t i = 0; i < count; ++i)
        window[start + i] = static_cast<float>(std::clamp(samples[i], double(-FLT_MAX), double(FLT_MAX)));
    measureWindow(window, highest, lowest);
}

double TruePeakMeter::peak() const {
    // The last samples ring on into the silence after them: play that
    // silence, rounded up to whole passes, through a copy.
    std::vector<float> rest = window;
    const size_t positions = rest.size();  // those waiting, and taps - 1 more into the silence
    rest.resize(rest.size() + (taps - 1) + (positionsPerPass - positions % positionsPerPass) % positionsPerPass, 0.0f);
    float high = highest, low = lowest;
    measureWindow(rest, high, low);
    return std::max(static_cast<double>(high), -static_cast<double>(low));
}

}  // namespace render
