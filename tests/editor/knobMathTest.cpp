// The knob's choice of animation frames for a value (drag and wheel are driven through real messages elsewhere).
#include <gtest/gtest.h>

#include <limits>

#include "plugedit/knobMath.h"

using namespace PlugEdit;

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
