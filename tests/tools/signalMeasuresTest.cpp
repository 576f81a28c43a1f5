// Level measurements of the render report, the waveform summary and the
// sample-format writer, on signals with known answers.
#include "tools/render/atomicOutput.h"
#include "tools/render/audioFile.h"
#include "tools/render/demoSignal.h"
#include "tools/render/levelMeter.h"
#include "tools/render/signalMeasures.h"
#include "tools/render/waveformSummary.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <unistd.h>

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

render::LevelFigures measure(const render::AudioData& a, size_t block = 1000) {
    render::LevelMeter meter(2, a.sampleRate);
    for (size_t start = 0; start < a.frames(); start += block) {
        size_t n = std::min(block, a.frames() - start);
        meter.add(a.channel[0].data() + start, a.channel[1].data() + start, n);
    }
    return meter.figures();
}

TEST(LevelMeter, TruePeakFindsThePeakBetweenSamples) {
    // A quarter-rate sine at 45 degrees: every sample sits at 0.707, the wave at 1.0.
    render::AudioData a = sine(11025.0, pi / 4, 1.0, 44100);
    render::LevelFigures f = measure(a);
    EXPECT_NEAR(f.samplePeak, std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(render::toDecibels(f.truePeak), 0.0, 0.3);
    // A low tone hardly differs between the two.
    render::LevelFigures low = measure(sine(100.0, 0.3, 0.5, 44100));
    EXPECT_NEAR(low.truePeak, 0.5, 0.005);
    EXPECT_GE(low.truePeak, low.samplePeak);
    EXPECT_EQ(low.frames, 44100u);
}

TEST(LevelMeter, SilenceHasNoLoudnessAndBlocksDoNotMatter) {
    render::AudioData quiet;
    quiet.sampleRate = 48000.0;
    quiet.resize(48000 * 5);
    render::LevelFigures f = measure(quiet);
    EXPECT_EQ(f.integratedLufs, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(f.truePeak, 0.0);
    // The same tone fed in blocks of 1 and of 4096 frames: the same figures.
    render::AudioData tone = sine(997.0, 0.0, 0.25, 44100 * 4);
    render::LevelFigures a = measure(tone, 1), b = measure(tone, 4096);
    EXPECT_EQ(a.integratedLufs, b.integratedLufs);
    EXPECT_EQ(a.truePeak, b.truePeak);
    EXPECT_EQ(a.loudnessRange, b.loudnessRange);
}

TEST(WaveformSummary, KeepsASpikeInItsColumnAtEveryLength) {
    const size_t width = 760;
    for (size_t frames : {size_t(1), size_t(759), size_t(760), size_t(761), size_t(5000), size_t(1234567)}) {
        render::WaveformSummary summary(width);
        const size_t spike = frames * 3 / 5;
        std::vector<double> l(frames, 0.1), r(frames, -0.1);
        l[spike] = 0.9;
        r[spike] = -0.8;
        // Fed in uneven blocks, as a reader gives them.
        for (size_t start = 0, block = 1; start < frames; start += block, block = block * 3 % 1000 + 1)
            summary.add(l.data() + start, r.data() + start, std::min(block, frames - start));
        EXPECT_EQ(summary.frames(), frames);
        std::vector<render::WaveColumn> columns = summary.columns(width);
        ASSERT_EQ(columns.size(), width) << frames;
        size_t highs = 0;
        for (size_t x = 0; x < width; ++x) {
            EXPECT_EQ(columns[x].low, columns[x].high > 0.5 ? -0.8 : -0.1) << frames << " column " << x;
            if (columns[x].high == 0.9) {
                ++highs;
                double where = double(x) / double(width), expected = double(spike) / double(frames);
                EXPECT_NEAR(where, expected, 2.0 / width + (frames < width ? 1.0 / double(frames) : 0.0)) << frames;
            } else {
                EXPECT_EQ(columns[x].high, 0.1) << frames << " column " << x;
            }
        }
        EXPECT_GE(highs, 1u) << frames;
        EXPECT_LE(highs, frames < width ? width / frames + 1 : 2) << frames;
    }
    EXPECT_TRUE(render::WaveformSummary(760).columns(760).empty());
}

// A writer into a scratch folder, and the file read back.
class SampleFormatWriter : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvalt-writer-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::vector<double> writeAndRead(render::SampleFormat format, render::Dither dither, const std::vector<double>& left,
                                     std::vector<double>& stored, uint64_t& clipped, uint64_t& notFinite) {
        const std::string path = dir + "/out.wav";
        {
            render::AtomicOutput output(path);
            render::AudioWriter writer(output, format, dither, 48000.0);
            stored.assign(left.size(), 0.0);
            std::vector<double> right(left.size(), 0.0), storedRight(left.size());
            writer.write(left.data(), right.data(), left.size(), stored.data(), storedRight.data());
            writer.close();
            output.commit();
            clipped = writer.clippedByFormat();
            notFinite = writer.notFinite();
        }
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        EXPECT_TRUE(f);
        std::vector<double> data(static_cast<size_t>(info.frames) * 2);
        sf_readf_double(f, data.data(), info.frames);
        sf_close(f);
        std::vector<double> back;
        for (size_t i = 0; i < data.size(); i += 2) back.push_back(data[i]);
        return back;
    }
    std::string dir;
};

TEST_F(SampleFormatWriter, IntegerFormatsRoundHoldAtFullScaleAndCountWhatTheyHeld) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> in = {0.5, 1.5, -2.0, nan, 0.999, -1.0, 3.0 / 65536.0, 1.0};
    std::vector<double> stored;
    uint64_t clipped, notFinite;
    std::vector<double> back = writeAndRead(render::SampleFormat::pcm16, render::Dither::none, in, stored, clipped, notFinite);
    const double top = 32767.0 / 32768.0;
    EXPECT_EQ(stored, (std::vector<double>{0.5, top, -1.0, 0.0, 32735.0 / 32768.0, -1.0, 2.0 / 32768.0, top}));
    EXPECT_EQ(back, stored);  // what is measured is what the file holds
    EXPECT_EQ(clipped, 3u);   // 1.5, -2 and 1.0; -1.0 fits exactly
    EXPECT_EQ(notFinite, 1u);

    back = writeAndRead(render::SampleFormat::float32, render::Dither::automatic, in, stored, clipped, notFinite);
    EXPECT_EQ(stored[1], 1.5);  // float keeps levels over full scale
    EXPECT_EQ(back, stored);
    EXPECT_EQ(clipped, 0u);
}

TEST_F(SampleFormatWriter, SixteenBitsAreDitheredByDefaultWithoutBias) {
    EXPECT_TRUE(render::dithers(render::SampleFormat::pcm16, render::Dither::automatic));
    EXPECT_FALSE(render::dithers(render::SampleFormat::pcm24, render::Dither::automatic));
    EXPECT_TRUE(render::dithers(render::SampleFormat::pcm24, render::Dither::tpdf));
    EXPECT_FALSE(render::dithers(render::SampleFormat::pcm16, render::Dither::none));
    EXPECT_FALSE(render::dithers(render::SampleFormat::float32, render::Dither::tpdf));
    // A level of 0.3 LSB: undithered it rounds to silence; dithered it averages to 0.3 LSB.
    const double lsb = 1.0 / 32768.0;
    std::vector<double> in(100000, 0.3 * lsb), stored;
    uint64_t clipped, notFinite;
    writeAndRead(render::SampleFormat::pcm16, render::Dither::none, in, stored, clipped, notFinite);
    EXPECT_EQ(*std::max_element(stored.begin(), stored.end()), 0.0);
    std::vector<double> back = writeAndRead(render::SampleFormat::pcm16, render::Dither::automatic, in, stored, clipped, notFinite);
    EXPECT_EQ(back, stored);
    double sum = 0.0;
    for (double x : stored) {
        EXPECT_LE(std::fabs(x - 0.3 * lsb), 1.5 * lsb);  // triangular, two LSB wide at most
        sum += x;
    }
    EXPECT_NEAR(sum / double(stored.size()) / lsb, 0.3, 0.01);
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
