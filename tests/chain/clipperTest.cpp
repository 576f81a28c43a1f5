// The one-sample delay and the look-ahead clipper with make-up.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/chain/chainTestSupport.h"

namespace {

constexpr double kCeiling = 0.99;

// Warm off, clip on, input and drive at 0 dB; limit and make-up as given.
std::unique_ptr<Orvalt> clipper(float limit, float makeup) {
    auto plugin = makeOrvalt(44100.0f, 256,
                             {{Orvalt::kInput, 0.0f}, {Orvalt::kWarm, 0.0f}, {Orvalt::kLimit, limit},
                              {Orvalt::kClip, 1.0f}, {Orvalt::kDrive, 1.0f}, {Orvalt::kMakeup, makeup}});
    plugin->resume();
    return plugin;
}

// Silence, then the level on the left and its negative on the right.
Stereo stepTo(double level, size_t at, size_t frames) {
    Stereo s{std::vector<double>(frames, 0.0), std::vector<double>(frames, 0.0)};
    for (size_t i = at; i < frames; ++i) {
        s.left[i] = level;
        s.right[i] = -level;
    }
    return s;
}

}  // namespace

TEST(Latency, WarmAndClipOffDelayByExactlyOneSampleAtZeroDecibelDrive) {
    TestRandom random(11);
    const Stereo input = noiseSignal(random, 0.9, 3000);
    for (bool doublePath : {true, false}) {
        auto plugin = makeOrvalt(44100.0f, 512, {{Orvalt::kClip, 0.0f}, {Orvalt::kDrive, 1.0f}});
        plugin->resume();
        const Stereo out = doublePath ? runDouble(*plugin, input, 512) : runFloat(*plugin, input, 512);
        EXPECT_EQ(out.left[0], 0.0);
        EXPECT_EQ(out.right[0], 0.0);
        for (size_t i = 1; i < input.size(); ++i) {
            const double expectedLeft = doublePath ? input.left[i - 1] : static_cast<float>(input.left[i - 1]);
            const double expectedRight = doublePath ? input.right[i - 1] : static_cast<float>(input.right[i - 1]);
            ASSERT_EQ(out.left[i], expectedLeft) << "sample " << i << (doublePath ? " double" : " float");
            ASSERT_EQ(out.right[i], expectedRight) << "sample " << i;
        }
    }
}

// (x × G) / D under round-toward-zero can land one ulp below x in double
// precision; rounded to single precision the delay is exact at every drive.
TEST(Latency, AtOtherDrivesExactInSinglePrecisionAndWithinOneUlpTowardZeroInDouble) {
    TestRandom random(12);
    const Stereo input = noiseSignal(random, 1.0, 4000);
    for (float drive : {0.0f, 0.3f, 0.5f, 0.77f}) {
        auto floatPlugin = makeOrvalt(44100.0f, 300, {{Orvalt::kClip, 0.0f}, {Orvalt::kDrive, drive}});
        auto doublePlugin = makeOrvalt(44100.0f, 300, {{Orvalt::kClip, 0.0f}, {Orvalt::kDrive, drive}});
        floatPlugin->resume();
        doublePlugin->resume();
        const Stereo single = runFloat(*floatPlugin, input, 300);
        const Stereo full = runDouble(*doublePlugin, input, 300);
        int shortened = 0;
        for (size_t i = 1; i < input.size(); ++i) {
            ASSERT_EQ(single.left[i], static_cast<float>(input.left[i - 1])) << "drive " << drive << " sample " << i;
            ASSERT_EQ(single.right[i], static_cast<float>(input.right[i - 1])) << "drive " << drive;
            const double x = input.left[i - 1], y = full.left[i];
            double lower = x;
            for (int u = 0; u < 2; ++u) lower = std::nextafter(lower, 0.0);
            ASSERT_LE(std::fabs(y), std::fabs(x))
                << "drive " << drive << " sample " << i << " " << (x - y) / (x - std::nextafter(x, 0.0)) << " ulp";
            ASSERT_GE(std::fabs(y), std::fabs(lower))
                << "drive " << drive << " sample " << i << " " << (x - y) / (x - std::nextafter(x, 0.0)) << " ulp";
            shortened += y != x;
        }
        if (drive == 0.5f) {
            EXPECT_GT(shortened, 0) << "round toward zero is not in effect";
        }
    }
}

TEST(Clipper, StepToTwoComesOutAtTheCeilingOneSampleLateAndStaysThere) {
    for (float makeup : {0.0f, 1.0f}) {  // at limit 1 the make-up gain is 1
        auto plugin = clipper(1.0f, makeup);
        const Stereo out = runDouble(*plugin, stepTo(2.0, 100, 1000), 256);
        for (size_t i = 0; i <= 100; ++i) ASSERT_EQ(out.left[i], 0.0) << i;
        for (size_t i = 101; i < 1000; ++i) {
            ASSERT_EQ(out.left[i], kCeiling) << "makeup " << makeup << " sample " << i;
            ASSERT_EQ(out.right[i], -kCeiling) << i;
        }
    }
}

TEST(Clipper, LimitZeroHoldsPeaksAtTheLoweredCeilingAndMakeupRestoresIt) {
    const double limitGain = std::sqrt(10.0);
    TestRandom random(5);
    Stereo loud = noiseSignal(random, 3.0, 20000);
    for (size_t i = 0; i < 2000; ++i) loud.left[i] = loud.right[i] = 2.0;  // held level: the ceiling itself
    for (float makeup : {0.0f, 1.0f}) {
        auto plugin = clipper(0.0f, makeup);
        const Stereo out = runDouble(*plugin, loud, 256);
        const double ceiling = makeup > 0.5f ? kCeiling : kCeiling / limitGain;
        EXPECT_NEAR(out.left[1500], ceiling, 1e-15);
        double peak = 0.0;
        for (size_t i = 0; i < out.size(); ++i) peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
        EXPECT_LE(peak, ceiling * (1.0 + 4e-16)) << "makeup " << makeup;
        EXPECT_GT(peak, ceiling * (1.0 - 1e-12));
    }
}

TEST(Clipper, FirstSamplesAfterResetRampThroughTheEmptyGainHistories) {
    auto plugin = clipper(1.0f, 0.0f);
    TestRandom random(9);
    const Stereo input = noiseSignal(random, 0.5, 600);
    for (int pass = 0; pass < 2; ++pass) {  // again after a second reset
        const Stereo out = runDouble(*plugin, input, 256);
        EXPECT_EQ(out.left[0], 0.0);
        EXPECT_EQ(out.right[0], 0.0);
        EXPECT_EQ(out.left[1], 0.5 * input.left[0]);
        EXPECT_EQ(out.right[1], 0.5 * input.right[0]);
        for (size_t i = 2; i < input.size(); ++i) ASSERT_EQ(out.left[i], input.left[i - 1]) << i;
        plugin->resume();
    }
}

TEST(Clipper, ExactlyAtTheThresholdTakesTheClippingBranchWithUnityGain) {
    auto plugin = clipper(1.0f, 0.0f);
    const double justBelow = std::nextafter(kCeiling, 0.0);
    Stereo input{std::vector<double>(6, 0.5), std::vector<double>(6, 0.5)};
    input.left[5] = kCeiling;   // q = 0.99 exactly
    input.right[5] = justBelow;
    runDouble(*plugin, input, 256);
    OrvaltChainProbe probe(*plugin);
    EXPECT_NEAR(probe.clipEnvelope(0), 1.0 - probe.attackCoefficient(), 1e-15);  // attack toward 1
    EXPECT_EQ(probe.clipEnvelope(1), 0.0);                                       // release branch
    const Stereo out = runDouble(*plugin, Stereo{{0.5}, {0.5}}, 256);
    EXPECT_EQ(out.left[0], kCeiling);  // gain factor 0.99 / 0.99 = 1
    EXPECT_EQ(out.right[0], justBelow);
}

TEST(Gains, ResetStartsAtUnityAndGlidesWithTheSmoothingCoefficient) {
    auto plugin = makeOrvalt(44100.0f, 64, {{Orvalt::kInput, 1.0f}, {Orvalt::kDrive, 1.0f}, {Orvalt::kClip, 0.0f}});
    plugin->resume();
    Stereo ones{std::vector<double>(4410, 0.001), std::vector<double>(4410, 0.001)};
    runDouble(*plugin, ones, 64);  // 100 ms: one time constant
    OrvaltChainProbe probe(*plugin);
    EXPECT_EQ(probe.inputGainTarget(), 10.0);
    EXPECT_NEAR(probe.inputGain(), 10.0 - 9.0 * std::exp(-1.0), 1e-9);
    EXPECT_EQ(probe.driveGain(), 1.0);
    plugin->resume();
    EXPECT_EQ(probe.inputGain(), 1.0);
}
