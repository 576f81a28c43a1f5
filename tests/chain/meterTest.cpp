// The clip meters handed to the editor through its shared block.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstring>

#include "plugcore/SharedBlock.h"
#include "product/RoundingGuard.h"
#include "tests/chain/chainTestSupport.h"

namespace {

// An editor that only carries the shared meter block.
struct FakeEditor : AEffEditor, PlugCore::SharedBlock {
    FakeEditor() : SharedBlock(8) {}
    float peak(int c) const {
        float v;
        std::memcpy(&v, shared + 4 * c, 4);
        return v;
    }
};

// Clip on, a loud burst: both meters rise close to 1.
std::unique_ptr<Orvalt> clippingPlugin(FakeEditor** editor) {
    auto plugin = makeOrvalt(44100.0f, 1024, {{Orvalt::kClip, 1.0f}, {Orvalt::kLimit, 1.0f}, {Orvalt::kDrive, 1.0f}});
    // Replacing the build's own editor object (if any) deletes it; the new one
    // is owned by the plug-in from here on.
    if (editor) {
        *editor = new FakeEditor;
        plugin->setEditor(*editor);
    } else {
        plugin->setEditor(nullptr);
    }
    plugin->resume();
    return plugin;
}

void run(Orvalt& plugin, double level, size_t frames) {
    runDouble(plugin, Stereo{std::vector<double>(frames, level), std::vector<double>(frames, -level)}, 1024);
}

float decayedTowardZero(float v) {
    RoundingGuard towardZero(FE_TOWARDZERO);
    volatile float x = v;
    // The product is stored before the guard restores the mode: GCC may otherwise
    // compute a returned value after the restoring call (it does for 64-bit Windows).
    volatile float decayed = x * 0.9f;
    return decayed;
}

}  // namespace

TEST(MeterHandOver, PeaksGoToTheEditorEvery883SamplesWhenTheLockIsFree) {
    FakeEditor* editor = nullptr;
    auto plugin = clippingPlugin(&editor);
    OrvaltChainProbe probe(*plugin);
    editor->sharedTaken = true;  // the editor took the previous block
    run(*plugin, 2.0, 882);
    EXPECT_TRUE(editor->sharedTaken);
    EXPECT_EQ(probe.meterCounter(), 882);
    const float before[2] = {probe.meterPeak(0), probe.meterPeak(1)};
    EXPECT_GT(before[0], 0.99f);
    run(*plugin, 2.0, 1);  // the 883rd sample hands over
    EXPECT_FALSE(editor->sharedTaken);
    EXPECT_EQ(probe.meterCounter(), 0);
    for (int c = 0; c < 2; ++c) {
        EXPECT_GE(editor->peak(c), before[c]);
        EXPECT_EQ(probe.meterPeak(c), decayedTowardZero(editor->peak(c))) << c;
    }

    // Once the released envelope has fallen below the held peak, the peak only
    // decays, by 0.9 at every hand-over.
    run(*plugin, 0.0, 8 * 883);
    editor->sharedTaken = true;
    const float handed = probe.meterPeak(0);
    ASSERT_GT(handed, probe.clipEnvelope(0));
    EXPECT_EQ(probe.meterCounter(), 0);
    run(*plugin, 0.0, 882);
    EXPECT_TRUE(editor->sharedTaken);
    EXPECT_EQ(probe.meterPeak(0), handed);
    run(*plugin, 0.0, 1);
    EXPECT_FALSE(editor->sharedTaken);
    EXPECT_EQ(editor->peak(0), handed);
    EXPECT_EQ(probe.meterPeak(0), decayedTowardZero(handed));
}

TEST(MeterHandOver, NothingCrossesWhileTheLockIsHeldButEveryAttemptDecays) {
    FakeEditor* editor = nullptr;
    auto plugin = clippingPlugin(&editor);
    OrvaltChainProbe probe(*plugin);
    run(*plugin, 2.0, 100);
    run(*plugin, 0.0, 200 * 883 - 100);  // the envelope has released to 0, the peak still holds
    ASSERT_EQ(probe.clipEnvelope(0), 0.0);
    ASSERT_GT(probe.meterPeak(0), 0.0f);
    editor->sharedTaken = true;
    editor->lock = 1;
    run(*plugin, 0.0, 882);
    float expected = probe.meterPeak(0);
    run(*plugin, 0.0, 10);  // ten attempts, one per sample
    for (int i = 0; i < 10; ++i) expected = decayedTowardZero(expected);
    EXPECT_EQ(probe.meterPeak(0), expected);
    EXPECT_TRUE(editor->sharedTaken);
    EXPECT_EQ(editor->peak(0), 0.0f);
    EXPECT_EQ(probe.meterCounter(), 892);
    editor->lock = 0;
    run(*plugin, 0.0, 1);
    EXPECT_EQ(editor->peak(0), expected);
    EXPECT_EQ(editor->lock.load(), 0);
    EXPECT_EQ(probe.meterCounter(), 0);
}

TEST(MeterHandOver, WithoutAnEditorTheCounterKeepsGrowingAndThePeaksHold) {
    auto plugin = clippingPlugin(nullptr);
    OrvaltChainProbe probe(*plugin);
    run(*plugin, 2.0, 100);
    const float peak = probe.meterPeak(0);
    run(*plugin, 0.0, 3000);
    EXPECT_EQ(probe.meterCounter(), 3100);
    EXPECT_EQ(probe.meterPeak(0), peak);
}
