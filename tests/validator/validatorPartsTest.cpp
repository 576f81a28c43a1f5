// The validator's own instruments: the event lists it hands to plug-ins and
// the comparisons its verdicts rest on.
#include "tools/validator/midiEvents.h"
#include "tools/validator/signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

using validator::RawEventList;
using validator::Signal;

VstEvent* eventAt(VstEvents* list, int i) {
    VstEvent* e = nullptr;  // the array is longer than the two entries the record declares
    std::memcpy(&e, reinterpret_cast<unsigned char*>(list) + offsetof(VstEvents, events) + i * sizeof(VstEvent*),
                sizeof e);
    return e;
}

TEST(RawEventList, HoldsMoreThanTwoEventsInOrderWithValidSysExDumps) {
    RawEventList events;
    std::mt19937 random(3);
    for (int i = 0; i < 40; ++i) events.addRandom(i * 3, random);
    events.addMidi(200, 0xB0, 120, 0);
    VstEvents* list = events.get();
    ASSERT_EQ(list->numEvents, 41);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(list) % alignof(VstEvents), 0u);
    int sysex = 0;
    for (int i = 0; i < 40; ++i) {
        VstEvent* e = eventAt(list, i);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->deltaFrames, i * 3);
        if (e->type == kVstSysExType) {
            ++sysex;
            const auto* s = reinterpret_cast<const validator::VstMidiSysexEvent*>(e);
            ASSERT_GE(s->dumpBytes, 2);
            EXPECT_EQ(static_cast<unsigned char>(s->sysexDump[0]), 0xF0);
            EXPECT_EQ(static_cast<unsigned char>(s->sysexDump[s->dumpBytes - 1]), 0xF7);
        }
    }
    EXPECT_GT(sysex, 0) << "the seed should give some SysEx";
    const auto* last = reinterpret_cast<const VstMidiEvent*>(eventAt(list, 40));
    EXPECT_EQ(last->type, kVstMidiType);
    EXPECT_EQ(static_cast<unsigned char>(last->midiData[0]), 0xB0);
    EXPECT_EQ(last->midiData[1], 120);
}

TEST(RawEventList, EmptyListIsAValidRecord) {
    RawEventList events;
    VstEvents* list = events.get();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->numEvents, 0);
}

TEST(RandomPositions, AreSortedWithinTheBlock) {
    std::mt19937 random(9);
    for (int frames : {1, 2, 7, 512}) {
        auto p = validator::randomPositions(64, frames, random);
        ASSERT_EQ(p.size(), 64u);
        for (size_t i = 0; i < p.size(); ++i) {
            EXPECT_GE(p[i], 0);
            EXPECT_LT(p[i], frames);
            if (i > 0) {
                EXPECT_LE(p[i - 1], p[i]);
            }
        }
    }
}

TEST(SignalComparison, NanNeverPassesAsEqual) {
    Signal a(2, 4), b(2, 4);
    a.channels[1][2] = b.channels[1][2] = NAN;
    auto d = validator::compareSignals(a, b);
    EXPECT_TRUE(std::isinf(d.largest));
    EXPECT_EQ(d.channel, 1);
    EXPECT_EQ(d.frame, 2);
    EXPECT_TRUE(std::isinf(validator::largestFloatUlps(a, b)));
    EXPECT_EQ(validator::firstNonFinite(a), "NaN at channel 1 frame 2");
}

TEST(SignalComparison, MeasuresDifferencesInFloatSteps) {
    Signal a(1, 3), b(1, 3);
    a.channels[0] = {1.0f, -0.25f, 0.0f};
    b.channels[0] = {std::nextafter(1.0f, 2.0f), -0.25f, 0.0f};
    EXPECT_DOUBLE_EQ(validator::largestFloatUlps(a, b), 1.0);
    b.channels[0][0] = 1.0f;
    EXPECT_EQ(validator::largestFloatUlps(a, b), 0.0);
    EXPECT_EQ(validator::compareSignals(a, b).describe(), "identical");
    Signal shorter(1, 2);
    EXPECT_TRUE(validator::compareSignals(a, shorter).shapesDiffer);
}

}  // namespace
