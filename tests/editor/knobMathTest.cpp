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

namespace {
// Drags one pixel at a time, as a real mouse reports it, to row `target`.
float onePixelsTo(KnobDrag& drag, int32_t target, bool fine = false) {
    while (drag.y != target) drag.moveTo(drag.y + (target > drag.y ? 1 : -1), fine);
    return drag.value;
}
}  // namespace

TEST(KnobMath, OnePixelDragsLandExactlyOnTheEndsAndRespondAtOnceAfterAnOvershoot) {
    KnobDrag up(0.0f, 0);
    EXPECT_EQ(onePixelsTo(up, -200), 0.5f);
    EXPECT_EQ(onePixelsTo(up, -400), 1.0f);
    EXPECT_EQ(onePixelsTo(up, -450), 1.0f);
    EXPECT_EQ(onePixelsTo(up, -449), static_cast<float>(1.0 - 1.0 / 400.0));
    EXPECT_EQ(up.value, 1.0f - 1.0f / 400.0f);

    KnobDrag down(1.0f, 0);
    EXPECT_EQ(onePixelsTo(down, 400), 0.0f);
    EXPECT_EQ(onePixelsTo(down, 401), 0.0f);
    EXPECT_EQ(onePixelsTo(down, 400), 1.0f / 400.0f);

    // Fine mode: 400 pixels move a tenth, 4000 the whole range; switching the
    // mode mid-drag measures on from where the drag is.
    KnobDrag fine(0.0f, 0);
    EXPECT_EQ(onePixelsTo(fine, -400, true), 0.1f);
    EXPECT_EQ(onePixelsTo(fine, -440, false), static_cast<float>(0.1f + 40.0 / 400.0));
    const float afterCoarse = static_cast<float>(0.1f + 40.0 / 400.0);
    EXPECT_EQ(onePixelsTo(fine, -2440, true), static_cast<float>(static_cast<double>(afterCoarse) + 2000.0 / 4000.0));
    KnobDrag fineAll(0.0f, 0);
    EXPECT_EQ(onePixelsTo(fineAll, -4000, true), 1.0f);

    // The same drag in one message lands on the same value.
    DragAnchor anchor{0.3f, 10, false};
    EXPECT_EQ(dragStep(anchor, 0.3f, 10, -90, false), static_cast<float>(static_cast<double>(0.3f) + 0.25));
    DragAnchor nanAnchor{std::numeric_limits<double>::quiet_NaN(), 0, false};
    EXPECT_EQ(dragStep(nanAnchor, 0.0f, 0, -1, false), 0.0f);
}
