// The program bank: switching, names, and the host's program calls.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/plugcore/stateTestSupport.h"

using namespace statetest;

namespace {

std::string currentName(Orvalt& plug) {
    char text[64];
    std::memset(text, '#', sizeof(text));
    plug.dispatcher(effGetProgramName, 0, 0, text, 0.0f);
    return text;
}

std::vector<float> liveValues(Orvalt& plug) {
    std::vector<float> values;
    for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) values.push_back(plug.getParameter(i));
    return values;
}

}  // namespace

TEST(Programs, FreshBankIsEightCopiesOfTheProductDefaultsNamedInit) {
    Orvalt plug(recordingHost);
    const std::vector<float> defaults = liveValues(plug);
    for (VstInt32 p = 0; p < 8; ++p) {
        plug.dispatcher(effSetProgram, 0, p, nullptr, 0.0f);
        EXPECT_EQ(plug.dispatcher(effGetProgram, 0, 0, nullptr, 0.0f), p);
        EXPECT_EQ(currentName(plug), "Init " + std::to_string(p + 1));
        EXPECT_EQ(liveValues(plug), defaults);
    }
}

TEST(Programs, SwitchingAwayAndBackRestoresAChangedValue) {
    Orvalt plug(recordingHost);
    plug.setProgram(3);
    plug.setParameter(Orvalt::kBass, 0.625f);
    plug.setProgram(3);  // to the current program: nothing moves
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.625f);
    plug.setProgram(0);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.0f);
    plug.setProgram(3);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.625f);
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 0u) << "a program change is not echoed to the host";
}

TEST(Programs, HostOutOfRangeProgramDoesNothing) {
    Orvalt plug(recordingHost);
    plug.setProgram(2);
    plug.setParameter(Orvalt::kInput, 0.5f);
    const std::vector<uint8_t> before = chunkOf(plug, false);
    for (VstIntPtr bad : {VstIntPtr(8), VstIntPtr(-1), VstIntPtr(1) << 20}) {
        plug.dispatcher(effSetProgram, 0, bad, nullptr, 0.0f);
        EXPECT_EQ(plug.getProgram(), 2);
        EXPECT_EQ(plug.getParameter(Orvalt::kInput), 0.5f);
    }
    EXPECT_EQ(chunkOf(plug, false), before);
}

TEST(Programs, NamesAreCutAtTwentyThreeCharacters) {
    Orvalt plug(recordingHost);
    char thirty[] = "abcdefghijklmnopqrstuvwxyz0123";
    plug.dispatcher(effSetProgramName, 0, 0, thirty, 0.0f);
    EXPECT_EQ(currentName(plug), "abcdefghijklmnopqrstuvw");
    char shorter[] = "Mix";
    plug.dispatcher(effSetProgramName, 0, 0, shorter, 0.0f);
    EXPECT_EQ(currentName(plug), "Mix");
    // The rest of the field is cleared, so the bank carries no leftovers.
    const char* stored = plug.program(0).name;
    for (int i = 3; i < 24; ++i) EXPECT_EQ(stored[i], 0);
    plug.setProgram(1);
    EXPECT_EQ(currentName(plug), "Init 2");
    plug.setProgram(0);
    EXPECT_EQ(currentName(plug), "Mix");
}

TEST(Programs, HostCannotReadOtherProgramsNames) {
    Orvalt plug(recordingHost);
    char text[64] = "untouched";
    EXPECT_EQ(plug.dispatcher(effGetProgramNameIndexed, 1, 0, text, 0.0f), 0);
}

TEST(Programs, BankLoadRestoresEveryProgramAndTheCurrentIndex) {
    Orvalt source(recordingHost);
    for (VstInt32 p = 0; p < 8; ++p) {
        source.setProgram(p);
        source.setParameter(Orvalt::kDrive, p / 8.0f);
        char name[24];
        std::snprintf(name, sizeof(name), "Take %d", static_cast<int>(p));
        source.setProgramName(name);
    }
    source.setProgram(6);  // leaves program 7 stored
    source.setParameter(Orvalt::kDrive, 0.0625f);
    Orvalt target(recordingHost);
    load(target, chunkOf(source, false));
    EXPECT_EQ(target.getProgram(), 6);
    EXPECT_FLOAT_EQ(target.getParameter(Orvalt::kDrive), 0.0625f) << "the live value wins over program 6's";
    for (VstInt32 p = 0; p < 8; ++p) {
        EXPECT_FLOAT_EQ(target.program(p).values[Orvalt::kDrive], p / 8.0f) << p;
        EXPECT_EQ(std::string(target.program(p).name), "Take " + std::to_string(p));
    }
    hostCalls().clear();
}
