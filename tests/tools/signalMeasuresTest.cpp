// Level measurements of the render report, the waveform summary and the
// sample-format writer, on signals with known answers.
#include "tools/render/atomicOutput.h"
#include "tools/render/audioFile.h"
#include "tools/render/backgroundMeter.h"
#include "tools/render/demoSignal.h"
#include "tools/render/levelMeter.h"
#include "tools/render/signalMeasures.h"
#include "tools/render/waveformSummary.h"
#include "tests/tools/bandLimitedPeak.h"

#include <ebur128.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
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

// libebur128's own true peak of a mono signal, for the table.
double libebur128TruePeak(const std::vector<double>& x, double rate) {
    ebur128_state* state = ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_TRUE_PEAK);
    if (!state) return NAN;
    ebur128_add_frames_double(state, x.data(), x.size());
    double peak = NAN;
    ebur128_true_peak(state, 0, &peak);
    ebur128_destroy(&state);
    return peak;
}

// One channel's true peak, fed in blocks of `block` samples.
double meterPeak(const std::vector<double>& x, render::TruePeakMeter::Scan scan, size_t block) {
    render::TruePeakMeter meter(scan);
    for (size_t start = 0; start < x.size(); start += block)
        meter.add(x.data() + start, std::min(block, x.size() - start));
    return meter.peak();
}

// Passing over stretches too quiet to matter gives the very figure of
// computing every point.
void expectSkippingChangesNothing(const std::vector<double>& x, const std::string& what, size_t block = 999) {
    const double skipping = meterPeak(x, render::TruePeakMeter::Scan::skipQuiet, block);
    const double every = meterPeak(x, render::TruePeakMeter::Scan::everyPoint, block);
    EXPECT_TRUE(skipping == every || (std::isnan(skipping) && std::isnan(every))) << what << ": " << skipping << " vs " << every;
}

TEST(LevelMeter, TruePeakMatchesTheBandLimitedSignalAtEveryRate) {
    // Tones near the top of the band, steady over the middle, whose crests
    // fall between the samples (a quarter-rate tone at 45 degrees has every
    // sample at 0.707 of its crest; 4/9 of the rate at phase 0 puts every
    // crest half-way between two of the meter's points), and short pulses
    // band-limited to 0.45 of the rate centred between samples, which no
    // steady tone's neighbours help to read. Then what fills the band up to
    // half the rate: a run of full-scale samples at the very start or end of
    // a file (ringing into the silence before and after it), hard-clipped
    // white noise, and square waves switched between two values with no
    // band limit, whose harmonics fold back all over the band.
    enum Kind { tone, pulse, firstRun, lastRun, clippedNoise, square };
    struct Signal {
        const char* name;
        Kind kind;
        double shape;  // tone: cycles per sample; noise: its level before clipping; square: its Hz
        double phase;  // of a tone, radians; of a pulse, its offset in samples
        double within;  // dB of the reference
    };
    // 8 points per sample miss at most 0.17 dB of a tone at the top of the
    // band, 0.05 dB of a pulse (its crest is never more than 1/16 of a sample
    // from a point); full-band material loses what the filters cut of its
    // last 1.3%.
    const Signal signals[] = {
        {"tone 1/4", tone, 0.25, pi / 4, 0.2},       {"tone 4/9", tone, 4.0 / 9, 0.0, 0.2},
        {"tone 4/9", tone, 4.0 / 9, pi / 18, 0.2},   {"tone 4/9", tone, 4.0 / 9, pi / 3, 0.2},
        {"tone 9/20", tone, 9.0 / 20, 0.0, 0.2},     {"tone 9/20", tone, 9.0 / 20, 1.0, 0.2},
        {"tone 15/32", tone, 15.0 / 32, 0.0, 0.2},   {"tone 15/32", tone, 15.0 / 32, 2.0, 0.2},
        {"tone 1/50", tone, 0.02, 0.3, 0.2},         {"pulse 0.45", pulse, 0, 0.5, 0.1},
        {"pulse 0.45", pulse, 0, 0.3125, 0.1},       {"pulse 0.45", pulse, 0, 0.25, 0.1},
        {"pulse 0.45", pulse, 0, 0.75, 0.1},         {"first 20", firstRun, 0, 0, 0.1},
        {"last 20", lastRun, 0, 0, 0.1},             {"clipped", clippedNoise, 0.6, 0, 0.2},
        {"clipped", clippedNoise, 2.0, 0, 0.2},      {"square", square, 997.0, 0, 0.1},
        {"square", square, 3001.0, 0, 0.1},          {"square", square, 5003.0, 0, 0.1},
    };
    const Reconstruction reference;
    const size_t frames = 8192, fade = 1000, middle = frames / 2, fileFrames = 1500;
    std::mt19937 random(7);
    std::normal_distribution<double> gauss;
    std::printf("%8s  %-10s %6s  %14s  %8s  %11s\n", "rate", "signal", "shape", "reference dBTP", "ours", "libebur128");
    for (double rate : {8000.0, 44100.0, 96000.0, 192000.0, 384000.0}) {
        for (const Signal& s : signals) {
            const bool steady = s.kind == tone || s.kind == pulse;
            render::AudioData a;
            a.sampleRate = rate;
            a.resize(steady ? frames : fileFrames);
            for (size_t n = 0; n < a.frames(); ++n) {
                double x = 0.0;
                if (s.kind == tone) {
                    // Raised-cosine fades: a sudden start would spread past the band.
                    double edge = std::min({1.0, double(n) / fade, double(frames - 1 - n) / fade});
                    x = 0.7 * (0.5 - 0.5 * std::cos(pi * edge)) * std::sin(2 * pi * s.shape * double(n) + s.phase);
                } else if (s.kind == pulse) {
                    double d = double(n) - double(middle) - s.phase, u = d / double(fade);
                    x = d == 0.0 ? 0.9 : 0.9 * std::sin(pi * 0.9 * d) / (pi * 0.9 * d) * std::max(0.0, 1.0 - u * u);
                } else if (s.kind == firstRun || s.kind == lastRun) {
                    x = (s.kind == firstRun ? n < 20 : n + 20 >= fileFrames) ? 1.0 : 0.0;
                } else if (s.kind == clippedNoise) {
                    x = std::clamp(s.shape * 0.5 * gauss(random), -0.5, 0.5);
                } else {
                    x = std::fmod(double(n) * s.shape / rate, 1.0) < 0.5 ? 0.5 : -0.5;
                }
                a.channel[0][n] = a.channel[1][n] = x;
            }
            const double ref = render::toDecibels(steady ? reference.peak(a.channel[0], middle - 16, middle + 16)
                                                         : reference.peakOfFile(a.channel[0]));
            const double ours = render::toDecibels(measure(a, 999).truePeak);
            expectSkippingChangesNothing(a.channel[0], std::to_string(rate) + " Hz " + s.name);
            std::printf("%8.0f  %-10s %6.3f  %14.3f  %8.3f  %11.3f\n", rate, s.name, s.kind == square || s.kind == clippedNoise ? s.shape : s.phase,
                        ref, ours, render::toDecibels(libebur128TruePeak(a.channel[0], rate)));
            // The reference finds the crest the signal was made with.
            if (steady) EXPECT_NEAR(ref, render::toDecibels(s.kind == tone ? 0.7 : 0.9), 0.01) << s.name;
            EXPECT_NEAR(ours, ref, s.within) << rate << " Hz " << s.name << " " << s.shape << " " << s.phase;
        }
    }
    // Music-like: notes of random pitch and level, struck and decaying, each
    // crest a little above or below the last; noise at a steady level, and
    // noise that swells to a late burst; a NaN among quiet samples.
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> notes(48000 * 4, 0.0), steadyNoise(100000), swelling(100000);
    for (size_t start = 0; start + 12000 <= notes.size(); start += 3000) {
        const double level = 0.1 + 0.8 * uniform(random), pitch = 0.002 + 0.2 * uniform(random);
        for (size_t n = 0; n < 12000; ++n)
            notes[start + n] += level * std::exp(-double(n) / 2000.0) *
                                (std::sin(2 * pi * pitch * n) + 0.3 * std::sin(2 * pi * 2.01 * pitch * n));
    }
    for (size_t n = 0; n < steadyNoise.size(); ++n) {
        steadyNoise[n] = 0.2 * gauss(random);
        swelling[n] = (n > 90000 && n < 90100 ? 1.0 : double(n) / 100000.0) * 0.1 * gauss(random);
    }
    std::vector<double> withNaN = notes;  // in the quiet end of the last note
    withNaN[191500] = NAN;
    expectSkippingChangesNothing(notes, "notes");
    expectSkippingChangesNothing(steadyNoise, "steady noise");
    expectSkippingChangesNothing(swelling, "swelling noise");
    expectSkippingChangesNothing(withNaN, "NaN");
    // Silence up to sample 1024, then a burst at half the rate, fading out
    // slowly: its crest rings into the silence before it, read from samples
    // after the silent stretch ends (fed at once, stretches start at 0).
    std::vector<double> onset(3000, 0.0);
    onset[10] = 0.5;
    for (size_t m = 0; m < 700; ++m)
        onset[1024 + m] = (m % 2 ? -0.5 : 0.5) * (m < 300 ? 1.0 : 0.5 + 0.5 * std::cos(pi * (m - 300) / 400.0));
    expectSkippingChangesNothing(onset, "onset", onset.size());

    // A low tone hardly differs between the two peaks.
    render::LevelFigures low = measure(sine(100.0, 0.3, 0.5, 44100));
    EXPECT_NEAR(low.truePeak, 0.5, 0.005);
    EXPECT_GE(low.truePeak, low.samplePeak);
    EXPECT_EQ(low.frames, 44100u);
}

TEST(LevelMeter, SilenceHasNoLoudnessAndBlocksAndThreadsDoNotMatter) {
    render::AudioData quiet;
    quiet.sampleRate = 48000.0;
    quiet.resize(48000 * 5);
    render::LevelFigures f = measure(quiet);
    EXPECT_EQ(f.integratedLufs, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(f.truePeak, 0.0);
    // The same tone fed in blocks of 1 and of 4096 frames, and in uneven
    // blocks through the queue of a meter on its own thread: the same figures.
    // It swells, so blocks measured out of order would show.
    render::AudioData tone = sine(997.0, 0.0, 0.25, 44100 * 6);
    for (size_t n = 0; n < tone.frames(); ++n) tone.channel[1][n] *= 0.2 + double(n) / double(tone.frames());
    render::LevelFigures a = measure(tone, 1), b = measure(tone, 4096);
    render::WaveformSummary direct(100), queuedWave(100);
    direct.add(tone.channel[0].data(), tone.channel[1].data(), tone.frames());
    render::LevelFigures c;
    {
        render::BackgroundMeter queued(2, tone.sampleRate, &queuedWave);
        for (size_t start = 0, block = 1; start < tone.frames(); start += block, block = block * 7 % 40000 + 1)
            queued.add(tone.channel[0].data() + start, tone.channel[1].data() + start, std::min(block, tone.frames() - start));
        c = queued.figures();
    }
    for (const render::LevelFigures& f : {b, c}) {
        EXPECT_EQ(a.integratedLufs, f.integratedLufs);
        EXPECT_EQ(a.truePeak, f.truePeak);
        EXPECT_EQ(a.loudnessRange, f.loudnessRange);
        EXPECT_EQ(a.samplePeak, f.samplePeak);
        EXPECT_EQ(a.frames, f.frames);
    }
    std::vector<render::WaveColumn> expected = direct.columns(100), got = queuedWave.columns(100);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t x = 0; x < got.size(); ++x) EXPECT_TRUE(got[x].low == expected[x].low && got[x].high == expected[x].high) << x;
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
