// Sets the floating-point rounding mode for a scope and restores the previous
// mode when the scope is left, also by an exception.
#pragma once

#include <cfenv>

class RoundingGuard {
public:
    // [any thread] Affects only the calling thread's floating-point environment.
    explicit RoundingGuard(int mode) : saved(std::fegetround()) { std::fesetround(mode); }
    ~RoundingGuard() { std::fesetround(saved); }
    RoundingGuard(const RoundingGuard&) = delete;
    RoundingGuard& operator=(const RoundingGuard&) = delete;

private:
    int saved;
};
