// Double-double arithmetic (pairs hi + lo with |lo| <= half an ulp of hi) and
// the few functions the coefficient design needs. Error-free transformations
// (two-sum, Dekker's two-product) rely on round-to-nearest and on the absence
// of fused multiply-add, which the chain's compile flags guarantee.
#include "product/ChainMath.h"

#include <cmath>
#include <limits>

namespace ChainMath {
namespace {

struct DD {
    double hi;
    double lo;
};

DD twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DD quickTwoSum(double a, double b) {  // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}

DD split(double a) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

DD twoProduct(double a, double b) {
    const double p = a * b;
    const DD x = split(a), y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

DD add(DD a, DD b) {
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

DD negate(DD a) { return {-a.hi, -a.lo}; }

DD multiply(DD a, DD b) {
    DD p = twoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

DD multiply(DD a, double b) {
    DD p = twoProduct(a.hi, b);
    p.lo += a.lo * b;
    return quickTwoSum(p.hi, p.lo);
}

DD divide(DD a, double b) {
    const double q1 = a.hi / b;
    const DD p = twoProduct(q1, b);
    const double remainder = ((a.hi - p.hi) - p.lo) + a.lo;
    return quickTwoSum(q1, remainder / b);
}

constexpr DD kLn2{0.6931471805599453, 2.3190468138462996e-17};
constexpr DD kLn10{2.302585092994046, -2.1707562233822494e-16};
constexpr DD kOne{1.0, 0.0};

// e^x: x = k ln 2 + r, e^r from a short series of r / 1024 and ten squarings.
DD expDD(DD x) {
    const double k = std::floor(x.hi / kLn2.hi + 0.5);
    DD r = add(x, negate(multiply(kLn2, k)));
    r = {std::ldexp(r.hi, -10), std::ldexp(r.lo, -10)};
    DD sum = kOne;  // Horner form of 1 + r (1 + r/2 (1 + r/3 (...)))
    for (int n = 10; n >= 1; --n) sum = add(kOne, divide(multiply(r, sum), n));
    for (int i = 0; i < 10; ++i) sum = multiply(sum, sum);
    return {std::ldexp(sum.hi, static_cast<int>(k)), std::ldexp(sum.lo, static_cast<int>(k))};
}

double expOf(DD x) {
    if (std::isnan(x.hi)) return x.hi;
    if (x.hi > 709.79) return std::numeric_limits<double>::infinity();
    if (x.hi < -745.2) return 0.0;
    const DD e = expDD(x);
    return e.hi + e.lo;
}

// Sum of (-1)^n x^(2n + first) / (2n + first)!, Horner form, for |x| <= 1.
double alternatingSeries(double x, int first) {
    const DD square = twoProduct(x, x);
    DD sum = kOne;
    for (int n = 34 + first; n > first; n -= 2) sum = add(kOne, negate(divide(multiply(square, sum), n * (n - 1.0))));
    if (first == 1) sum = multiply(sum, x);
    return sum.hi + sum.lo;
}

}  // namespace

double exp(double x) { return expOf({x, 0.0}); }

double pow10(double x) {
    if (x == 0.0) return 1.0;
    return expOf(multiply(kLn10, x));
}

double sinh(double x) {
    if (std::isnan(x)) return x;
    if (std::fabs(x) > 700.0) return std::copysign(expOf(add({std::fabs(x), 0.0}, negate(kLn2))), x);
    if (std::fabs(x) < 1e-8) return x + x * x * x / 6.0;
    const DD difference = add(expDD({x, 0.0}), negate(expDD({-x, 0.0})));
    return std::ldexp(difference.hi + difference.lo, -1);
}

double sin(double x) { return alternatingSeries(x, 1); }

double cos(double x) { return alternatingSeries(x, 0); }

}  // namespace ChainMath
