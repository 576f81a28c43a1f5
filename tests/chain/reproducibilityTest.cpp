// Pins change, not correctness: a fixed scenario through every part of the
// chain, hashed bit for bit. The constants were read once from our own native
// output; every build must give them, and a change to the chain's arithmetic
// shows here first. Whether those bits are right is referenceChainTest.cpp's
// question, which checks the chain against a straightforward one-sample-at-a-time
// implementation of the same algorithm.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/chain/chainTestSupport.h"

namespace {

struct Fnv1a {
    uint64_t hash = 14695981039346656037ull;
    void add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
};

// Noise plus a sawtooth: made from plain arithmetic, so identical everywhere.
Stereo scenarioSignal() {
    TestRandom random(31337);
    Stereo s = noiseSignal(random, 0.6, 30000);
    for (size_t i = 0; i < s.size(); ++i) {
        const double saw = static_cast<double>(i % 147) / 73.5 - 1.0;
        s.left[i] += 0.9 * saw;
        s.right[i] -= 0.7 * saw;
        if (i % 5000 == 2500) s.left[i] = 1e10;  // a spike through the saturator and the clipper
    }
    return s;
}

template <typename Runner>
uint64_t scenarioHash(Runner run, size_t sampleBytes) {
    auto plugin = makeOrvalt(44100.0f, 256,
                             {{Orvalt::kInput, 0.35f}, {Orvalt::kWarm, 1.0f}, {Orvalt::kLimit, 0.4f},
                              {Orvalt::kBass, 0.8f}, {Orvalt::kClip, 1.0f}, {Orvalt::kDrive, 0.7f},
                              {Orvalt::kMakeup, 1.0f}});
    plugin->resume();
    const Stereo input = scenarioSignal();
    const size_t half = input.size() / 2;
    const Stereo first{{input.left.begin(), input.left.begin() + half}, {input.right.begin(), input.right.begin() + half}};
    const Stereo second{{input.left.begin() + half, input.left.end()}, {input.right.begin() + half, input.right.end()}};
    Fnv1a hash;
    auto add = [&](const Stereo& out) {
        for (size_t i = 0; i < out.size(); ++i) {
            for (double y : {out.left[i], out.right[i]}) {
                if (sampleBytes == sizeof(float)) {
                    const float f = static_cast<float>(y);
                    hash.add(&f, sizeof f);
                } else {
                    hash.add(&y, sizeof y);
                }
            }
        }
    };
    add(run(*plugin, first, 256));
    setParameters(*plugin, {{Orvalt::kBass, 0.2f}, {Orvalt::kLimit, 0.9f}, {Orvalt::kDrive, 0.1f}});
    add(run(*plugin, second, 100));
    return hash.hash;
}

}  // namespace

TEST(Reproducibility, FixedScenarioGivesTheSameBitsOnEveryBuild) {
    EXPECT_EQ(scenarioHash(runDouble, sizeof(double)), 0x484d19800af60a9eull);
    EXPECT_EQ(scenarioHash(runFloat, sizeof(float)), 0x787d9a88decce79bull);
}
