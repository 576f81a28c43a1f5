// The processing frame: sub-blocks at event positions, input cleaning,
// precision paths, long blocks in pieces, timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "product/Orvalt.h"
#include "testPlug.h"
#include "tests/support/testHosts.h"
#include "tools/vsthost/vsthost.h"

namespace {

using testhosts::quietHost;
using testhosts::setHostTime;
using testhosts::timeHost;

// MIDI events in the host's layout, with their positions kept for the comparisons below.
struct Events {
    vsthost::EventList list;
    std::vector<std::pair<VstInt32, unsigned char>> added;  // position, data1
    void add(VstInt32 delta, unsigned char status, unsigned char d1, unsigned char d2) {
        list.addMidi(delta, status, d1, d2);
        added.emplace_back(delta, d1);
    }
    VstEvents* get() { return list.get(); }
};

template <typename T>
struct Buffers {
    explicit Buffers(size_t n, T fill = 0) : left(n, fill), right(n, fill) {}
    std::vector<T> left, right;
    T* ptrs[2];
    T** get() {
        ptrs[0] = left.data();
        ptrs[1] = right.data();
        return ptrs;
    }
};
using Stereo = Buffers<double>;
using StereoF = Buffers<float>;

// Every test starts without host timing and leaves none behind, even when an
// assertion ends it early.
class Frame : public ::testing::Test {
protected:
    void SetUp() override { setHostTime(nullptr); }
    void TearDown() override { setHostTime(nullptr); }
};

std::unique_ptr<TestPlug> preparedPlug(VstInt32 blockSize = 128, bool keepsTime = true) {
    auto plug = std::make_unique<TestPlug>(timeHost, keepsTime);
    plug->blocks.reserve(4096);
    plug->calls.reserve(4096);
    plug->setSampleRate(48000.0f);
    plug->setBlockSize(blockSize);
    plug->resume();
    return plug;
}

TEST_F(Frame, BlockWithoutEventsIsOneSubBlockAndFirstCookIsAChange) {
    auto plug = preparedPlug();
    Stereo in(128, 0.5), out(128);
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    ASSERT_EQ(plug->blocks.size(), 1u);
    EXPECT_EQ(plug->blocks[0].frames, 128);
    EXPECT_TRUE(plug->blocks[0].paramsChanged);
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_FALSE(plug->blocks[1].paramsChanged);
    plug->setParameter(1, plug->getParameter(1));
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_FALSE(plug->blocks[2].paramsChanged) << "storing the value a parameter holds moves nothing";
    plug->setParameter(1, 0.75f);
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_TRUE(plug->blocks[3].paramsChanged) << "a moved value is cooked by the next block";
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_FALSE(plug->blocks[4].paramsChanged);
    plug->resume();
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_TRUE(plug->blocks[5].paramsChanged) << "resume marks every parameter for cooking";
    EXPECT_EQ(plug->resets, 2);
    EXPECT_EQ(plug->rateChanges, 1);
}

TEST_F(Frame, EventsAtZeroZeroAndSixtyFourSplitTheBlock) {
    auto plug = preparedPlug();
    Stereo in(128), out(128);
    Events ev;
    ev.add(0, 0x90, 60, 100);
    ev.add(0, 0x91, 61, 90);
    ev.add(64, 0x92, 62, 80);
    plug->processEvents(ev.get());
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    std::vector<std::tuple<char, int, int>> got;
    for (auto& c : plug->calls) got.emplace_back(c.kind, c.a, c.kind == 'b' ? 0 : c.b);
    std::vector<std::tuple<char, int, int>> want = {
        {'n', 60, 100}, {'n', 61, 90}, {'b', 64, 0}, {'n', 62, 80}, {'b', 64, 0}};
    EXPECT_EQ(got, want);
    EXPECT_FALSE(plug->blocks[1].paramsChanged);
}

TEST_F(Frame, EventAtTheEndActsAfterAndLateEventsBeforeTheLastSubBlock) {
    auto plug = preparedPlug();
    Stereo in(128), out(128);
    Events ev;
    ev.add(32, 0x90, 1, 1);
    ev.add(128, 0x90, 2, 1);
    plug->processEvents(ev.get());
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    ASSERT_EQ(plug->calls.size(), 4u);
    EXPECT_EQ(plug->calls[0].kind, 'b');
    EXPECT_EQ(plug->calls[1].a, 1);
    EXPECT_EQ(plug->calls[2].kind, 'b');
    EXPECT_EQ(plug->calls[2].a, 96);
    EXPECT_EQ(plug->calls[3].a, 2) << "an event at sampleFrames is dispatched after the last sub-block";

    plug->calls.clear();
    Events late;
    late.add(32, 0x90, 1, 1);
    late.add(129, 0x90, 2, 1);
    late.add(500, 0x90, 3, 1);
    plug->processEvents(late.get());
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    ASSERT_EQ(plug->calls.size(), 5u);
    EXPECT_EQ(plug->calls[1].a, 1);
    EXPECT_EQ(plug->calls[2].a, 2);
    EXPECT_EQ(plug->calls[3].a, 3);
    EXPECT_EQ(plug->calls[4].kind, 'b');
    EXPECT_EQ(plug->calls[4].a, 96) << "late events act from the start of the last sub-block";

    plug->calls.clear();
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_EQ(plug->calls.size(), 1u) << "the event list is consumed by one process call";
}

TEST_F(Frame, NoteOnWithZeroVelocityIsANoteOffWithVelocityHundred) {
    auto plug = preparedPlug();
    Stereo in(16), out(16);
    Events ev;
    ev.add(0, 0x93, 64, 0);
    ev.add(0, 0x85, 65, 33);
    ev.add(0, 0xF0, 1, 2);  // system messages are ignored
    ev.add(0, 0x40, 1, 2);  // running-status data bytes too
    plug->processEvents(ev.get());
    plug->processDoubleReplacing(in.get(), out.get(), 16);
    ASSERT_GE(plug->calls.size(), 2u);
    EXPECT_EQ(plug->calls[0].kind, 'f');
    EXPECT_EQ(plug->calls[0].a, 64);
    EXPECT_EQ(plug->calls[0].b, 100);
    EXPECT_EQ(plug->calls[1].kind, 'f');
    EXPECT_EQ(plug->calls[1].b, 33);
    EXPECT_EQ(plug->calls.size(), 3u);
}

TEST_F(Frame, InputIsCleanedBeforeTheProductSeesIt) {
    auto plug = preparedPlug();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {nan, 1e12, -1e12, inf, -inf, 0.25, -1e10, 1e10};
    for (double v : values) {
        Stereo in(4, v), out(4);
        plug->blocks.clear();
        plug->processDoubleReplacing(in.get(), out.get(), 4);
        const double want = std::isnan(v) ? 0.0 : std::max(-1e10, std::min(1e10, v));
        EXPECT_EQ(out.left[0], want) << v;
        EXPECT_EQ(plug->blocks[0].firstInput, want) << v;
    }
    StereoF inF(4, std::numeric_limits<float>::quiet_NaN()), outF(4, 7.0f);
    plug->processReplacing(inF.get(), outF.get(), 4);
    EXPECT_EQ(outF.left[3], 0.0f) << "single precision NaN reaches the product as 0 too";
}

TEST_F(Frame, ReplacingAndAccumulatingSinglePrecision) {
    auto plug = preparedPlug();
    plug->gain = 0.5;
    StereoF in(64, 0.5f), out(64, 1.0f);
    plug->processReplacing(in.get(), out.get(), 64);
    EXPECT_EQ(out.left[10], 0.25f);
    EXPECT_EQ(out.right[63], 0.25f);
    StereoF acc(64, 1.0f);
    plug->process(in.get(), acc.get(), 64);
    EXPECT_EQ(acc.left[10], 1.25f) << "process adds to what the host had";
    EXPECT_EQ(acc.right[0], 1.25f);
}

TEST_F(Frame, HostileCallsRunNoSubBlockAndLeaveNoStaleOutput) {
    auto plug = preparedPlug();
    Stereo in(8, 1.0), out(8, 3.0);
    plug->processDoubleReplacing(in.get(), out.get(), 0);
    plug->processDoubleReplacing(in.get(), out.get(), -5);
    EXPECT_EQ(out.left[0], 3.0) << "no frames: nothing written";
    plug->processDoubleReplacing(in.get(), nullptr, 8);
    plug->processReplacing(nullptr, nullptr, 8);
    plug->processDoubleReplacing(nullptr, out.get(), 8);
    EXPECT_EQ(out.left, std::vector<double>(8, 0.0)) << "a call without inputs plays silence";
    double* halfOut[2] = {out.left.data(), nullptr};
    double* halfIn[2] = {nullptr, in.right.data()};
    std::fill(out.left.begin(), out.left.end(), 3.0);
    plug->processDoubleReplacing(halfIn, halfOut, 8);
    plug->processDoubleReplacing(in.get(), halfOut, 8);
    EXPECT_EQ(out.left, std::vector<double>(8, 0.0)) << "a missing channel pointer: silence where there is a buffer";
    EXPECT_TRUE(plug->blocks.empty());
    Events ev;
    ev.add(-7, 0x90, 5, 5);  // negative position: acts at the start
    ev.add(3, 0x90, 6, 5);
    ev.add(1, 0x90, 7, 5);  // out of order: never a negative sub-block
    plug->processEvents(ev.get());
    plug->processDoubleReplacing(in.get(), out.get(), 8);
    int frames = 0;
    for (auto& b : plug->blocks) {
        EXPECT_GT(b.frames, 0);
        frames += b.frames;
    }
    EXPECT_EQ(frames, 8);
}

// What the product was told, in order: 'b' with the sub-block's length, notes with their number.
std::vector<std::pair<char, int>> story(const TestPlug& plug) {
    std::vector<std::pair<char, int>> out;
    for (auto& c : plug.calls) out.emplace_back(c.kind, c.a);
    return out;
}

// Some hosts deliver events in zero-length calls between the normal ones,
// with or without buffers; every process entry point handles them there.
TEST_F(Frame, ZeroLengthCallsBetweenNormalOnesHandleTheirEvents) {
    for (int entry = 0; entry < 3; ++entry) {
        for (bool withBuffers : {true, false}) {
            auto plug = preparedPlug(64);
            Stereo in(64, 0.5), out(64, 3.0);
            StereoF inF(64, 0.5f), outF(64, 3.0f);
            auto call = [&](VstInt32 frames, bool buffers) {
                if (entry == 0) plug->processReplacing(buffers ? inF.get() : nullptr, buffers ? outF.get() : nullptr, frames);
                if (entry == 1) plug->process(buffers ? inF.get() : nullptr, buffers ? outF.get() : nullptr, frames);
                if (entry == 2) plug->processDoubleReplacing(buffers ? in.get() : nullptr, buffers ? out.get() : nullptr, frames);
            };
            call(64, true);
            Events ev;
            ev.add(0, 0x90, 60, 100);
            ev.add(0, 0x80, 61, 0);
            ev.add(5, 0x90, 62, 1);    // beyond the zero-length block: acts there all the same
            ev.add(300, 0x90, 63, 1);
            plug->processEvents(ev.get());
            out.left.assign(64, 3.0);
            outF.left.assign(64, 3.0f);
            call(0, withBuffers);
            EXPECT_EQ(out.left[0], 3.0) << "a zero-length call writes nothing";
            EXPECT_EQ(outF.left[0], 3.0f);
            call(64, true);
            const std::vector<std::pair<char, int>> want = {{'b', 64}, {'n', 60}, {'f', 61}, {'n', 62}, {'n', 63},
                                                            {'b', 64}};
            EXPECT_EQ(story(*plug), want) << "entry " << entry << (withBuffers ? " with" : " without") << " buffers";

            plug->calls.clear();
            plug->processEvents(ev.get());
            call(-1, withBuffers);
            call(64, true);
            EXPECT_EQ(story(*plug), (std::vector<std::pair<char, int>>{{'b', 64}}))
                << "a negative count is refused, its events with it";
        }
    }
}

// effSetBlockSize with a size whose buffers cannot be had: the outputs must
// not keep whatever the host's buffers held, and events still act.
TEST_F(Frame, BlockSizeWithoutMemoryPlaysSilenceAndStillHandlesEvents) {
    auto plug = preparedPlug(64);
    plug->setBlockSize(200000000);
    Stereo in(64, 0.5), out(64, 7.0);
    StereoF inF(64, 0.5f), outF(64, 7.0f), acc(64, 7.0f);
    Events ev;
    ev.add(10, 0x90, 60, 100);
    plug->processEvents(ev.get());
    plug->processReplacing(inF.get(), outF.get(), 64);
    plug->processDoubleReplacing(in.get(), out.get(), 64);
    plug->process(inF.get(), acc.get(), 64);
    EXPECT_EQ(outF.left, std::vector<float>(64, 0.0f));
    EXPECT_EQ(outF.right, std::vector<float>(64, 0.0f));
    EXPECT_EQ(out.left, std::vector<double>(64, 0.0));
    EXPECT_EQ(out.right, std::vector<double>(64, 0.0));
    EXPECT_EQ(acc.left, std::vector<float>(64, 7.0f)) << "the accumulating call adds silence";
    EXPECT_EQ(story(*plug), (std::vector<std::pair<char, int>>{{'n', 60}})) << "no sub-block, the event acted";

    plug->setBlockSize(64);
    plug->processReplacing(inF.get(), outF.get(), 64);
    EXPECT_EQ(outF.left[63], 0.5f) << "a block size that fits brings the sound back";
}

TEST_F(Frame, TempoAndBeatPositionFromTheHost) {
    VstTimeInfo time{};
    time.tempo = 140.3;
    time.ppqPos = 8.0;
    time.flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying;
    setHostTime(&time);
    auto plug = preparedPlug(256);
    Stereo in(256), out(256);
    Events ev;
    ev.add(100, 0x90, 1, 1);
    plug->processEvents(ev.get());
    plug->processDoubleReplacing(in.get(), out.get(), 256);
    ASSERT_EQ(plug->blocks.size(), 2u);
    const double tempo = static_cast<float>(140.3);
    EXPECT_EQ(plug->blocks[0].timing.tempo, tempo) << "tempo is held in single precision";
    EXPECT_EQ(plug->blocks[0].timing.sampleRate, 48000.0);
    EXPECT_EQ(plug->blocks[0].timing.beatsPerSample, tempo / (48000.0 * 60.0));
    EXPECT_EQ(plug->blocks[0].timing.beatPosition, 8.0);
    EXPECT_EQ(plug->blocks[1].timing.beatPosition, 8.0 + 100 * tempo / (48000.0 * 60.0));
}

TEST_F(Frame, WithoutHostTimingTempoIs120AndTheClockRunsForThisProduct) {
    auto plug = preparedPlug(128, true);
    Stereo in(128), out(128);
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    plug->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_EQ(plug->blocks[0].timing.tempo, 120.0);
    EXPECT_EQ(plug->blocks[0].timing.beatPosition, 0.0);
    EXPECT_EQ(plug->blocks[1].timing.beatPosition, 128 * 120.0 / (48000.0 * 60.0));

    VstTimeInfo stopped{};
    stopped.tempo = 90.0;
    stopped.ppqPos = 4.0;
    stopped.flags = kVstTempoValid | kVstPpqPosValid;  // transport stopped: ppqPos ignored
    setHostTime(&stopped);
    auto idle = preparedPlug(128, false);
    idle->processDoubleReplacing(in.get(), out.get(), 128);
    idle->processDoubleReplacing(in.get(), out.get(), 128);
    EXPECT_EQ(idle->blocks[0].timing.tempo, 90.0);
    EXPECT_EQ(idle->blocks[1].timing.beatPosition, 0.0) << "a stopped product's clock returns to 0";
}

// Absolute sample positions of the note events and the total audio, as the product saw them.
std::vector<std::pair<int, int>> notePositions(const TestPlug& plug) {
    std::vector<std::pair<int, int>> out;
    int t = 0;
    for (auto& c : plug.calls) {
        if (c.kind == 'b')
            t += c.a;
        else
            out.emplace_back(c.a, t);
    }
    out.emplace_back(-1, t);
    return out;
}

TEST_F(Frame, LongerBlocksAreProcessedInPiecesWithEventsInPlace) {
    for (int total : {65, 192, 200}) {
        auto pieces = preparedPlug(64);
        auto announced = preparedPlug(64);
        Stereo in(static_cast<size_t>(total), 0.1), out(static_cast<size_t>(total));
        Events ev;
        const int positions[] = {0, 10, 63, 64, 64, 100, 128, 150, total - 1};
        for (int p : positions)
            if (p < total) ev.add(p, 0x90, static_cast<unsigned char>(p & 0x7F), 1);
        pieces->processEvents(ev.get());
        pieces->processDoubleReplacing(in.get(), out.get(), total);
        for (auto& b : pieces->blocks) EXPECT_LE(b.frames, 64);

        for (int start = 0; start < total; start += 64) {
            const int n = std::min(64, total - start);
            Events part;
            for (auto& [position, note] : ev.added)
                if (position >= start && position < start + n) part.add(position - start, 0x90, note, 1);
            Stereo a(static_cast<size_t>(n), 0.1), b(static_cast<size_t>(n));
            announced->processEvents(part.get());
            announced->processDoubleReplacing(a.get(), b.get(), n);
        }
        EXPECT_EQ(notePositions(*pieces), notePositions(*announced)) << total;
    }
}

TEST_F(Frame, LongerBlocksGiveTheSameAudioAsAnnouncedBlocks) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-2.0f, 2.0f);
    for (bool warm : {false, true}) {
        Orvalt whole(quietHost), split(quietHost);
        for (Orvalt* o : {&whole, &split}) {
            o->setParameter(Orvalt::kWarm, warm ? 1.0f : 0.0f);
            o->setParameter(Orvalt::kLimit, 0.3f);
            o->setParameter(Orvalt::kInput, 0.4f);
            o->setSampleRate(44100.0f);
            o->setBlockSize(64);
            o->resume();
        }
        const int total = 64 * 3 + 17;
        StereoF in(total), outWhole(total), outSplit(total);
        for (int i = 0; i < total; ++i) {
            in.left[i] = noise(rng);
            in.right[i] = noise(rng);
        }
        whole.processReplacing(in.get(), outWhole.get(), total);
        for (int start = 0; start < total; start += 64) {
            const int n = std::min(64, total - start);
            float* i2[2] = {in.left.data() + start, in.right.data() + start};
            float* o2[2] = {outSplit.left.data() + start, outSplit.right.data() + start};
            split.processReplacing(i2, o2, n);
        }
        EXPECT_EQ(outWhole.left, outSplit.left);
        EXPECT_EQ(outWhole.right, outSplit.right);
    }
}

}  // namespace
