// Level measurements of the render report, on signals with known answers.
#include "tools/render/demo_signal.h"
#include "tools/render/signal_measures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

render::AudioData sine(double frequency, double phase, double amplitude, size_t frames) {
    render::AudioData a;
    a.sampleRate = 44100.0;
    a.resize(frames);
    // Faded in and out over 500 samples: a sudden start would ring on its own.
    for (size_t n = 0; n < frames; ++n) {
        double fade = std::min({1.0, n / 500.0, (frames - 1 - n) / 500.0});
        a.channel[0][n] = a.channel[1][n] = fade * amplitude * std::sin(2 * pi * frequency * n / 44100.0 + phase);
    }
    return a;
}

TEST(SignalMeasures, TruePeakFindsThePeakBetweenSamples) {
    // A quarter-rate sine at 45 degrees: every sample sits at 0.707, the wave at 1.0.
    render::AudioData a = sine(11025.0, pi / 4, 1.0, 4096);
    EXPECT_NEAR(render::samplePeak(a), std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(render::truePeak(a), 1.0, 0.01);
    // A low tone hardly differs between the two.
    render::AudioData low = sine(100.0, 0.3, 0.5, 4096);
    EXPECT_NEAR(render::truePeak(low), 0.5, 0.001);
    EXPECT_GE(render::truePeak(low), render::samplePeak(low));
}

TEST(SignalMeasures, CountsSamplesAtOrOverALevelOnBothChannels) {
    render::AudioData a;
    a.resize(4);
    a.channel[0] = {0.5, 1.0, -1.0, 0.999};
    a.channel[1] = {1.5, 0.0, 0.0, -2.0};
    EXPECT_EQ(render::samplesAtOrAbove(a, 1.0), 4u);
    EXPECT_DOUBLE_EQ(render::samplePeak(a), 2.0);
    EXPECT_NEAR(render::toDecibels(2.0), 6.0206, 1e-4);
    EXPECT_TRUE(std::isinf(render::toDecibels(0.0)));
}

TEST(DemoSignal, IsEightSecondsOfStereoWithPeaksOverFullScale) {
    render::AudioData demo = render::makeDemoSignal(48000.0);
    EXPECT_EQ(demo.frames(), 8u * 48000u);
    EXPECT_GT(render::samplePeak(demo), 1.4);       // the last bar drives past 0 dBFS
    EXPECT_GT(render::samplesAtOrAbove(demo, 1.0), 100u);
    EXPECT_NE(demo.channel[0], demo.channel[1]);    // real stereo
    render::AudioData again = render::makeDemoSignal(48000.0);
    EXPECT_EQ(demo.channel[0], again.channel[0]);   // the same every run
}

}  // namespace
