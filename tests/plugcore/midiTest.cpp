// Control changes: interpreted controllers, learn, bindings, the learn hand-over.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <set>
#include <thread>

#include "tests/plugcore/stateTestSupport.h"
#include "tools/vsthost/vsthost.h"

using namespace statetest;

namespace {

int16_t cc(int controller) { return static_cast<int16_t>(0xB000 + controller); }

// An editor that hears of completed learns.
class LearnWatcher : public AEffEditor, public PlugCore::IParamNotify {
public:
    bool parameterChanged(int32_t, float) override { return true; }
    void learnCompleted(int32_t index) override { completed.push_back(index); }
    std::vector<int32_t> completed;
};

// Puts the watcher in place of the plug's editor (the plug owns it from then
// on) and switches the plug on at 48 kHz with blocks of blockSize.
void switchOnWatched(ProbeOrvalt& plug, LearnWatcher* watcher, VstInt32 blockSize) {
    plug.setEditor(watcher);  // deletes the editor it replaces
    plug.dispatcher(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plug.dispatcher(effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    plug.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
}

class Midi : public ::testing::Test {
protected:
    void SetUp() override { switchOnWatched(plug, watcher, kBlock); }
    void TearDown() override { hostCalls().clear(); }

    // One block through the real frame with these events.
    void play(vsthost::EventList& events) {
        float left[kBlock] = {}, right[kBlock] = {};
        float outLeft[kBlock], outRight[kBlock];
        float* in[] = {left, right};
        float* out[] = {outLeft, outRight};
        plug.dispatcher(effProcessEvents, 0, 0, events.get(), 0.0f);
        plug.processReplacing(in, out, kBlock);
    }
    void playOne(unsigned char status, unsigned char data1, unsigned char data2, VstInt32 at = 0) {
        vsthost::EventList events;
        events.addMidi(at, status, data1, data2);
        play(events);
    }
    void expectNoBindings() {
        for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) EXPECT_EQ(plug.getMidiKey(i), -1) << i;
    }

    static constexpr VstInt32 kBlock = 64;
    ProbeOrvalt plug;
    LearnWatcher* watcher = new LearnWatcher;  // owned by plug
};

}  // namespace

TEST_F(Midi, UnboundControllerOnAnyChannelGoesToTheProduct) {
    playOne(0xB0, 7, 127);
    playOne(0xBF, 7, 64);
    playOne(0xB3, 7, 0);
    ASSERT_EQ(plug.controllers.size(), 3u);
    for (auto& [key, value] : plug.controllers) EXPECT_EQ(key, 45063);
    EXPECT_EQ(plug.controllers[0].second, 1.0f);
    EXPECT_EQ(plug.controllers[1].second, 64 * 0.007874016f);
    EXPECT_NEAR(plug.controllers[1].second, 0.503937f, 1e-6);
    EXPECT_EQ(plug.controllers[2].second, 0.0f);
}

TEST_F(Midi, LearnBindsTheNextControllerAndMovesItsParameterAtOnce) {
    plug.startLearn(2);
    EXPECT_EQ(plug.getLearnTarget(), 2);
    playOne(0xB4, 7, 127);  // channel 5
    EXPECT_EQ(plug.getMidiKey(2), 0xB007 - 0x10000);
    EXPECT_EQ(plug.getParameter(2), 1.0f);
    EXPECT_EQ(plug.getLearnTarget(), -1);
    EXPECT_EQ(watcher->completed, std::vector<int32_t>{2});
    EXPECT_TRUE(plug.controllers.empty());

    playOne(0xB0, 7, 0);  // channel 1 reaches the same binding
    EXPECT_EQ(plug.getParameter(2), 0.0f);
    EXPECT_TRUE(plug.controllers.empty());
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 0u) << "MIDI moves are not echoed to the host";
}

TEST_F(Midi, BoundControllerTakesEffectFromTheNextSubBlock) {
    plug.assignMidiKey(Orvalt::kBass, cc(20));
    playOne(0xB0, 1, 1);  // a first block cooks everything
    ASSERT_EQ(plug.cooked(Orvalt::kBass), 0.0f);
    playOne(0xB0, 20, 127, 32);
    EXPECT_EQ(plug.cooked(Orvalt::kBass), 1.0f) << "cooked again before the block's second half";
}

// Hosts also deliver events in zero-length calls between normal blocks, often
// with no buffers at all; every controller the framework handles acts there
// exactly as inside a block, and its effect reaches the next block's sound.
TEST(MidiInZeroLengthCalls, EveryKindOfControllerActsBetweenNormalBlocks) {
    using Bytes3 = std::array<unsigned char, 3>;
    struct Case {
        const char* what;
        std::function<void(ProbeOrvalt&)> before;
        std::vector<Bytes3> events;
        std::function<void(ProbeOrvalt&, const LearnWatcher&)> check;
    };
    const float scale = 0.007874016f;
    const std::vector<Case> cases = {
        {"bound controller", [](ProbeOrvalt& p) { p.assignMidiKey(Orvalt::kBass, cc(20)); }, {{0xB3, 20, 127}},
         [](ProbeOrvalt& p, const LearnWatcher&) {
             EXPECT_EQ(p.getParameter(Orvalt::kBass), 1.0f);
             EXPECT_TRUE(p.controllers.empty());
         }},
        {"learn-completing controller", [](ProbeOrvalt& p) { p.startLearn(Orvalt::kDrive); }, {{0xB5, 21, 64}},
         [scale](ProbeOrvalt& p, const LearnWatcher& w) {
             EXPECT_EQ(p.getMidiKey(Orvalt::kDrive), cc(21));
             EXPECT_EQ(p.getLearnTarget(), -1);
             EXPECT_EQ(w.completed, std::vector<int32_t>{Orvalt::kDrive});
             EXPECT_EQ(p.getParameter(Orvalt::kDrive), 64 * scale);
         }},
        {"all sound off", [](ProbeOrvalt& p) { p.resets = 0; }, {{0xB0, 120, 0}},
         [](ProbeOrvalt& p, const LearnWatcher&) { EXPECT_EQ(p.resets, 1); }},
        {"all notes off", nullptr, {{0xB9, 123, 0}},
         [](ProbeOrvalt& p, const LearnWatcher&) { EXPECT_EQ(p.noteOffs.size(), 127u); }},
        {"RPN 0 change", nullptr, {{0xB0, 101, 0}, {0xB0, 100, 0}, {0xB0, 6, 12}, {0xE0, 0x7F, 0x7F}},
         [](ProbeOrvalt& p, const LearnWatcher&) {
             EXPECT_EQ(p.getBendRange(), 12 * 128);
             EXPECT_EQ(p.getPitchBend(), 12.0);
         }},
    };
    constexpr VstInt32 kBlock = 64;
    for (const Case& c : cases) {
        for (bool withBuffers : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (withBuffers ? ", with buffers" : ", without buffers"));
            ProbeOrvalt plug;
            auto* watcher = new LearnWatcher;  // owned by plug
            switchOnWatched(plug, watcher, kBlock);
            float left[kBlock] = {}, right[kBlock] = {}, outLeft[kBlock], outRight[kBlock];
            float* in[] = {left, right};
            float* out[] = {outLeft, outRight};

            plug.processReplacing(in, out, kBlock);
            if (c.before) c.before(plug);
            vsthost::EventList events;
            for (const Bytes3& e : c.events) events.addMidi(0, e[0], e[1], e[2]);
            plug.dispatcher(effProcessEvents, 0, 0, events.get(), 0.0f);
            plug.processReplacing(withBuffers ? in : nullptr, withBuffers ? out : nullptr, 0);
            c.check(plug, *watcher);
            plug.processReplacing(in, out, kBlock);
            for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i)
                EXPECT_EQ(plug.cooked(i), plug.getParameter(i)) << "the next block cooks what the call changed: " << i;
        }
    }
    hostCalls().clear();
}

TEST_F(Midi, LearningATakenControllerMovesTheBinding) {
    plug.startLearn(2);
    plug.handleController(cc(7), 10);
    plug.startLearn(3);
    plug.handleController(cc(7), 20);
    EXPECT_EQ(plug.getMidiKey(2), -1);
    EXPECT_EQ(plug.getMidiKey(3), cc(7));
    EXPECT_EQ(watcher->completed, (std::vector<int32_t>{2, 3}));
}

TEST_F(Midi, IgnoredControllersNeverBindEvenWhileLearning) {
    plug.startLearn(2);
    for (int c : {0, 6, 32, 33, 37, 39, 63, 96, 97, 98, 99, 121, 122}) {
        plug.handleController(cc(c), 100);
        EXPECT_EQ(plug.getLearnTarget(), 2) << "controller " << c;
    }
    expectNoBindings();
    EXPECT_TRUE(plug.controllers.empty());
    EXPECT_TRUE(watcher->completed.empty());
    EXPECT_EQ(plug.getParameter(2), 1.0f);  // limit's default, untouched
}

TEST_F(Midi, DataEntryLsbAndRpnSelectorsCanBeLearned) {
    const int learnable[] = {38, 100, 101};
    for (int i = 0; i < 3; ++i) {
        plug.startLearn(i);
        plug.handleController(cc(learnable[i]), 0);
        EXPECT_EQ(plug.getMidiKey(i), cc(learnable[i]));
    }
    EXPECT_EQ(watcher->completed, (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(Midi, PitchBendRangeIsSetThroughRpnZero) {
    playOne(0xE0, 0, 0);
    EXPECT_EQ(plug.getPitchBend(), -2.0);
    playOne(0xE0, 0x7F, 0x7F);
    EXPECT_EQ(plug.getPitchBend(), 2.0);
    playOne(0xE0, 0, 0x40);  // the centre is a hair above zero
    EXPECT_GT(plug.getPitchBend(), 0.0);
    EXPECT_NEAR(plug.getPitchBend(), 0.000122, 1e-6);

    vsthost::EventList rpn;
    rpn.addMidi(0, 0xB0, 101, 0);
    rpn.addMidi(0, 0xB0, 100, 0);
    rpn.addMidi(0, 0xB0, 6, 12);
    rpn.addMidi(1, 0xE0, 0x7F, 0x7F);
    play(rpn);
    EXPECT_EQ(plug.getBendRange(), 12 * 128);
    EXPECT_EQ(plug.getPitchBend(), 12.0);
    playOne(0xE0, 0, 0);
    EXPECT_EQ(plug.getPitchBend(), -12.0);

    plug.handleController(cc(100), 1);  // another registered parameter
    plug.handleController(cc(6), 3);
    EXPECT_EQ(plug.getBendRange(), 12 * 128);
    plug.handleController(cc(101), 1);
    plug.handleController(cc(100), 0);  // 128: still not zero
    plug.handleController(cc(6), 3);
    EXPECT_EQ(plug.getBendRange(), 12 * 128);
    plug.handleController(cc(101), 0);
    plug.handleController(cc(6), 3);
    EXPECT_EQ(plug.getBendRange(), 3 * 128);
}

TEST_F(Midi, AllNotesOffAndModeMessagesReleaseNotesZeroTo126) {
    plug.resets = 0;  // switching on reset the state once
    for (int c = 123; c <= 127; ++c) {
        plug.noteOffs.clear();
        plug.handleController(cc(c), 0);
        ASSERT_EQ(plug.noteOffs.size(), 127u) << "controller " << c;
        for (int n = 0; n < 127; ++n) EXPECT_EQ(plug.noteOffs[n], std::make_pair(n, 100));
    }
    EXPECT_EQ(plug.resets, 0);
    plug.handleController(cc(120), 0);
    EXPECT_EQ(plug.resets, 1);
    EXPECT_EQ(plug.noteOffs.size(), 127u);
    EXPECT_TRUE(plug.controllers.empty());
}

TEST_F(Midi, UnlearnOfAnotherParameterCancelsTheLearn) {
    plug.startLearn(2);
    plug.unlearn(4);
    EXPECT_EQ(plug.getLearnTarget(), -1);
    plug.handleController(cc(7), 127);
    EXPECT_EQ(plug.getMidiKey(2), -1);
    EXPECT_EQ(plug.controllers.size(), 1u);

    plug.assignMidiKey(4, cc(9));
    plug.unlearn(4);
    EXPECT_EQ(plug.getMidiKey(4), -1);
    plug.startLearn(Orvalt::kNumParams);  // out of range: no learn starts
    EXPECT_EQ(plug.getLearnTarget(), -1);
}

TEST_F(Midi, LearnRequestMadeWhileTheAudioThreadHoldsTheTargetSurvives) {
    plug.startLearn(2);
    int calls = 0;
    plug.onLearnTargetRead = [&](int32_t target) {
        EXPECT_EQ(target, 2);
        if (calls++ == 0) plug.startLearn(5);  // the user clicks "learn" on another control just now
    };
    plug.handleController(cc(7), 50);
    EXPECT_EQ(plug.getMidiKey(2), cc(7));
    EXPECT_EQ(plug.getLearnTarget(), 5) << "the newer request is kept";
    plug.onLearnTargetRead = nullptr;
    plug.handleController(cc(8), 50);
    EXPECT_EQ(plug.getMidiKey(5), cc(8));
    EXPECT_EQ(plug.getLearnTarget(), -1);
}

TEST_F(Midi, KeysAreUniqueAndHeldAsSignedSixteenBits) {
    for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) {
        plug.assignMidiKey(i, 0xB011);  // the unsigned spelling of the same key
        for (VstInt32 j = 0; j < Orvalt::kNumParams; ++j) EXPECT_EQ(plug.getMidiKey(j), j == i ? cc(0x11) : -1);
    }
    EXPECT_EQ(plug.getMidiKey(-1), -1);
    EXPECT_EQ(plug.getMidiKey(Orvalt::kNumParams), -1);
    plug.assignMidiKey(Orvalt::kNumParams, cc(3));  // no such parameter: nothing changes
    EXPECT_EQ(plug.getMidiKey(Orvalt::kNumParams - 1), cc(0x11));
}

TEST_F(Midi, CompletionWithoutANotifyingEditorIsQuiet) {
    plug.setEditor(new AEffEditor);
    plug.startLearn(1);
    plug.handleController(cc(7), 127);
    EXPECT_EQ(plug.getMidiKey(1), cc(7));
    plug.setEditor(nullptr);
    plug.startLearn(3);
    plug.handleController(cc(8), 127);
    EXPECT_EQ(plug.getMidiKey(3), cc(8));
    EXPECT_EQ(plug.getLearnTarget(), -1);
}

// The user-interface thread keeps asking for learns while controllers stream
// in; whatever the interleaving, no controller ends up bound twice.
TEST_F(Midi, ConcurrentLearnRequestsKeepBindingsUnique) {
    std::atomic<bool> done{false};
    std::thread ui([&] {
        for (int round = 0; !done.load(); ++round) {
            plug.startLearn(round % Orvalt::kNumParams);
            if (round % 5 == 0) plug.cancelLearn();
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 20000; ++i) plug.handleController(cc(1 + i % 5), i & 0x7F);
    done = true;
    ui.join();
    std::set<int32_t> keys;
    for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) {
        int32_t key = plug.getMidiKey(i);
        if (key != -1) {
            EXPECT_TRUE(keys.insert(key).second) << "key bound twice: " << key;
        }
    }
}
