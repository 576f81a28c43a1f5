// The parameter table: clamping, the cook step and the poll step.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "product/Orvalt.h"
#include "testPlug.h"
#include "tests/support/testHosts.h"

namespace {

using testhosts::HostCall;
using testhosts::hostCalls;
using testhosts::quietHost;
using testhosts::recordingHost;

struct Notify : PlugCore::IParamNotify {
    bool accept = true;
    std::vector<std::pair<int, float>> delivered;
    bool parameterChanged(int32_t index, float value) override {
        if (accept) delivered.push_back({index, value});
        return accept;
    }
    void learnCompleted(int32_t) override {}
};

struct CountingCook : PlugCore::IParamCook {
    std::vector<int> visited;
    bool answer = false;
    bool cookParameter(int32_t index, float) override {
        visited.push_back(index);
        return answer;
    }
};

TEST(ParameterTable, SettersClampAndIgnoreOutOfRange) {
    TestPlug plug;
    plug.setParameter(0, 1.5f);
    EXPECT_EQ(plug.getParameter(0), 1.0f);
    plug.setParameter(0, -0.25f);
    EXPECT_EQ(plug.getParameter(0), 0.0f);
    plug.setParameter(3, 0.5f);
    EXPECT_EQ(plug.getParameter(3), 0.0f);
    plug.setParameter(-1, 0.5f);
    EXPECT_EQ(plug.getParameter(-1), 0.0f);
    plug.setParameter(1, -0.0f);
    EXPECT_EQ(plug.getParameter(1), 0.0f);
    EXPECT_FALSE(std::signbit(plug.getParameter(1))) << "getParameter answers the absolute value";
    EXPECT_FALSE(std::signbit(plug.parameterTable().params[1].value.load()))
        << "-0 is stored as +0, so no reader (chunk, program, defaults) ever sees a sign";
    EXPECT_FALSE(std::signbit(PlugCore::clampUnit(-0.0f)));
    EXPECT_EQ(plug.parameter(3), nullptr) << "the checked accessor refuses the index the setter ignores";
    EXPECT_EQ(plug.parameter(-1), nullptr);
    EXPECT_EQ(plug.parameter(2), &plug.parameterTable().params[2]);
    plug.setParameter(1, std::numeric_limits<float>::infinity());
    EXPECT_EQ(plug.getParameter(1), 1.0f);
}

TEST(ParameterTable, NonNumbersStoreZeroSoEveryReaderAgrees) {
    TestPlug plug;
    Notify notify;
    CountingCook cook;
    plug.pollParameters(&notify);
    PlugCore::cookParameters(plug.parameterTable(), &cook);
    notify.delivered.clear();
    cook.visited.clear();
    plug.setParameter(1, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(plug.getParameter(1), 0.0f);
    char text[32];
    plug.getParameterDisplay(1, text);
    EXPECT_STREQ(text, "1:0.000");
    for (int tick = 0; tick < 3; ++tick) {
        plug.pollParameters(&notify);
        PlugCore::cookParameters(plug.parameterTable(), &cook);
    }
    EXPECT_EQ(notify.delivered, (std::vector<std::pair<int, float>>{{1, 0.0f}})) << "delivered once, not at every tick";
    EXPECT_EQ(cook.visited, std::vector<int>{1});
    plug.setParameter(2, -std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(plug.getParameter(2), 0.0f);
    plug.setParameter(2, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(plug.getParameter(2), 0.0f);
}

// A host's automation thread sends NaN and infinities while the audio thread
// processes and the editor's timer polls: no reader ever sees a non-number,
// the sound stays finite, and once the sender stops the poll falls quiet.
TEST(ParameterTable, NonNumbersFromAnotherThreadNeverReachAnyReader) {
    Orvalt plug(quietHost);
    plug.setSampleRate(44100.0f);
    plug.setBlockSize(64);
    plug.resume();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::atomic<bool> done{false};
    std::thread automation([&] {
        const float values[] = {nan, inf, -inf, -nan, 0.75f, std::numeric_limits<float>::denorm_min(), -0.0f, 2.0f};
        for (unsigned round = 0; !done.load(std::memory_order_relaxed); ++round)
            plug.setParameter(static_cast<VstInt32>(round % Orvalt::kNumParams), values[round % 8]);
    });
    std::vector<float> left(64), right(64);
    float* io[] = {left.data(), right.data()};
    Notify notify;
    bool sawNonNumber = false, sawNonFinite = false;
    std::string nanText;
    char text[32];
    for (int block = 0; block < 3000; ++block) {
        std::fill(left.begin(), left.end(), 0.5f);
        std::fill(right.begin(), right.end(), -0.5f);
        plug.processReplacing(io, io, 64);
        for (float x : left) sawNonFinite |= !std::isfinite(x);
        plug.pollParameters(&notify);
        for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) {
            sawNonNumber |= std::isnan(plug.getParameter(i));
            // The host's display call, asked while the sender is still sending.
            plug.getParameterDisplay(i, text);
            if (nanText.empty() && std::string(text).find("nan") != std::string::npos) nanText = text;
        }
    }
    done = true;
    automation.join();
    EXPECT_FALSE(sawNonNumber) << "getParameter";
    EXPECT_EQ(nanText, "") << "a display text";
    EXPECT_FALSE(sawNonFinite) << "the sound";
    for (auto& [index, value] : notify.delivered) {
        EXPECT_GE(value, 0.0f) << "the editor got it for " << index;
        EXPECT_LE(value, 1.0f) << "the editor got it for " << index;
    }
    plug.pollParameters(&notify);
    notify.delivered.clear();
    plug.pollParameters(&notify);
    EXPECT_TRUE(notify.delivered.empty()) << "a settled table gives the editor nothing to repaint";
}

TEST(ParameterTable, NamesLabelsAndDisplayOutOfRange) {
    TestPlug plug;
    char text[32];
    plug.getParameterName(3, text);
    EXPECT_STREQ(text, "**");
    plug.getParameterLabel(3, text);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "kept");
    plug.getParameterDisplay(3, text);
    EXPECT_STREQ(text, "kept");
    plug.getParameterDisplay(0, text);
    EXPECT_STREQ(text, "0:0.250");
}

TEST(ParameterTable, FirstCookReportsAChangeThenNothing) {
    TestPlug plug;
    CountingCook cook;
    auto& table = plug.parameterTable();
    EXPECT_TRUE(PlugCore::cookParameters(table, &cook)) << "allDirty makes the first cook a change";
    EXPECT_EQ(cook.visited, (std::vector<int>{0, 1, 2})) << "cooked starts at -1, so every value is visited";
    cook.visited.clear();
    EXPECT_FALSE(PlugCore::cookParameters(table, &cook));
    EXPECT_TRUE(cook.visited.empty());
}

TEST(ParameterTable, EveryMovedValueIsVisitedEvenAfterAChangeWasReported) {
    TestPlug plug;
    CountingCook cook;
    auto& table = plug.parameterTable();
    PlugCore::cookParameters(table, &cook);
    cook.visited.clear();
    cook.answer = true;
    plug.setParameter(0, 0.9f);
    plug.setParameter(2, 0.1f);
    EXPECT_TRUE(PlugCore::cookParameters(table, &cook));
    EXPECT_EQ(cook.visited, (std::vector<int>{0, 2}));
    EXPECT_EQ(plug.cookedValue(0), 0.9f);
    EXPECT_FALSE(PlugCore::cookParameters(table, nullptr));
    plug.setParameter(1, 0.3f);
    EXPECT_TRUE(PlugCore::cookParameters(table, nullptr)) << "without a cook interface any move is a change";
}

TEST(ParameterTable, RepeatedValueIsCookedAndPolledOnce) {
    TestPlug plug;
    CountingCook cook;
    Notify notify;
    auto& table = plug.parameterTable();
    PlugCore::cookParameters(table, &cook);
    plug.pollParameters(&notify);
    cook.visited.clear();
    notify.delivered.clear();
    plug.setParameter(1, 0.7f);
    plug.setParameter(1, 0.7f);
    PlugCore::cookParameters(table, &cook);
    PlugCore::cookParameters(table, &cook);
    plug.pollParameters(&notify);
    plug.pollParameters(&notify);
    EXPECT_EQ(cook.visited, (std::vector<int>{1}));
    ASSERT_EQ(notify.delivered.size(), 1u);
    EXPECT_EQ(notify.delivered[0], std::make_pair(1, 0.7f));
}

TEST(ParameterTable, RefusedPollIsOfferedAgain) {
    TestPlug plug;
    Notify notify;
    plug.pollParameters(&notify);
    notify.delivered.clear();
    plug.setParameter(2, 0.125f);
    notify.accept = false;
    plug.pollParameters(&notify);
    EXPECT_TRUE(notify.delivered.empty());
    EXPECT_NE(plug.parameterTable().params[2].notified, 0.125f);
    notify.accept = true;
    plug.pollParameters(&notify);
    ASSERT_EQ(notify.delivered.size(), 1u);
    EXPECT_EQ(notify.delivered[0], std::make_pair(2, 0.125f));
    plug.pollParameters(nullptr);  // no interface: nothing to deliver to, nothing breaks
}

TEST(ParameterTable, ResumeMakesTheNextCookVisitEverything) {
    TestPlug plug;
    CountingCook cook;
    auto& table = plug.parameterTable();
    PlugCore::cookParameters(table, &cook);
    plug.resume();
    cook.visited.clear();
    PlugCore::cookParameters(table, &cook);
    EXPECT_EQ(cook.visited, (std::vector<int>{0, 1, 2}));
}

TEST(ParameterTable, AutomatedSetTellsTheHostTheUnclampedValue) {
    TestPlug plug(recordingHost);
    hostCalls().clear();
    plug.setParameterAutomated(1, 1.25f);
    EXPECT_EQ(plug.getParameter(1), 1.0f);
    ASSERT_EQ(hostCalls().size(), 1u);
    EXPECT_EQ(hostCalls()[0].opcode, audioMasterAutomate);
    EXPECT_EQ(hostCalls()[0].index, 1);
    EXPECT_EQ(hostCalls()[0].opt, 1.25f);
    hostCalls().clear();
    plug.setParameter(1, 0.5f);
    EXPECT_TRUE(hostCalls().empty()) << "a host's own change is not echoed";
}

TEST(ParameterTable, ResetToDefaultRestoresTheDefaultAndTellsTheHost) {
    TestPlug plug(recordingHost);
    plug.setParameter(0, 0.9f);
    hostCalls().clear();
    plug.resetToDefault(0);
    EXPECT_EQ(plug.getParameter(0), 0.25f);
    ASSERT_EQ(hostCalls().size(), 1u);
    EXPECT_EQ(hostCalls()[0].opcode, audioMasterAutomate);
    EXPECT_EQ(hostCalls()[0].index, 0);
    EXPECT_EQ(hostCalls()[0].opt, 0.25f);
    hostCalls().clear();
    plug.resetToDefault(9);
    ASSERT_EQ(hostCalls().size(), 1u);
    EXPECT_EQ(hostCalls()[0].opt, 0.0f);
}

TEST(ParameterTable, BeginAndEndEditReachTheHost) {
    TestPlug plug(recordingHost);
    hostCalls().clear();
    plug.beginEdit(2);
    plug.endEdit(2);
    ASSERT_EQ(hostCalls().size(), 2u);
    EXPECT_EQ(hostCalls()[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(hostCalls()[0].index, 2);
    EXPECT_EQ(hostCalls()[1].opcode, audioMasterEndEdit);
}

TEST(HostCallWrappers, AnswerDefaultsWithoutAHostCallback) {
    TestPlug plug(nullptr);
    EXPECT_EQ(plug.getMasterVersion(), 1);
    EXPECT_EQ(plug.getTimeInfo(0x602), nullptr);
    EXPECT_FALSE(plug.beginEdit(0));
    EXPECT_FALSE(plug.endEdit(0));
    EXPECT_FALSE(plug.ioChanged());
    EXPECT_FALSE(plug.sizeWindow(10, 10));
    EXPECT_EQ(plug.getCurrentProcessLevel(), 0);
    EXPECT_EQ(plug.getAutomationState(), 0);
    EXPECT_EQ(plug.updateSampleRate(), 44100.0);
    EXPECT_EQ(plug.updateBlockSize(), 1024);
    EXPECT_FALSE(plug.updateDisplay());
    EXPECT_EQ(plug.getCurrentUniqueId(), 0);
    plug.setParameterAutomated(0, 0.5f);  // no host: just the store
    EXPECT_EQ(plug.getParameter(0), 0.5f);
}

}  // namespace
