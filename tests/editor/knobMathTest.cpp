// The knob's value arithmetic and its choice of animation frames.
#include <gtest/gtest.h>

#include <limits>

#include "plugedit/knobMath.h"

using namespace PlugEdit;

TEST(KnobMath, DragStepsClampAndAnythingNotANumberGivesZero) {
    EXPECT_EQ(dragStep(0.0f, 40, -360, false), 1.0f);
    EXPECT_EQ(dragStep(1.0f, -360, -361, false), 1.0f);
    EXPECT_EQ(dragStep(1.0f, -361, -360, false), 1.0f - 1.0f / 400.0f);
    EXPECT_EQ(dragStep(0.5f, 0, 4000, true), 0.0f);
    EXPECT_EQ(dragStep(std::numeric_limits<float>::quiet_NaN(), 0, -1, false), 0.0f);
    EXPECT_FLOAT_EQ(dragStep(0.0f, 0, -400, true), 0.1f);
}

TEST(KnobMath, WheelNotches) {
    EXPECT_FLOAT_EQ(wheelStep(0.0f, 120, false), 0.05f);
    EXPECT_FLOAT_EQ(wheelStep(0.5f, -120, true), 0.495f);
    EXPECT_EQ(wheelStep(0.98f, 240, false), 1.0f);
    EXPECT_EQ(wheelStep(0.02f, -120, false), 0.0f);
}

TEST(KnobMath, FramesForValues) {
    const FrameBlend top = framesForValue(1.0f);
    EXPECT_EQ(top.first, 95);
    EXPECT_EQ(top.second, 95);
    EXPECT_EQ(top.weight, 0u);
    const FrameBlend middle = framesForValue(0.5f);
    EXPECT_EQ(middle.first, 47);
    EXPECT_EQ(middle.second, 48);
    EXPECT_EQ(middle.weight, 128u);
    const FrameBlend bottom = framesForValue(0.0f);
    EXPECT_EQ(bottom.first, 0);
    EXPECT_EQ(bottom.second, 1);
    EXPECT_EQ(bottom.weight, 0u);
    EXPECT_EQ(framesForValue(std::numeric_limits<float>::quiet_NaN()).first, 0);
    EXPECT_EQ(framesForValue(7.0f).first, 95);
    EXPECT_EQ(frameX(9), 40u);
    EXPECT_EQ(frameY(9), 40u);
    EXPECT_EQ(frameX(95), 280u);
    EXPECT_EQ(frameY(95), 440u);
}
