// The texture atlas as the knobs get it: the library's "commonTextures" PNG resource, decoded.
#include <gtest/gtest.h>

#include <windows.h>

#include "blt/atlas.h"
#include "platform/platform.h"
#include "plugedit/knobMath.h"

TEST(AtlasResource, DecodesTo480By480PremultipliedPixels) {
    platform::setModuleHandle(GetModuleHandleA(nullptr));
    QuillBLT::setAtlasSource(nullptr);
    const QuillBLT::Surface* atlas = QuillBLT::commonTextures();
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->width, 480u);
    EXPECT_EQ(atlas->height, 480u);
    for (uint32_t y = 0; y < atlas->height; ++y)
        for (uint32_t x = 0; x < atlas->width; ++x) {
            const uint32_t p = atlas->at(x, y);
            const uint32_t a = p >> 24;
            ASSERT_LE((p >> 16) & 0xFF, a) << x << "," << y;
            ASSERT_LE((p >> 8) & 0xFF, a) << x << "," << y;
            ASSERT_LE(p & 0xFF, a) << x << "," << y;
        }
}

TEST(AtlasResource, HoldsNinetySixDistinctFramesAndTheScale) {
    const QuillBLT::Surface* atlas = QuillBLT::commonTextures();
    ASSERT_NE(atlas, nullptr);
    auto frameDiffers = [&](int a, int b) {
        for (uint32_t y = 0; y < 40; ++y)
            for (uint32_t x = 0; x < 40; ++x)
                if (atlas->at(PlugEdit::frameX(a) + x, PlugEdit::frameY(a) + y) !=
                    atlas->at(PlugEdit::frameX(b) + x, PlugEdit::frameY(b) + y))
                    return true;
        return false;
    };
    for (int k = 1; k < 96; ++k) EXPECT_TRUE(frameDiffers(k - 1, k)) << k;
    int scalePixels = 0;
    for (uint32_t y = 6; y < 80; ++y)
        for (uint32_t x = 320; x < 400; ++x) scalePixels += atlas->at(x, y) != 0;
    EXPECT_GT(scalePixels, 11 * 4);  // eleven dots of a few pixels each
}
