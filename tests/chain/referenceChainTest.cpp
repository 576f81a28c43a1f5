// The block operation against a straightforward per-sample, per-channel
// implementation written directly from the algorithm, over random signals,
// parameters and block sizes, bit for bit: the output and, at the end of every
// block, every running value. Runs are long enough for the gain and equalizer
// smoothers to settle, so the paths that skip settled smoothers are compared too.
#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "product/RoundingGuard.h"
#include "tests/chain/chainTestSupport.h"

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
    float peak[2] = {};
    int32_t counter = 0, period = 0;
    bool editor = false;  // the Windows build has an editor object, whose lock is always free here

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
        period = p.meterPeriod();
    }

    // What resetState does.
    void reset() {
        for (int c = 0; c < 2; ++c) {
            std::memset(up[c], 0, sizeof up[c]);
            std::memset(down[c], 0, sizeof down[c]);
            k0s[c] = k0;
            k1s[c] = k1;
            gs[c] = 1;
            z1[c] = z2[c] = satIn[c] = satOut[c] = dcOut[c] = h1[c] = h2[c] = delay[c] = envelope[c] = 0;
        }
        G = D = 1;
        counter = 0;
    }

    // The same order as OrvaltChainProbe::fullState.
    std::vector<double> fullState() const {
        std::vector<double> state;
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < 4; ++i) state.insert(state.end(), {up[c][i][0], up[c][i][1]});
            for (int i = 0; i < 4; ++i) state.insert(state.end(), {down[c][i][0], down[c][i][1]});
            state.insert(state.end(), {k0s[c], k1s[c], gs[c], z1[c], z2[c], satIn[c], satOut[c], dcOut[c], h1[c], h2[c],
                                       delay[c], envelope[c], static_cast<double>(peak[c])});
        }
        state.insert(state.end(), {G, D, static_cast<double>(counter)});
        return state;
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
            if (peak[c] < t) peak[c] = static_cast<float>(t);
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
            if (counter < INT32_MAX) ++counter;
            if (counter > period && editor) {
                counter = 0;
                peak[0] = peak[0] * 0.9f;
                peak[1] = peak[1] * 0.9f;
            }
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

// What the processing frame does to the input before the chain sees it.
double cleaned(double x) {
    if (std::isnan(x)) return 0.0;
    return x < -1e10 ? -1e10 : x > 1e10 ? 1e10 : x;
}

// Test material for one block: noise of random loudness, silence, values at and
// around the flush threshold, loud bursts with infinities and NaN.
Stereo blockSignal(TestRandom& random, size_t n) {
    const int kind = random.below(10);
    if (kind < 3) return noiseSignal(random, kind == 0 ? 3.0 : 0.8, n);
    Stereo s{std::vector<double>(n), std::vector<double>(n)};  // silence
    if (kind < 5) return s;
    const double threshold[] = {1e-15, -1e-15, std::nextafter(1e-15, 1.0), -std::nextafter(1e-15, 1.0),
                                std::nextafter(1e-15, 0.0), 1e-300, 4.9e-324, -0.0};
    const double burst[] = {1e10, -1e10, 3e10, INFINITY, -INFINITY, NAN, 1e9, -0.999};
    for (size_t i = 0; i < n; ++i) {
        for (double* x : {&s.left[i], &s.right[i]}) {
            if (kind < 8)
                *x = random.below(4) ? threshold[random.below(8)] : 0.0;
            else
                *x = random.below(3) ? burst[random.below(8)] : 2.0 * random.symmetric();
        }
    }
    return s;
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

// Long runs through both entries with block sizes from 1 to 4096: after every
// block the output and every running value (filters, smoothers, clipper,
// envelope, meter peaks and counter) equal the straightforward chain's.
TEST(ReferenceChain, OutputAndEveryStateMatchTheStraightforwardChainAfterEveryBlock) {
    TestRandom random(9001);
    const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
    for (int scenario = 0; scenario < 6; ++scenario) {
        auto plugin = makeOrvalt(rates[scenario % 4], 4096);
        auto randomize = [&] {
            for (int p = 0; p < Orvalt::kNumParams; ++p) {
                const int pick = random.below(12);
                plugin->setParameter(p, pick == 0 ? NAN : pick == 1 ? 0.0f : pick == 2 ? 1.0f
                                                                     : static_cast<float>(random.uniform()));
            }
            // Now and then gains of exactly 1, so threshold values reach the chain unchanged.
            if (random.below(3) == 0) setParameters(*plugin, {{Orvalt::kInput, 0.0f}, {Orvalt::kDrive, 1.0f}});
        };
        randomize();
        plugin->resume();
        OrvaltChainProbe probe(*plugin);
        ReferenceChain reference;
        reference.editor = plugin->getEditor() != nullptr;
        reference.takeConstants(probe);
        reference.reset();
        ASSERT_EQ(probe.fullState(), reference.fullState());
        size_t done = 0;
        const size_t total = 8 * 44100;
        int block = 0;
        while (done < total) {
            const int sizeClass = random.below(4);
            const size_t n = static_cast<size_t>(sizeClass == 0   ? 1 + random.below(8)
                                                 : sizeClass == 1 ? 4096 - random.below(8)
                                                                  : 1 + random.below(4096));
            Stereo input = blockSignal(random, n);
            const bool single = random.below(3) == 0;
            if (single) {
                for (std::vector<double>* ch : {&input.left, &input.right})
                    for (double& x : *ch) x = static_cast<float>(x);
            }
            const Stereo got = single ? runFloat(*plugin, input, 4096) : runDouble(*plugin, input, 4096);
            reference.takeConstants(probe);  // the design the block used
            Stereo cleanInput = input;
            for (std::vector<double>* ch : {&cleanInput.left, &cleanInput.right})
                for (double& x : *ch) x = cleaned(x);
            Stereo expected = reference.run(cleanInput);
            for (size_t i = 0; i < n; ++i) {
                if (single) {
                    expected.left[i] = static_cast<float>(expected.left[i]);
                    expected.right[i] = static_cast<float>(expected.right[i]);
                }
                ASSERT_EQ(bitsOf(got.left[i]), bitsOf(expected.left[i]))
                    << "scenario " << scenario << " block " << block << " (" << n << " frames, "
                    << (single ? "single" : "double") << ") frame " << i << ": " << got.left[i] << " vs "
                    << expected.left[i];
                ASSERT_EQ(bitsOf(got.right[i]), bitsOf(expected.right[i]))
                    << "scenario " << scenario << " block " << block << " (" << n << " frames, "
                    << (single ? "single" : "double") << ") frame " << i << ": " << got.right[i] << " vs "
                    << expected.right[i];
            }
            const std::vector<double> state = probe.fullState(), expectedState = reference.fullState();
            for (size_t v = 0; v < state.size(); ++v)
                ASSERT_EQ(bitsOf(state[v]), bitsOf(expectedState[v]))
                    << "scenario " << scenario << " block " << block << ": state value " << v << " is " << state[v]
                    << ", expected " << expectedState[v];
            done += n;
            ++block;
            const int event = random.below(40);
            if (event < 3) {
                randomize();  // smoothers glide toward the new targets
            } else if (event == 3) {
                plugin->resetState();  // as MIDI controller 120 does between sub-blocks
                reference.reset();
            } else if (event == 4) {
                setParameters(*plugin, {{Orvalt::kWarm, random.below(2) ? 1.0f : 0.0f},
                                        {Orvalt::kClip, random.below(2) ? 1.0f : 0.0f}});
            }
        }
    }
}

// The saturator and the clipper building blocks at their edges, each lane on
// its own, against the one-channel rule: sums exactly at the flush threshold and
// just above it, NaN and infinities; clipper inputs at the threshold 0.99 and
// next to it, NaN, infinities, and envelopes that release into the flush.
TEST(ReferenceChain, SaturatorAndClipperBuildingBlocksFollowTheRuleAtTheirEdges) {
    RoundingGuard towardZero(FE_TOWARDZERO);
    const double above = std::nextafter(1e-15, 1.0);
    const double values[] = {1e-15, -1e-15, above, -above, std::nextafter(1e-15, 0.0), 0.0, -0.0, 1e-300, NAN,
                             INFINITY, -INFINITY, 0.5, -1e10, 0.99, std::nextafter(0.99, 0.0), std::nextafter(0.99, 1.0),
                             -0.99};
    // Envelopes whose release step lands just above, at and below the flush threshold.
    const double edge = ChainStage::releaseFlushLimit(0.9997732);
    const double envelopes[] = {0.0, edge, std::nextafter(edge, 1.0), std::nextafter(edge, 0.0), 1e-15 / 0.9997732,
                                0.5, 1.0};
    const ChainStage::ClipConstants k{1.0, 0.98872616, 0.9997732, ChainStage::releaseFlushLimit(0.9997732), true};
    for (double left : values) {
        for (double right : values) {
            // Saturator: e - prevIn + prevOut is exactly the value.
            ChainStage::Pair prevIn = ChainStage::both(0.0), prevOut = ChainStage::both(0.0);
            const ChainStage::Pair change = ChainStage::saturate(_mm_setr_pd(left, right), prevIn, prevOut);
            for (int c = 0; c < 2; ++c) {
                const double h = flush(c ? right : left);
                const double sat = h / (1 + static_cast<double>(0.01f) * std::fabs(h));
                EXPECT_EQ(bitsOf(prevOut[c]), bitsOf(sat)) << "saturating " << (c ? right : left);
                EXPECT_EQ(bitsOf(change[c]), bitsOf(sat - 0.0)) << "change when saturating " << (c ? right : left);
            }
            // Clipper with L = 1 and make-up, from a state with some history.
            for (double envelope : envelopes) {
                ChainStage::ChainState s{};
                s.clipEnvelope = ChainStage::both(envelope);
                s.gainHistory1 = _mm_setr_pd(0.7, 1.0);
                s.gainHistory2 = _mm_setr_pd(1.0, 0.4);
                s.limiterDelay = _mm_setr_pd(0.25, -0.5);
                __m128 peaks = _mm_setr_ps(0.5f, 0.0f, 0.0f, 0.0f);
                const ChainStage::Pair out = ChainStage::clip(s, k, peaks, _mm_setr_pd(left, right));
                float levels[4];
                _mm_storeu_ps(levels, peaks);
                const double h1[2] = {0.7, 1.0}, h2[2] = {1.0, 0.4}, delay[2] = {0.25, -0.5};
                const float peakBefore[2] = {0.5f, 0.0f};
                for (int c = 0; c < 2; ++c) {
                    const double m = c ? right : left;
                    const double q = std::fabs(m) * k.limitGain;
                    double u, t;
                    if (q < 0.99) {
                        u = 1;
                        t = flush(envelope * k.release);
                    } else {
                        u = 0.99 / q;
                        t = (envelope - 1) * k.attack + 1;
                    }
                    float peak = peakBefore[c];
                    if (peak < t) peak = static_cast<float>(t);
                    double a = 0.5 * (h2[c] + u);
                    if (a > h1[c]) a = h1[c];
                    const double expected = a * delay[c] * k.limitGain;
                    const auto where = [&] {
                        return "clipping " + std::to_string(m) + " from envelope " + std::to_string(envelope);
                    };
                    EXPECT_EQ(bitsOf(out[c]), bitsOf(expected)) << where() << ": output";
                    EXPECT_EQ(bitsOf(s.clipEnvelope[c]), bitsOf(t)) << where() << ": envelope";
                    EXPECT_EQ(bitsOf(s.gainHistory1[c]), bitsOf(u)) << where() << ": gain history 1";
                    EXPECT_EQ(bitsOf(s.gainHistory2[c]), bitsOf(h1[c])) << where() << ": gain history 2";
                    EXPECT_EQ(bitsOf(s.limiterDelay[c]), bitsOf(m)) << where() << ": delay";
                    EXPECT_EQ(levels[c], peak) << where() << ": peak";
                }
            }
        }
    }
}
