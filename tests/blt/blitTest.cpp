// copy, composite and compositeFrameBlend: exact pixel words, clipping, and the tint.
#include <gtest/gtest.h>

#include <random>

#include "blt/blit.h"
#include "blt/pixel.h"
#include "blt/surface.h"

using namespace QuillBLT;

namespace {

void fill(const Surface& s, uint32_t value) {
    for (uint32_t y = 0; y < s.height; ++y)
        for (uint32_t x = 0; x < s.width; ++x) s.at(x, y) = value;
}

void copyPixels(const Surface& from, const Surface& to) {
    for (uint32_t y = 0; y < from.height; ++y)
        for (uint32_t x = 0; x < from.width; ++x) to.at(x, y) = from.at(x, y);
}

// Every word equal; otherwise names the first pixel that differs.
testing::AssertionResult samePixels(const Surface& expected, const Surface& actual) {
    for (uint32_t y = 0; y < expected.height; ++y)
        for (uint32_t x = 0; x < expected.width; ++x)
            if (expected.at(x, y) != actual.at(x, y))
                return testing::AssertionFailure() << "pixel " << x << "," << y << ": expected " << std::hex
                                                   << expected.at(x, y) << ", got " << actual.at(x, y);
    return testing::AssertionSuccess();
}

// How many pixels are not 0.
int countDrawn(const Surface& s) {
    int drawn = 0;
    for (uint32_t y = 0; y < s.height; ++y)
        for (uint32_t x = 0; x < s.width; ++x) drawn += s.at(x, y) != 0;
    return drawn;
}

// Random premultiplied pixels with a share of 0 words and opaque ones.
void fillRandomPremultiplied(const Surface& s, std::mt19937& rng) {
    for (uint32_t y = 0; y < s.height; ++y) {
        for (uint32_t x = 0; x < s.width; ++x) {
            const uint32_t kind = rng() % 4;
            const uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : rng() % 256;
            uint32_t p = a << 24;
            for (int i = 0; i < 3; ++i) p |= (a ? rng() % (a + 1) : 0) << (8 * i);
            s.at(x, y) = p;
        }
    }
}

uint32_t overRule(uint32_t d, uint32_t s) {
    const uint32_t k = inverseAlpha(s >> 24);
    return addSaturate(s, k == 0 ? 0 : k == 256 ? d : scaleChannels(d, k));
}

}  // namespace

TEST(Composite, OpaqueReplacesZeroSkipsAndAlphaZeroColourAdds) {
    BasicSurface dst(3, 1), src(3, 1);
    fill(dst.view(), 0x80402010u);
    src.at(0, 0) = 0xFF112233u;
    src.at(1, 0) = 0;
    src.at(2, 0) = 0x00010203u;  // alpha 0 but colour: added on top
    composite(dst.view(), 0, 0, 3, 1, src.view(), 0, 0);
    EXPECT_EQ(0xFF112233u, dst.at(0, 0));
    EXPECT_EQ(0x80402010u, dst.at(1, 0));
    EXPECT_EQ(0x80412213u, dst.at(2, 0));

    fill(dst.view(), 0x80402010u);
    composite(dst.view(), 0, 0, 3, 1, src.view(), 0, 0, 0x80808080u);  // a tint never turns a skipped 0 into a write
    EXPECT_EQ(0x80402010u, dst.at(1, 0));
    EXPECT_EQ(overRule(0x80402010u, mulChannels(0x80808080u, 0xFF112233u)), dst.at(0, 0));
}

TEST(Composite, HalfAlphaUsesTheInverseAlphaWeight) {
    BasicSurface dst(1, 1), src(1, 1);
    dst.at(0, 0) = 0xFFFFFFFFu;
    src.at(0, 0) = 0x80400000u;
    composite(dst.view(), 0, 0, 1, 1, src.view(), 0, 0);
    // Destination weight 127: 255 * 127 / 255 = 127, plus the source.
    EXPECT_EQ(0xFFBF7F7Fu, dst.at(0, 0));
}

TEST(Composite, MatchesThePerPixelRuleOnRandomImagesWithTint) {
    std::mt19937 rng(7);
    BasicSurface src(23, 19), dst(31, 17), expected(31, 17);
    fillRandomPremultiplied(src.view(), rng);
    fillRandomPremultiplied(dst.view(), rng);
    for (uint32_t tint : {noTint, 0xC0A08060u}) {
        copyPixels(dst.view(), expected.view());
        composite(dst.view(), 5, 3, 40, 40, src.view(), 2, 4, tint);
        for (uint32_t r = 0; r < 14; ++r) {      // min(19 - 4, 17 - 3, 40)
            for (uint32_t c = 0; c < 21; ++c) {  // min(23 - 2, 31 - 5, 40)
                const uint32_t s = src.at(2 + c, 4 + r);
                if (s) expected.at(5 + c, 3 + r) = overRule(expected.at(5 + c, 3 + r), tint == noTint ? s : mulChannels(tint, s));
            }
        }
        ASSERT_TRUE(samePixels(expected.view(), dst.view()));
    }
}

TEST(Composite, ClipsAtTheFarEdgesAndDrawsExactlyTheRectangleThatFits) {
    BasicSurface src(10, 10), dst(10, 10);
    fill(src.view(), 0xFF0000FFu);
    composite(dst.view(), 7, 8, 5, 5, src.view(), 0, 0);  // reaches past the destination's edges
    EXPECT_EQ(3 * 2, countDrawn(dst.view()));
    EXPECT_EQ(0xFF0000FFu, dst.at(9, 9));

    BasicSurface dst2(10, 10);
    composite(dst2.view(), 0, 0, 5, 5, src.view(), 8, 6);  // reaches past the source's edges
    EXPECT_EQ(2 * 4, countDrawn(dst2.view()));

    BasicSurface dst3(10, 10);
    composite(dst3.view(), 2, 3, 4, 5, src.view(), 1, 1);
    EXPECT_EQ(4 * 5, countDrawn(dst3.view()));
    EXPECT_EQ(0u, dst3.at(1, 3));
    EXPECT_NE(0u, dst3.at(2, 3));
    EXPECT_NE(0u, dst3.at(5, 7));
    EXPECT_EQ(0u, dst3.at(6, 7));

    composite(dst3.view(), 10, 0, 4, 4, src.view(), 0, 0);  // offsets at the edge draw nothing
    composite(dst3.view(), 0, 0, 4, 4, src.view(), 0, 12);
}

TEST(Composite, WorksOnAStridedViewOfForeignMemory) {
    std::vector<uint32_t> memory(8 * 4, 0xDEADBEEFu);
    Surface window(memory.data(), 5, 4, 8);  // the padding words must never be touched
    fill(window, 0);
    BasicSurface src(5, 4);
    fill(src.view(), 0xFF102030u);
    composite(window, 0, 0, 5, 4, src.view(), 0, 0);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(x < 5 ? 0xFF102030u : 0xDEADBEEFu, memory[y * 8 + x]);
}

TEST(Copy, CopiesTheCommonTopLeftRectangleWordForWord) {
    BasicSurface src(4, 3), dst(3, 5);
    std::mt19937 rng(3);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 4; ++x) src.at(x, y) = rng();
    fill(dst.view(), 7);
    copy(src.view(), dst.view(), 10, 2);
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(y < 2 ? src.at(x, y) : 7u, dst.at(x, y));
}

TEST(FrameBlend, WeightZeroIsAPlainCompositeOfFrameA) {
    std::mt19937 rng(5);
    BasicSurface atlas(80, 45), a(100, 70), b(100, 70);
    fillRandomPremultiplied(atlas.view(), rng);
    fillRandomPremultiplied(a.view(), rng);
    copyPixels(a.view(), b.view());
    compositeFrameBlend(a.view(), atlas.view(), 0, 0, 0, atlas.view(), 40, 0, 0xFFC08040u);
    composite(b.view(), 20, 14, 40, 40, atlas.view(), 0, 0, 0xFFC08040u);
    ASSERT_TRUE(samePixels(b.view(), a.view()));
}

TEST(FrameBlend, IdenticalOpaqueFramesAtHalfWeightCanComeOutBrighter) {
    BasicSurface atlas(80, 40), dst(80, 60);
    fill(atlas.view(), 0xFF80FF01u);
    compositeFrameBlend(dst.view(), atlas.view(), 0, 0, 128, atlas.view(), 40, 0, noTint);
    auto doubled = [](uint32_t c) { return std::min(255u, 2 * ((c * 128 + 127) / 255)); };
    const uint32_t expected = doubled(255) << 24 | doubled(0x80) << 16 | doubled(0xFF) << 8 | doubled(1);
    EXPECT_EQ(0xFF80FF02u, expected);
    EXPECT_EQ(expected, dst.at(20, 14));
    EXPECT_EQ(expected, dst.at(59, 53));
    EXPECT_EQ(0u, dst.at(19, 14));
    EXPECT_EQ(0u, dst.at(60, 53));
    EXPECT_EQ(0u, dst.at(20, 54));
}

TEST(FrameBlend, MatchesThePerPixelRuleAndSkipsWhereBothFramesAreZero) {
    std::mt19937 rng(8);
    BasicSurface atlas(90, 50), dst(70, 60), expected(70, 60);
    fillRandomPremultiplied(atlas.view(), rng);
    fillRandomPremultiplied(dst.view(), rng);
    copyPixels(dst.view(), expected.view());
    const uint32_t weight = 77, tint = 0xFFE0C0A0u;
    compositeFrameBlend(dst.view(), atlas.view(), 3, 2, weight, atlas.view(), 45, 9, tint);  // b clipped to 41 rows
    for (uint32_t r = 0; r < 40; ++r) {
        for (uint32_t c = 0; c < 40; ++c) {
            const uint32_t pa = atlas.at(3 + c, 2 + r), pb = atlas.at(45 + c, 9 + r);
            if (!pa && !pb) continue;
            const uint32_t f = mulChannels(tint, addSaturate(scaleChannels(pa, 256 - weight), scaleChannels(pb, weight)));
            expected.at(20 + c, 14 + r) = overRule(expected.at(20 + c, 14 + r), f);
        }
    }
    ASSERT_TRUE(samePixels(expected.view(), dst.view()));
}

TEST(FrameBlend, ClipsToTheSmallestSurface) {
    BasicSurface atlas(50, 50), dst(45, 30);
    fill(atlas.view(), 0xFF202020u);
    compositeFrameBlend(dst.view(), atlas.view(), 30, 0, 100, atlas.view(), 0, 40, noTint);  // 20 wide from a.view(), 10 high from b
    EXPECT_EQ(20 * 10, countDrawn(dst.view()));
}
