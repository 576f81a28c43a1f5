// Sets the floating-point rounding mode for a scope and restores the previous
// mode when the scope is left, also by an exception. It sets the SSE2 control
// register only: all of the chain's arithmetic is SSE2 (the 32-bit build
// compiles with -msse2 -mfpmath=sse), and reading and writing that register is
// a few cycles, where a C library's fesetround may be far slower (on 32-bit
// Windows it asks the processor for its features on every call). A guard
// whose mode already holds writes nothing, on entry or on exit, so a caller
// that runs many short blocks can set the mode once around all of them.
#pragma once

#include <cfenv>
#include <xmmintrin.h>

class RoundingGuard {
public:
    // [any thread] Affects only the calling thread's SSE rounding mode; mode is
    // FE_TONEAREST, FE_DOWNWARD, FE_UPWARD or FE_TOWARDZERO.
    explicit RoundingGuard(int mode) : saved(_mm_getcsr() & kRoundingBits), changed(saved != controlBits(mode)) {
        if (changed) setRounding(controlBits(mode));
    }
    ~RoundingGuard() {
        if (changed) setRounding(saved);
    }
    RoundingGuard(const RoundingGuard&) = delete;
    RoundingGuard& operator=(const RoundingGuard&) = delete;

private:
    static constexpr unsigned kRoundingBits = 0x6000u;

    static unsigned controlBits(int mode) {
        switch (mode) {
            case FE_DOWNWARD: return 0x2000u;
            case FE_UPWARD: return 0x4000u;
            case FE_TOWARDZERO: return 0x6000u;
            default: return 0u;  // to nearest
        }
    }
    // Only the rounding field changes; exception flags and masks stay as they are.
    static void setRounding(unsigned bits) { _mm_setcsr((_mm_getcsr() & ~kRoundingBits) | bits); }

    unsigned saved;
    bool changed;
};
