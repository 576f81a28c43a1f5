// Rate- and parameter-dependent constants, and the elementary functions that
// design them.
#include <gtest/gtest.h>

#include <cmath>

#include "product/ChainMath.h"
#include "tests/chain/chainTestSupport.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::unique_ptr<Orvalt> resumedAt(float rate, float bass) {
    auto plugin = makeOrvalt(rate, 64, {{Orvalt::kBass, bass}});
    plugin->resume();
    Stereo silence{std::vector<double>(1, 0.0), std::vector<double>(1, 0.0)};
    runDouble(*plugin, silence, 64);  // the first block cooks the parameters
    return plugin;
}

}  // namespace

TEST(Coefficients, RateDependentConstantsAt44100) {
    auto plugin = resumedAt(44100.0f, 0.0f);
    OrvaltChainProbe probe(*plugin);
    EXPECT_NEAR(probe.dcCoefficient(), 0.99954659, 0.5e-8);
    EXPECT_NEAR(probe.attackCoefficient(), 0.98872616, 0.5e-8);
    EXPECT_NEAR(probe.releaseCoefficient(), 0.99977327, 0.5e-8);
    EXPECT_NEAR(probe.smoothingCoefficient(), 0.00022673166, 0.5e-11);
    EXPECT_EQ(probe.meterPeriod(), 882);
    // The single-precision 0.05, 0.002 and 0.1 set the three poles.
    EXPECT_EQ(probe.dcCoefficient(), ChainMath::exp(-1.0 / (0.05000000074505806 * 44100.0)));
    EXPECT_EQ(probe.releaseCoefficient(), ChainMath::exp(-1.0 / (0.10000000149011612 * 44100.0)));
    EXPECT_NE(probe.releaseCoefficient(), 1.0 - probe.smoothingCoefficient());
}

TEST(Coefficients, BassEqualizerAtFullBoost) {
    auto plugin = resumedAt(44100.0f, 1.0f);
    OrvaltChainProbe probe(*plugin);
    for (int c = 0; c < 2; ++c) {
        const OrvaltChainProbe::BassEq eq = probe.bassEq(c);
        EXPECT_NEAR(eq.k0, -0.99999594, 0.5e-8);
        EXPECT_NEAR(eq.k1, 0.98746019, 0.5e-8);
        EXPECT_NEAR(eq.gain, 3.16227766, 0.5e-8);
    }
}

TEST(Coefficients, BassEqualizerAtZeroIsUnityGainWithTheSameBandwidth) {
    auto plugin = resumedAt(44100.0f, 0.0f);
    OrvaltChainProbe probe(*plugin);
    const double w = 2.0 * kPi * 40.0 / 88200.0;
    const double alpha = std::sin(w) * std::sinh(3.0 * std::log(2.0) * w / std::sin(w));
    for (int c = 0; c < 2; ++c) {
        const OrvaltChainProbe::BassEq eq = probe.bassEq(c);
        EXPECT_EQ(eq.gain, 1.0);
        EXPECT_NEAR(eq.k0, -std::cos(w), 1e-15);
        EXPECT_NEAR(eq.k1, (1.0 - alpha) / (1.0 + alpha), 1e-14);
    }
}

TEST(Coefficients, TargetsAtTheExtremesOfEveryGain) {
    auto plugin = makeOrvalt(44100.0f, 64,
                             {{Orvalt::kInput, 1.0f}, {Orvalt::kLimit, 0.0f}, {Orvalt::kDrive, 0.0f},
                              {Orvalt::kWarm, 0.5f}, {Orvalt::kClip, 0.51f}, {Orvalt::kMakeup, 1.0f}});
    plugin->resume();
    runDouble(*plugin, Stereo{{0.0}, {0.0}}, 64);
    OrvaltChainProbe probe(*plugin);
    EXPECT_EQ(probe.limitGain(), 3.1622776601683795);  // 10^0.5, correctly rounded
    EXPECT_EQ(probe.driveTarget(), 0.1);
    EXPECT_EQ(probe.inputGainTarget(), 10.0 * 0.1);
    EXPECT_FALSE(probe.warmOn());  // exactly 0.5 is off
    EXPECT_TRUE(probe.clipOn());
    EXPECT_TRUE(probe.makeupOn());
}

// resume designs from the cooked copies, which start at -1; the first block's
// cook step then designs from the real values.
TEST(Coefficients, FirstResumeUsesTheUncookedValuesUntilTheFirstBlock) {
    auto plugin = makeOrvalt(44100.0f, 64, {{Orvalt::kClip, 1.0f}});
    plugin->resume();
    OrvaltChainProbe probe(*plugin);
    EXPECT_EQ(probe.limitGain(), 10.0);
    EXPECT_EQ(probe.driveTarget(), 0.01);
    EXPECT_EQ(probe.inputGainTarget(), 0.1 * 0.01);
    EXPECT_FALSE(probe.clipOn());
    runDouble(*plugin, Stereo{{0.0}, {0.0}}, 64);
    EXPECT_EQ(probe.limitGain(), 1.0);
    EXPECT_EQ(probe.driveTarget(), 1.0);
    EXPECT_TRUE(probe.clipOn());
}

TEST(Coefficients, UnusableRatesAndNaNParametersGiveFiniteDesigns) {
    for (float rate : {0.0f, -44100.0f, NAN, INFINITY, 1.0f, 3e9f}) {
        auto plugin = makeOrvalt(rate, 64, {{Orvalt::kBass, NAN}, {Orvalt::kInput, NAN}, {Orvalt::kLimit, NAN}});
        plugin->resume();
        runDouble(*plugin, Stereo{{0.0}, {0.0}}, 64);
        OrvaltChainProbe probe(*plugin);
        for (double v : {probe.limitGain(), probe.inputGainTarget(), probe.driveTarget(), probe.bassEq(0).k0,
                         probe.bassEq(0).k1, probe.bassEq(0).gain, probe.dcCoefficient(), probe.smoothingCoefficient()})
            EXPECT_TRUE(std::isfinite(v)) << "rate " << rate;
        EXPECT_GT(probe.meterPeriod(), 0) << "rate " << rate;
    }
}

// Correctly rounded values (from 50-digit arithmetic); the design depends on
// these bits being the same on every build.
TEST(ChainMathFunctions, CorrectlyRoundedAtKnownPoints) {
    EXPECT_EQ(ChainMath::pow10(0.0), 1.0);
    EXPECT_EQ(ChainMath::pow10(1.0), 10.0);
    EXPECT_EQ(ChainMath::pow10(-1.0), 0.1);
    EXPECT_EQ(ChainMath::pow10(-2.0), 0.01);
    EXPECT_EQ(ChainMath::pow10(0.5), 3.1622776601683795);
    EXPECT_EQ(ChainMath::pow10(0.25), 1.7782794100389228);
    EXPECT_EQ(ChainMath::exp(0.0), 1.0);
    EXPECT_EQ(ChainMath::exp(1.0), 2.718281828459045);
    EXPECT_EQ(ChainMath::exp(-1.0), 0.36787944117144233);
    EXPECT_EQ(ChainMath::sinh(1.0), 1.1752011936438014);
    EXPECT_EQ(ChainMath::sin(0.5), 0.479425538604203);
    EXPECT_EQ(ChainMath::cos(0.5), 0.8775825618903728);
    EXPECT_EQ(ChainMath::exp(1000.0), INFINITY);
    EXPECT_EQ(ChainMath::exp(-1000.0), 0.0);
    EXPECT_TRUE(std::isnan(ChainMath::exp(NAN)));
}
