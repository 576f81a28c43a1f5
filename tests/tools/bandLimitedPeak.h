// The band-limited signal a run of samples stands for, straight from its
// definition, in double: every sample's sinc summed over 512 samples either
// side (Kaiser-windowed, so the cut does not ring), read at 64 points per
// sample. It shares no code and no filter with the meter.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

class Reconstruction {
public:
    static constexpr long reach = 512;
    static constexpr int points = 64;
    Reconstruction() : kernel(points, std::vector<double>(2 * reach + 1)) {
        const double pi = 3.14159265358979323846;
        auto i0 = [](double x) {
            double sum = 1.0, term = 1.0;
            for (int k = 1; k < 60; ++k) sum += (term *= x * x / (4.0 * k * k));
            return sum;
        };
        const double beta = 10.0;
        for (int j = 0; j < points; ++j)
            for (long k = -reach; k <= reach; ++k) {
                const double d = double(j) / points - double(k);  // from sample n + k to the point n + j/64
                const double u = d / double(reach + 1);
                const double window = i0(beta * std::sqrt(std::max(0.0, 1.0 - u * u))) / i0(beta);
                kernel[size_t(j)][size_t(k + reach)] = (d == 0.0 ? 1.0 : std::sin(pi * d) / (pi * d)) * window;
            }
    }
    // Largest magnitude between samples [from, to), each of which needs
    // reach samples on either side.
    double peak(const std::vector<double>& x, size_t from, size_t to) const {
        double high = 0.0;
        for (size_t n = from; n < to; ++n)
            for (const auto& weights : kernel) {
                double sum = 0.0;
                for (long k = -reach; k <= reach; ++k) sum += weights[size_t(k + reach)] * x[size_t(long(n) + k)];
                high = std::max(high, std::fabs(sum));
            }
        return high;
    }
    // Largest magnitude of a whole file, silence before and after it. Only
    // between samples near one of at least half the largest can the peak be
    // (a band-limited signal rises little over its samples' neighbourhood).
    double peakOfFile(const std::vector<double>& file) const {
        const long margin = 16;
        std::vector<double> x(file.size() + 2 * size_t(reach + margin), 0.0);
        std::copy(file.begin(), file.end(), x.begin() + reach + margin);
        double largest = 0.0;
        for (double v : file) largest = std::max(largest, std::fabs(v));
        double high = largest;
        for (size_t n = size_t(reach); n + size_t(reach) < x.size(); ++n) {
            bool near = false;
            for (size_t k = n - 8; k <= n + 8 && !near; ++k) near = std::fabs(x[k]) >= 0.5 * largest;
            if (near) high = std::max(high, peak(x, n, n + 1));
        }
        return high;
    }

private:
    std::vector<std::vector<double>> kernel;
};
