// The warm stage measured with sine signals: the bass equalizer's gain, and the
// half-band resampler pair built from its pieces.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "product/ChainStages.h"
#include "tests/chain/chainTestSupport.h"

namespace {

constexpr double kPi = 3.141592653589793;

constexpr double kRate = 44100.0;

// Output amplitude of a small sine through the warm stage (nearly linear at this level).
double warmGain(float bass, double frequency) {
    auto plugin = makeOrvalt(44100.0f, 512,
                             {{Orvalt::kWarm, 1.0f}, {Orvalt::kClip, 0.0f}, {Orvalt::kBass, bass},
                              {Orvalt::kInput, 0.0f}, {Orvalt::kDrive, 1.0f}});
    plugin->resume();
    const double amplitude = 1e-3;
    const Stereo out = runDouble(*plugin, sineSignal(frequency, amplitude, kRate, 88200), 512);
    return toneAmplitude(out.left, 44100, 44100, frequency, kRate) / amplitude;
}

// The peaking equalizer's response from its transfer function: the lattice
// allpass (k1 + k0 (1 + k1) z^-1 + z^-2) / (1 + k0 (1 + k1) z^-1 + k1 z^-2)
// mixed as ((1 + g) + (1 - g) A) / 2, at the doubled rate.
double designedGain(const OrvaltChainProbe::BassEq& eq, double frequency) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * frequency / (2.0 * kRate));
    const std::complex<double> z2 = z1 * z1;
    const double b = eq.k0 * (1.0 + eq.k1);
    const std::complex<double> allpass = (eq.k1 + b * z1 + z2) / (1.0 + b * z1 + eq.k1 * z2);
    return std::abs(0.5 * ((1.0 + eq.gain) + (1.0 - eq.gain) * allpass));
}

// Both lanes carry the same stream; the left one is read.
double branch(bool a, ChainStage::Allpass* sections, double s) {
    const ChainStage::Pair y = a ? ChainStage::branchA(sections, ChainStage::both(s))
                                 : ChainStage::branchB(sections, ChainStage::both(s));
    return y[0];
}

struct Resampler {
    ChainStage::Allpass up[4] = {};
    ChainStage::Allpass down[4] = {};
    bool swapPhases = false;      // s1 before s0
    bool swapDownBranches = false;

    // The two samples at the doubled rate, in stream order.
    void upsample(double r, double& first, double& second) {
        const double s0 = branch(true, up, r);
        const double s1 = branch(false, up, r);
        first = swapPhases ? s1 : s0;
        second = swapPhases ? s0 : s1;
    }
    double downsample(double y0, double y1) {
        if (swapDownBranches) return 0.5 * (branch(false, down, y1) + branch(true, down, y0));
        return 0.5 * (branch(true, down, y1) + branch(false, down, y0));
    }
};

// Largest deviation from unity magnitude of up- then downsampling.
double pairMagnitudeError(bool swapPhases, bool swapDownBranches) {
    double worst = 0.0;
    for (double frequency : {100.0, 1000.0, 5000.0, 10000.0, 20000.0}) {
        Resampler pair;
        pair.swapPhases = swapPhases;
        pair.swapDownBranches = swapDownBranches;
        const std::vector<double> in = sineSignal(frequency, 0.5, kRate, 88200).left;
        std::vector<double> out(in.size());
        for (size_t i = 0; i < in.size(); ++i) {
            double y0, y1;
            pair.upsample(in[i], y0, y1);
            out[i] = pair.downsample(y0, y1);
        }
        const double gain = toneAmplitude(out, 44100, 44100, frequency, kRate) / 0.5;
        worst = std::max(worst, std::fabs(gain - 1.0));
    }
    return worst;
}

// How far below a 1 kHz tone its image at fs - 1 kHz lies in the upsampled stream.
double imageRejection(bool swapPhases) {
    Resampler pair;
    pair.swapPhases = swapPhases;
    const std::vector<double> in = sineSignal(1000.0, 0.5, kRate, 88200).left;
    std::vector<double> stream(2 * in.size());
    for (size_t i = 0; i < in.size(); ++i) pair.upsample(in[i], stream[2 * i], stream[2 * i + 1]);
    const double tone = toneAmplitude(stream, 88200, 88200, 1000.0, 2.0 * kRate);
    const double image = toneAmplitude(stream, 88200, 88200, kRate - 1000.0, 2.0 * kRate);
    return decibels(tone / image);
}

// How far a tone at fs - 1 kHz at the doubled rate is suppressed on the way down.
double aliasRejection(bool swapDownBranches) {
    Resampler pair;
    pair.swapDownBranches = swapDownBranches;
    const std::vector<double> high = sineSignal(kRate - 1000.0, 0.5, 2.0 * kRate, 176400).left;
    std::vector<double> out(high.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = pair.downsample(high[2 * i], high[2 * i + 1]);
    return decibels(0.5 / toneAmplitude(out, 44100, 44100, 1000.0, kRate));
}

}  // namespace

TEST(BassEqualizer, MeasuredGainFollowsTheDesignAtFortyFourHundredAndTwoThousandHertz) {
    auto designer = makeOrvalt(44100.0f, 64, {{Orvalt::kBass, 1.0f}});
    designer->resume();
    runDouble(*designer, Stereo{{0.0}, {0.0}}, 64);
    const OrvaltChainProbe::BassEq eq = OrvaltChainProbe(*designer).bassEq(0);
    struct Expectation {
        double frequency, decibels, tolerance;
    };
    for (const Expectation& e : {Expectation{40.0, 10.0, 0.01}, Expectation{400.0, 4.0, 0.5},
                                 Expectation{2000.0, 0.3, 0.1}}) {
        // Relative to bass 0, so the resamplers and the DC blocker cancel out.
        const double measured = decibels(warmGain(1.0f, e.frequency) / warmGain(0.0f, e.frequency));
        EXPECT_NEAR(measured, decibels(designedGain(eq, e.frequency)), 0.01) << e.frequency << " Hz";
        EXPECT_NEAR(measured, e.decibels, e.tolerance) << e.frequency << " Hz";
    }
}

TEST(BassEqualizer, AtZeroTheWarmStagePassesASineAtUnityGainAboveTheDCBlocker) {
    for (double frequency : {200.0, 1000.0, 10000.0}) EXPECT_NEAR(warmGain(0.0f, frequency), 1.0, 2e-3) << frequency;
}

TEST(BassEqualizer, HasNoEffectWithWarmOff) {
    TestRandom random(3);
    const Stereo input = noiseSignal(random, 0.5, 2000);
    Stereo outputs[2];
    for (int bass = 0; bass < 2; ++bass) {
        auto plugin = makeOrvalt(44100.0f, 256, {{Orvalt::kBass, static_cast<float>(bass)}, {Orvalt::kWarm, 0.0f}});
        plugin->resume();
        outputs[bass] = runDouble(*plugin, input, 256);
    }
    EXPECT_EQ(outputs[0].left, outputs[1].left);
}

TEST(Resamplers, PairPassesEverySineWithUnityMagnitude) { EXPECT_LT(pairMagnitudeError(false, false), 1e-9); }

TEST(Resamplers, UpsampledImageLiesMoreThanSixtyDecibelsBelowTheTone) { EXPECT_GT(imageRejection(false), 60.0); }

TEST(Resamplers, DownsamplerRejectsTheImageBandBySixtyDecibels) { EXPECT_GT(aliasRejection(false), 60.0); }

TEST(Resamplers, SwappedPhasesOrSwappedDownsamplerBranchesBreakBoth) {
    EXPECT_GT(pairMagnitudeError(true, false), 0.1);
    EXPECT_LT(imageRejection(true), 40.0);
    EXPECT_GT(pairMagnitudeError(false, true), 0.1);
    EXPECT_LT(aliasRejection(true), 40.0);
}

TEST(Resamplers, TinyValuesInTheAllpassChainsBecomeExactlyZero) {
    ChainStage::Allpass sections[4] = {};
    EXPECT_EQ(branch(true, sections, 1e-15), 0.0);
    EXPECT_EQ(branch(false, sections, -1e-15), 0.0);
    EXPECT_EQ(sections[ChainStage::kA1].y1[0], 0.0);
    // Each lane on its own: a value at the threshold, NaN, a negative tiny value
    // (which becomes +0), the first value above the threshold, an ordinary one.
    struct Case {
        double in, out;
    };
    const Case cases[] = {{1e-15, 0.0}, {-1e-15, 0.0}, {NAN, 0.0}, {-0.0, 0.0}, {-1e-300, 0.0},
                          {1.0000000000000002e-15, 1.0000000000000002e-15}, {-0.25, -0.25}, {INFINITY, INFINITY}};
    for (const Case& left : cases) {
        for (const Case& right : cases) {
            const ChainStage::Pair y = ChainStage::flush(_mm_setr_pd(left.in, right.in));
            EXPECT_TRUE(!std::signbit(y[0]) || left.out < 0) << left.in;
            EXPECT_EQ(y[0], left.out) << left.in << " beside " << right.in;
            EXPECT_EQ(y[1], right.out) << right.in << " beside " << left.in;
        }
    }
}
