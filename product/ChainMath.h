// Elementary functions for the chain's coefficient design, built only from
// double additions, multiplications and divisions, so every build (every C
// library) gives the same bits. They work in double-double precision and round
// once at the end, which makes the results correctly rounded for practically
// every argument. All of them need the round-to-nearest mode.
#pragma once

namespace ChainMath {

double exp(double x);
// 10 to the power x.
double pow10(double x);
// sinh(x) = (e^x - e^-x) / 2.
double sinh(double x);
// Sine and cosine for |x| <= 1 (the arguments the design uses are far smaller).
double sin(double x);
double cos(double x);

}  // namespace ChainMath
