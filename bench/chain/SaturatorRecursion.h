// The latency floor of the chain: the saturator's recursion alone, both
// channels side by side in one SSE2 register, twice per input frame (the warm
// stage runs at the doubled rate). Nothing in the chain can go faster than this
// loop, so the chain's cost is reported as a multiple of it.
#pragma once

#include <emmintrin.h>

namespace ChainBench {

// e holds two pairs {left, right} per frame; sat receives the saturated pairs.
// The caller sets round-toward-zero, as the chain runs.
inline void saturatorRecursion(const double* e, double* sat, int frames, double (&prevIn)[2], double (&prevOut)[2]) {
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d threshold = _mm_set1_pd(1e-15);
    const __m128d softness = _mm_set1_pd(static_cast<double>(0.01f));
    const __m128d one = _mm_set1_pd(1.0);
    __m128d in = _mm_loadu_pd(prevIn);
    __m128d out = _mm_loadu_pd(prevOut);
    for (int i = 0; i < 2 * frames; ++i) {
        const __m128d x = _mm_loadu_pd(e + 2 * i);
        const __m128d h = _mm_add_pd(_mm_sub_pd(x, in), out);
        const __m128d magnitude = _mm_andnot_pd(signBit, h);
        const __m128d keep = _mm_cmpgt_pd(magnitude, threshold);
        out = _mm_and_pd(keep, _mm_div_pd(h, _mm_add_pd(one, _mm_mul_pd(softness, magnitude))));
        in = x;
        _mm_storeu_pd(sat + 2 * i, out);
    }
    _mm_storeu_pd(prevIn, in);
    _mm_storeu_pd(prevOut, out);
}

}  // namespace ChainBench
