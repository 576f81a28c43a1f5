// Signals and common names for the CLAP tests.
#pragma once

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/clap/clapTestHost.h"

#define REQUIRE_LIBRARY()                                \
    do {                                                 \
        std::string why;                                 \
        if (!claptest::entry(&why)) GTEST_FAIL() << why; \
    } while (0)

namespace claptest {

constexpr clap_id kInput = 0, kWarm = 1, kLimit = 2;

struct Stereo {
    std::vector<float> channel[2];
    float* pointers[2];
    explicit Stereo(size_t frames) {
        for (int c = 0; c < 2; ++c) channel[c].assign(frames, 0.0f), pointers[c] = channel[c].data();
    }
    Stereo(const Stereo& o) : channel{o.channel[0], o.channel[1]}, pointers{channel[0].data(), channel[1].data()} {}
};

// A loud, busy signal that drives the clipper hard.
inline Stereo noise(size_t frames, uint32_t seed) {
    Stereo s(frames);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> x(-1.0f, 1.0f);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < frames; ++i)
            s.channel[c][i] = 0.8f * std::sin(0.013f * static_cast<float>(i) + static_cast<float>(c)) + 0.3f * x(random);
    return s;
}

}  // namespace claptest
