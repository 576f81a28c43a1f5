// The block operation against a straightforward per-sample, per-channel
// implementation written directly from the algorithm, over random signals,
// parameters and block sizes, bit for bit. Runs are long enough for the gain
// and equalizer smoothers to settle, so the paths that skip settled smoothers
// are compared too.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>

#include "product/RoundingGuard.h"
#include "tests/chain/ChainTestSupport.h"

namespace {

double flush(double v) { return (v >= -1e-15 && v <= 1e-15) || std::isnan(v) ? 0.0 : v; }

struct ReferenceChain {
    // Constants as the plug-in designed them for the current block.
    double limitGain = 0, inputGainTarget = 0, driveTarget = 0, k = 0, dc = 0, attack = 0, release = 0;
    double k0 = 0, k1 = 0, gain = 0;
    bool warm = false, clip = false, makeup = false;
    // State.
    double G = 1, D = 1;
    double up[2][4][2] = {}, down[2][4][2] = {};
    double k0s[2] = {}, k1s[2] = {}, gs[2] = {1, 1}, z1[2] = {}, z2[2] = {};
    double satIn[2] = {}, satOut[2] = {}, dcOut[2] = {};
    double h1[2] = {}, h2[2] = {}, delay[2] = {}, envelope[2] = {};

    void takeConstants(const OrvaltChainProbe& p) {
        limitGain = p.limitGain();
        inputGainTarget = p.inputGainTarget();
        driveTarget = p.driveTarget();
        k = p.smoothingCoefficient();
        dc = p.dcCoefficient();
        attack = p.attackCoefficient();
        release = p.releaseCoefficient();
        k0 = p.bassEq(0).k0;
        k1 = p.bassEq(0).k1;
        gain = p.bassEq(0).gain;
        warm = p.warmOn();
        clip = p.clipOn();
        makeup = p.makeupOn();
    }

    static double allpass(double* st, double c, double s) {
        const double y = flush(c * (s - st[1]) + st[0]);
        st[0] = s;
        st[1] = y;
        return y;
    }
    double branchA(double (*st)[2], double s) { return allpass(st[1], 0.6632020224193995, allpass(st[0], 0.12073211751675449, s)); }
    double branchB(double (*st)[2], double s) { return allpass(st[3], 0.890786832653497, allpass(st[2], 0.3903621872345006, s)); }

    double half(int c, double s) {
        k0s[c] += (k0 - k0s[c]) * k;
        k1s[c] += (k1 - k1s[c]) * k;
        gs[c] += (gain - gs[c]) * k;
        const double v = s - k1s[c] * z2[c];
        const double ap = z2[c] + k1s[c] * v;
        const double b = v - k0s[c] * z1[c];
        z2[c] = z1[c] + k0s[c] * b;
        z1[c] = b;
        const double e = 0.5 * ((1 + gs[c]) * s + (1 - gs[c]) * ap);
        const double h = flush(e - satIn[c] + satOut[c]);
        satIn[c] = e;
        const double sat = h / (1 + static_cast<double>(0.01f) * std::fabs(h));
        const double y = flush(dc * dcOut[c] + (sat - satOut[c]));
        dcOut[c] = y;
        satOut[c] = sat;
        return y;
    }

    double channel(int c, double r) {
        if (warm) {
            const double s0 = branchA(up[c], r), s1 = branchB(up[c], r);
            const double y0 = half(c, s0), y1 = half(c, s1);
            r = 0.5 * (branchA(down[c], y1) + branchB(down[c], y0));
        }
        const double m = r / D;
        double out;
        if (!clip) {
            out = delay[c];
        } else {
            const double q = std::fabs(m) * limitGain;
            double u, t;
            if (q < 0.99) {
                u = 1;
                t = flush(envelope[c] * release);
            } else {
                u = 0.99 / q;
                t = (envelope[c] - 1) * attack + 1;
            }
            envelope[c] = t;
            double a = 0.5 * (h2[c] + u);
            if (a > h1[c]) a = h1[c];
            out = a * delay[c];
            h2[c] = h1[c];
            h1[c] = u;
            if (makeup) out = out * limitGain;
        }
        delay[c] = m;
        return out;
    }

    Stereo run(const Stereo& in) {
        RoundingGuard towardZero(FE_TOWARDZERO);
        Stereo out{std::vector<double>(in.size()), std::vector<double>(in.size())};
        for (size_t i = 0; i < in.size(); ++i) {
            G = G + (inputGainTarget - G) * k;
            D = D + (driveTarget - D) * k;
            out.left[i] = channel(0, in.left[i] * G);
            out.right[i] = channel(1, in.right[i] * G);
        }
        return out;
    }
};

// The bit pattern of a double: equal patterns are the same result, NaNs and signed zeros included.
uint64_t bitsOf(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

}  // namespace

TEST(ReferenceChain, BlockOperationMatchesTheStraightforwardChainBitForBit) {
    TestRandom random(4242);
    for (int scenario = 0; scenario < 8; ++scenario) {
        auto plugin = makeOrvalt(scenario % 3 == 0 ? 48000.0f : 44100.0f, 512);
        auto randomize = [&] {
            for (int p = 0; p < Orvalt::kNumParams; ++p)
                plugin->setParameter(p, random.below(10) == 0 ? NAN : static_cast<float>(random.uniform()));
            setParameters(*plugin, {{Orvalt::kWarm, scenario & 1 ? 1.0f : 0.0f}, {Orvalt::kClip, scenario & 2 ? 1.0f : 0.0f}});
        };
        randomize();
        plugin->resume();
        OrvaltChainProbe probe(*plugin);
        ReferenceChain reference;
        for (int c = 0; c < 2; ++c) {  // reset copied the resume-time design into the smoothers
            reference.k0s[c] = probe.bassEq(c).k0Smoothed;
            reference.k1s[c] = probe.bassEq(c).k1Smoothed;
        }
        size_t done = 0;
        const size_t total = 5 * 44100;
        while (done < total) {
            const size_t n = std::min<size_t>(1 + random.below(512), total - done);
            Stereo input = noiseSignal(random, random.below(4) == 0 ? 3.0 : 0.8, n);
            if (random.below(8) == 0) input.left[0] = 1e10;
            const Stereo got = runDouble(*plugin, input, 512);
            reference.takeConstants(probe);  // the design the block used
            const Stereo expected = reference.run(input);
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(bitsOf(got.left[i]), bitsOf(expected.left[i]))
                    << "scenario " << scenario << " frame " << done + i << ": " << got.left[i] << " vs "
                    << expected.left[i];
                ASSERT_EQ(bitsOf(got.right[i]), bitsOf(expected.right[i]))
                    << "scenario " << scenario << " frame " << done + i << ": " << got.right[i] << " vs "
                    << expected.right[i];
            }
            done += n;
            if (random.below(400) == 0) randomize();  // now and then, so smoothers also settle
        }
    }
}
