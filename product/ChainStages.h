// The chain's building blocks: the flush rule, the first-order allpass
// sections of the half-band resamplers, the lattice peaking equalizer and the
// saturator with its DC blocker. Inline, so the block loop keeps them in
// registers; every operation is written in the order the results depend on.
#pragma once

#include <cmath>

#include "product/Orvalt.h"

namespace ChainStage {

// Tiny and NaN values become exactly 0, so recursive states die out. Written
// as a branch the processor predicts, so the recursions do not wait for the
// comparison: values are rarely tiny, and in silence they stay 0.
inline double flush(double v) {
    if (__builtin_expect(std::fabs(v) > 1e-15, 1)) return v;
    double zero = 0.0;
#if defined(__GNUC__) && defined(__SSE2__)
    // Keeps the compiler from turning the branch back into a data dependency.
    asm volatile("" : "+x"(zero));
#endif
    return zero;
}

// Polyphase half-band coefficients: branch A is A1 then A2, branch B is B1 then B2.
constexpr double kHalfBandA1 = 0.12073211751675449;
constexpr double kHalfBandA2 = 0.6632020224193995;
constexpr double kHalfBandB1 = 0.3903621872345006;
constexpr double kHalfBandB2 = 0.890786832653497;

// Sections of one resampler, in the order A1, A2, B1, B2.
enum Section { kA1 = 0, kA2, kB1, kB2 };

inline double allpass(Orvalt::Allpass& state, double c, double s) {
    const double y = flush(c * (s - state.y1) + state.x1);
    state.x1 = s;
    state.y1 = y;
    return y;
}

inline double branchA(Orvalt::Allpass* sections, double s) {
    return allpass(sections[kA2], kHalfBandA2, allpass(sections[kA1], kHalfBandA1, s));
}

inline double branchB(Orvalt::Allpass* sections, double s) {
    return allpass(sections[kB2], kHalfBandB2, allpass(sections[kB1], kHalfBandB1, s));
}

// One step of the equalizer's coefficient smoothers (k is the smoothing coefficient).
inline void glide(Orvalt::BassEq& eq, double k) {
    eq.k0Smoothed += (eq.k0 - eq.k0Smoothed) * k;
    eq.k1Smoothed += (eq.k1 - eq.k1Smoothed) * k;
    eq.gainSmoothed += (eq.gain - eq.gainSmoothed) * k;
}

// Peaking equalizer: a nested lattice allpass mixed with the dry signal, gain
// gainSmoothed at the centre and unity at DC and at the Nyquist rate.
inline double peak(Orvalt::BassEq& eq, double s) {
    const double v = s - eq.k1Smoothed * eq.z2;
    const double ap = eq.z2 + eq.k1Smoothed * v;
    const double b = v - eq.k0Smoothed * eq.z1;
    eq.z2 = eq.z1 + eq.k0Smoothed * b;
    eq.z1 = b;
    return 0.5 * ((1.0 + eq.gainSmoothed) * s + (1.0 - eq.gainSmoothed) * ap);
}

// The saturator's softness: the single-precision 0.01.
constexpr double kSaturation = static_cast<double>(0.01f);

// Soft saturation of the running sum of input differences, then the DC
// blocker on the differences of the saturated values.
inline double saturateAndBlock(double e, double& prevIn, double& prevOut, double& dcPrev, double dcCoefficient) {
    const double h = flush(e - prevIn + prevOut);
    prevIn = e;
    const double sat = h / (1.0 + kSaturation * std::fabs(h));
    const double y = flush(dcCoefficient * dcPrev + (sat - prevOut));
    dcPrev = y;
    prevOut = sat;
    return y;
}

// One channel's running state, copied out of the plug-in for a block: as
// locals the loop keeps it in registers, where members would be reloaded after
// every store to the output buffers (which may alias them as far as the
// compiler knows) and stall on the stores of the previous sample.
struct Channel {
    Orvalt::Allpass up[4];
    Orvalt::Allpass down[4];
    Orvalt::BassEq eq;
    double satPrevIn, satPrevOut, dcPrevOut;
    double history1, history2, delay, envelope;
};

}  // namespace ChainStage
