// The frame's sample loops: host input into the internal double buffers with
// the cleaning fused in, and the internal result back into the host's single-
// precision outputs (replacing or accumulating). Four samples per pass in SSE2
// (the baseline of every build), a scalar tail for the rest. Each lane goes
// through the same operations as the scalar tail, in the same order and in the
// thread's rounding mode, so the vector and the scalar forms give the same bits.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace PlugCore {
namespace sampleConvert {

// Never reaches the product: NaN (0 instead) and magnitudes beyond this.
constexpr double kInputLimit = 1e10;
// The same limit in single precision: 1e10 = 9765625 * 2^10 is exact in a float,
// so cleaning before the widening gives what cleaning after it gives.
constexpr float kInputLimitSingle = 1e10f;
static_assert(static_cast<double>(kInputLimitSingle) == kInputLimit, "the limit must be exact in a float");

inline double cleanSample(double x) {
    if (x != x) return 0.0;
    if (x < -kInputLimit) return -kInputLimit;
    if (x > kInputLimit) return kInputLimit;
    return x;  // -0 stays -0
}

// NaN lanes become +0 (the ordered mask clears every bit); min and max keep
// their first operand unless it is out of range, so -0 and every value in
// range pass unchanged and infinities meet the limit.
inline __m128 cleanFour(__m128 x) {
    x = _mm_and_ps(x, _mm_cmpord_ps(x, x));
    x = _mm_min_ps(x, _mm_set1_ps(kInputLimitSingle));
    return _mm_max_ps(x, _mm_set1_ps(-kInputLimitSingle));
}

inline __m128d cleanTwo(__m128d x) {
    x = _mm_and_pd(x, _mm_cmpord_pd(x, x));
    x = _mm_min_pd(x, _mm_set1_pd(kInputLimit));
    return _mm_max_pd(x, _mm_set1_pd(-kInputLimit));
}

// [audio thread] Host floats, cleaned and widened (exactly) into doubles.
inline void cleanInto(const float* source, double* destination, int32_t frames) {
    int32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
        const __m128 x = cleanFour(_mm_loadu_ps(source + i));
        _mm_storeu_pd(destination + i, _mm_cvtps_pd(x));
        _mm_storeu_pd(destination + i + 2, _mm_cvtps_pd(_mm_movehl_ps(x, x)));
    }
    for (; i < frames; ++i) destination[i] = cleanSample(static_cast<double>(source[i]));
}

// [audio thread] Host doubles, cleaned.
inline void cleanInto(const double* source, double* destination, int32_t frames) {
    int32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
        _mm_storeu_pd(destination + i, cleanTwo(_mm_loadu_pd(source + i)));
        _mm_storeu_pd(destination + i + 2, cleanTwo(_mm_loadu_pd(source + i + 2)));
    }
    for (; i < frames; ++i) destination[i] = cleanSample(source[i]);
}

// Four doubles rounded to single precision in the thread's rounding mode.
inline __m128 narrowFour(const double* x) {
    return _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(x)), _mm_cvtpd_ps(_mm_loadu_pd(x + 2)));
}

// [audio thread] replacing: host = float(mine).
inline void storeReplacing(const double* mine, float* host, int32_t frames) {
    int32_t i = 0;
    for (; i + 4 <= frames; i += 4) _mm_storeu_ps(host + i, narrowFour(mine + i));
    for (; i < frames; ++i) host[i] = static_cast<float>(mine[i]);
}

// [audio thread] accumulating: host = float(double(host) + mine).
inline void storeAccumulating(const double* mine, float* host, int32_t frames) {
    int32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
        const __m128 h = _mm_loadu_ps(host + i);
        const __m128d low = _mm_add_pd(_mm_cvtps_pd(h), _mm_loadu_pd(mine + i));
        const __m128d high = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(h, h)), _mm_loadu_pd(mine + i + 2));
        _mm_storeu_ps(host + i, _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)));
    }
    for (; i < frames; ++i) host[i] = static_cast<float>(static_cast<double>(host[i]) + mine[i]);
}

}  // namespace sampleConvert
}  // namespace PlugCore
