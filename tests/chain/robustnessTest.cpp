// Random signals and random parameter values: nothing unbounded ever leaves,
// the make-up ceiling holds, and every recursive state dies out to exactly 0.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <xmmintrin.h>

#include "tests/chain/chainTestSupport.h"

namespace {

enum class SignalKind { silence, fullScaleNoise, spikes, notANumber, mixture };

Stereo hostileSignal(TestRandom& random, SignalKind kind, size_t frames) {
    Stereo s = noiseSignal(random, kind == SignalKind::silence ? 0.0 : 1.0, frames);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (size_t i = 0; i < frames; ++i) {
        for (double* x : {&s.left[i], &s.right[i]}) {
            const int dice = random.below(100);
            if (kind == SignalKind::spikes && dice < 5) *x = dice % 2 ? 1e10 : -1e10;
            if (kind == SignalKind::notANumber && dice < 30) *x = nan;
            if (kind == SignalKind::mixture && dice < 10)
                *x = dice < 3 ? nan : dice < 6 ? std::numeric_limits<double>::infinity() : 1e12 * random.symmetric();
        }
    }
    return s;
}

float randomParameter(TestRandom& random) {
    switch (random.below(8)) {
        case 0: return 0.0f;
        case 1: return 0.5f;
        case 2: return 1.0f;
        case 3: return random.below(20) == 0 ? std::numeric_limits<float>::quiet_NaN() : 0.75f;
        default: return static_cast<float>(random.uniform());
    }
}

void randomizeParameters(Orvalt& plugin, TestRandom& random, bool clipAndMakeup) {
    for (int p = 0; p < Orvalt::kNumParams; ++p) plugin.setParameter(p, randomParameter(random));
    if (clipAndMakeup) setParameters(plugin, {{Orvalt::kClip, 1.0f}, {Orvalt::kMakeup, 1.0f}});
}

// Runs the signal in blocks of random length, both precisions by turns.
Stereo runRandomBlocks(Orvalt& plugin, TestRandom& random, const Stereo& input, bool doublePath) {
    Stereo out{std::vector<double>(input.size()), std::vector<double>(input.size())};
    for (size_t start = 0; start < input.size();) {
        const size_t n = std::min<size_t>(1 + random.below(512), input.size() - start);
        const Stereo piece{{input.left.begin() + start, input.left.begin() + start + n},
                           {input.right.begin() + start, input.right.begin() + start + n}};
        const Stereo result = doublePath ? runDouble(plugin, piece, 512) : runFloat(plugin, piece, 512);
        std::copy(result.left.begin(), result.left.end(), out.left.begin() + start);
        std::copy(result.right.begin(), result.right.end(), out.right.begin() + start);
        start += n;
    }
    return out;
}

}  // namespace

TEST(Robustness, HostileSignalsAndRandomParametersNeverLetNaNOrInfinityOut) {
    TestRandom random(2024);
    for (int scenario = 0; scenario < 60; ++scenario) {
        const auto kind = static_cast<SignalKind>(scenario % 5);
        const bool doublePath = scenario % 2 == 0;
        const bool clipAndMakeup = scenario % 3 == 0;
        auto plugin = makeOrvalt(scenario % 4 == 0 ? 96000.0f : 44100.0f, 512);
        randomizeParameters(*plugin, random, clipAndMakeup);
        plugin->resume();
        Stereo out = runRandomBlocks(*plugin, random, hostileSignal(random, kind, 6000), doublePath);
        randomizeParameters(*plugin, random, clipAndMakeup);  // a change in mid-stream
        const Stereo more = runRandomBlocks(*plugin, random, hostileSignal(random, kind, 6000), doublePath);
        out.left.insert(out.left.end(), more.left.begin(), more.left.end());
        out.right.insert(out.right.end(), more.right.begin(), more.right.end());

        // The limit acts at once, so the sample already in the look-ahead when
        // it changes (index 6000) was clipped for the old ceiling.
        const double ceiling = doublePath ? std::nextafter(0.99, 1.0) : static_cast<double>(0.99f);
        for (size_t i = 0; i < out.size(); ++i) {
            if (i == 6000) continue;
            for (double y : {out.left[i], out.right[i]}) {
                ASSERT_TRUE(std::isfinite(y)) << "scenario " << scenario << " sample " << i;
                if (clipAndMakeup) {
                    ASSERT_LE(std::fabs(y), ceiling) << "scenario " << scenario << " sample " << i;
                }
            }
        }
    }
}

TEST(Robustness, WithWarmOffTheOutputAndEnvelopesFallToExactlyZero) {
    TestRandom random(76);
    for (int scenario = 0; scenario < 6; ++scenario) {
        auto plugin = makeOrvalt(44100.0f, 512);
        randomizeParameters(*plugin, random, scenario % 2 == 0);
        setParameters(*plugin, {{Orvalt::kWarm, 0.0f}});
        plugin->resume();
        runDouble(*plugin, hostileSignal(random, scenario % 3 ? SignalKind::fullScaleNoise : SignalKind::spikes, 5000),
                  512);
        const Stereo tail = runDouble(*plugin, noiseSignal(random, 0.0, 4 * 44100), 512);
        for (size_t i = 1; i < tail.size(); ++i) {
            ASSERT_EQ(tail.left[i], 0.0) << "scenario " << scenario << " sample " << i;
            ASSERT_EQ(tail.right[i], 0.0) << "scenario " << scenario << " sample " << i;
        }
        const std::vector<double> state = OrvaltChainProbe(*plugin).silencedState();
        for (size_t k = 0; k < state.size(); ++k) EXPECT_EQ(state[k], 0.0) << "scenario " << scenario << " state " << k;
    }
}

// The equalizer's slowest pole has a 31 ms time constant (bass 0), so its
// states need about 25 s to fall from 1e11 through the denormals to 0. The
// saturator's running sum leaks only through its softness, so after loud input
// the DC blocker lets a small residue through that shrinks with time.
TEST(Robustness, WithWarmOnTheFilterStatesFallToExactlyZeroAndTheResidueShrinks) {
    TestRandom random(77);
    for (int scenario = 0; scenario < 6; ++scenario) {
        auto plugin = makeOrvalt(44100.0f, 512);
        randomizeParameters(*plugin, random, false);
        setParameters(*plugin, {{Orvalt::kWarm, 1.0f}, {Orvalt::kClip, scenario % 2 ? 1.0f : 0.0f},
                                {Orvalt::kBass, scenario % 3 ? 1.0f : 0.0f}});
        plugin->resume();
        const auto kind = scenario % 3 == 0 ? SignalKind::spikes : SignalKind::fullScaleNoise;
        runDouble(*plugin, hostileSignal(random, kind, 5000), 512);
        const Stereo tail = runDouble(*plugin, noiseSignal(random, 0.0, 30 * 44100), 512);
        const auto peakOver = [&](size_t from, size_t count) {
            double peak = 0.0;
            for (size_t i = from; i < from + count; ++i) peak = std::max({peak, std::fabs(tail.left[i]), std::fabs(tail.right[i])});
            return peak;
        };
        EXPECT_LT(peakOver(tail.size() - 44100, 44100), 1e-4) << "scenario " << scenario;
        EXPECT_LE(peakOver(tail.size() - 44100, 44100), peakOver(5 * 44100, 44100)) << "scenario " << scenario;
        const std::vector<double> state = OrvaltChainProbe(*plugin).silencedState();
        for (size_t k = 0; k < state.size(); ++k) EXPECT_EQ(state[k], 0.0) << "scenario " << scenario << " state " << k;
    }
}

// The host's thread may run in any rounding mode: the design still rounds to
// nearest and the chain toward zero, so the output bits do not change, and the
// host's mode (as the C library and the SSE control register report it) is
// back in place when the block returns.
TEST(Robustness, TheHostsRoundingModeChangesNoBitAndIsRestored) {
    TestRandom random(77);
    const Stereo input = noiseSignal(random, 2.0, 3000);
    auto render = [&](int hostMode) {
        const int saved = std::fegetround();
        std::fesetround(hostMode);
        const unsigned controlBefore = _mm_getcsr();
        auto plugin = makeOrvalt(48000.0f, 512, {{Orvalt::kWarm, 1.0f}, {Orvalt::kBass, 0.6f}, {Orvalt::kInput, 0.4f},
                                                 {Orvalt::kLimit, 0.3f}, {Orvalt::kMakeup, 1.0f}});
        plugin->resume();
        const Stereo out = runDouble(*plugin, input, 512);
        EXPECT_EQ(std::fegetround(), hostMode);
        EXPECT_EQ(_mm_getcsr() & 0x6000u, controlBefore & 0x6000u);
        std::fesetround(saved);
        return out;
    };
    const Stereo nearest = render(FE_TONEAREST);
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        const Stereo other = render(mode);
        EXPECT_EQ(std::memcmp(other.left.data(), nearest.left.data(), nearest.size() * sizeof(double)), 0) << mode;
        EXPECT_EQ(std::memcmp(other.right.data(), nearest.right.data(), nearest.size() * sizeof(double)), 0) << mode;
    }
}
