// The chain's building blocks for both channels at once: the flush rule, the
// first-order allpass sections of the half-band resamplers, the one-pole
// smoothing step, the lattice peaking equalizer, the saturator, the DC blocker
// and the look-ahead clipper. Every lane goes through the same operations in
// the same order as a one-channel version would, so each lane's bits are that
// channel's bits. Only SSE2 is used; no value ever passes through the x87 unit.
#pragma once

#include <emmintrin.h>

#include "product/ChainState.h"

namespace ChainStage {

inline Pair both(double v) { return _mm_set1_pd(v); }

// |v|: the sign bit cleared with an SSE2 and.
inline Pair magnitude(Pair v) { return _mm_andnot_pd(_mm_set1_pd(-0.0), v); }

// All ones where |v| > 1e-15, zeros where v is tiny or NaN.
inline Pair keepMask(Pair v) { return _mm_cmpgt_pd(magnitude(v), _mm_set1_pd(1e-15)); }

// Tiny and NaN values become exactly +0, so recursive states die out.
inline Pair flush(Pair v) { return _mm_and_pd(keepMask(v), v); }

// One step of a one-pole smoother toward target (k is the smoothing
// coefficient). Once a step leaves the value unchanged it stays unchanged
// while target and k hold, so settled smoothers may be skipped.
template <typename T>
inline T smoothStep(T value, T target, T k) {
    return value + (target - value) * k;
}

// Polyphase half-band coefficients: branch A is A1 then A2, branch B is B1 then B2.
constexpr double kHalfBandA1 = 0.12073211751675449;
constexpr double kHalfBandA2 = 0.6632020224193995;
constexpr double kHalfBandB1 = 0.3903621872345006;
constexpr double kHalfBandB2 = 0.890786832653497;

enum Section { kA1 = 0, kA2, kB1, kB2 };

inline Pair allpass(Allpass& state, double c, Pair s) {
    const Pair y = flush(both(c) * (s - state.y1) + state.x1);
    state.x1 = s;
    state.y1 = y;
    return y;
}

inline Pair branchA(Allpass* sections, Pair s) {
    return allpass(sections[kA2], kHalfBandA2, allpass(sections[kA1], kHalfBandA1, s));
}

inline Pair branchB(Allpass* sections, Pair s) {
    return allpass(sections[kB2], kHalfBandB2, allpass(sections[kB1], kHalfBandB1, s));
}

// One input frame at the doubled rate: its first and its second value, each a
// Pair of both channels.
struct UpsampledFrame {
    Pair first;
    Pair second;
};

// Upsampling: s0 from branch A, s1 from branch B.
inline UpsampledFrame upsample(Allpass* sections, Pair r) { return {branchA(sections, r), branchB(sections, r)}; }

// Downsampling: the mean of branch A on the second and branch B on the first value.
inline Pair downsample(Allpass* sections, const UpsampledFrame& y) {
    return both(0.5) * (branchA(sections, y.second) + branchB(sections, y.first));
}

// The equalizer's coefficient targets, the same for both channels.
struct EqualizerTargets {
    double k0, k1, gain;
};

inline void glide(EqualizerState& eq, const EqualizerTargets& target, double k) {
    eq.k0Smoothed = smoothStep(eq.k0Smoothed, both(target.k0), both(k));
    eq.k1Smoothed = smoothStep(eq.k1Smoothed, both(target.k1), both(k));
    eq.gainSmoothed = smoothStep(eq.gainSmoothed, both(target.gain), both(k));
}

// Peaking equalizer: a nested lattice allpass mixed with the dry signal, gain
// gainSmoothed at the centre and unity at DC and at the Nyquist rate.
inline Pair equalize(EqualizerState& eq, Pair s) {
    const Pair v = s - eq.k1Smoothed * eq.z2;
    const Pair ap = eq.z2 + eq.k1Smoothed * v;
    const Pair b = v - eq.k0Smoothed * eq.z1;
    eq.z2 = eq.z1 + eq.k0Smoothed * b;
    eq.z1 = b;
    return both(0.5) * ((both(1.0) + eq.gainSmoothed) * s + (both(1.0) - eq.gainSmoothed) * ap);
}

// The saturator's softness: the single-precision 0.01.
constexpr double kSaturation = static_cast<double>(0.01f);

// Soft saturation of the running sum of input differences; returns the change
// of the saturated value, which is what the DC blocker needs. The flush mask
// is applied after the division (a flushed sum gives 0 / 1 = +0 either way), so
// only one and stays on the recursion.
inline Pair saturate(Pair e, Pair& prevIn, Pair& prevOut) {
    const Pair h = e - prevIn + prevOut;
    prevIn = e;
    const Pair size = magnitude(h);
    const Pair sat = _mm_and_pd(_mm_cmpgt_pd(size, both(1e-15)), h / (both(1.0) + both(kSaturation) * size));
    const Pair change = sat - prevOut;
    prevOut = sat;
    return change;
}

// DC blocker on the changes of the saturated value.
inline Pair blockDc(Pair change, Pair& prevOut, double coefficient) {
    const Pair y = flush(both(coefficient) * prevOut + change);
    prevOut = y;
    return y;
}

// The largest envelope whose release step, envelope × release under the
// current rounding mode, is flushed: rounding is monotonic, so the release step
// of e is kept exactly when |e| is above this limit. The clipper compares the
// envelope with it while the product is still being computed, instead of
// comparing the product afterwards.
inline double releaseFlushLimit(double release) {
    if (!(release > 0.0) || release > 1.0) return __builtin_inf();  // before the first design: nothing is kept
    volatile double r = release;  // computed at run time, under the caller's rounding mode
    const auto kept = [&](double e) { return e * r > 1e-15; };
    double limit = 1e-15 / r;
    while (kept(limit)) limit = __builtin_nextafter(limit, 0.0);
    while (!kept(__builtin_nextafter(limit, __builtin_inf()))) limit = __builtin_nextafter(limit, __builtin_inf());
    return limit;
}

// The clipper's constants for a block.
struct ClipConstants {
    double limitGain, attack, release;
    double releaseLimit;  // releaseFlushLimit(release)
    bool makeup;
};

constexpr double kCeiling = 0.99;  // the clipper's threshold

// Look-ahead clipper on m(n): u(n) = min(1, 0.99 / q(n)) with q = |m| L (a NaN q
// gives NaN, as the quotient does), and the delayed sample gets min(u(n-1),
// (u(n-2) + u(n)) / 2), so no output exceeds 0.99 / L (0.99 after make-up).
// peak (two floats in the low lanes) follows the envelope's maximum.
inline Pair clip(ChainState& s, const ClipConstants& k, __m128& peak, Pair m) {
    const Pair q = magnitude(m) * both(k.limitGain);
    const Pair u = _mm_min_pd(both(1.0), both(kCeiling) / q);
    const Pair below = _mm_cmplt_pd(q, both(kCeiling));  // false for NaN: the attack branch
    // The release step flushed (tiny or NaN gives +0) and the attack step,
    // chosen lane by lane; the flush test runs beside the multiplication.
    const Pair keepRelease = _mm_and_pd(below, _mm_cmpgt_pd(magnitude(s.clipEnvelope), both(k.releaseLimit)));
    const Pair released = s.clipEnvelope * both(k.release);
    const Pair attacked = (s.clipEnvelope - both(1.0)) * both(k.attack) + both(1.0);
    const Pair t = _mm_or_pd(_mm_and_pd(keepRelease, released), _mm_andnot_pd(below, attacked));
    s.clipEnvelope = t;
    // The float of t is above the peak exactly when t is (rounding toward zero
    // cannot pass the float below it); a NaN leaves the peak alone.
    peak = _mm_max_ps(_mm_cvtpd_ps(t), peak);
    const Pair a = _mm_min_pd(s.gainHistory1, both(0.5) * (s.gainHistory2 + u));
    Pair out = a * s.limiterDelay;
    s.limiterDelay = m;
    s.gainHistory2 = s.gainHistory1;
    s.gainHistory1 = u;
    if (k.makeup) out = out * both(k.limitGain);
    return out;
}

}  // namespace ChainStage
