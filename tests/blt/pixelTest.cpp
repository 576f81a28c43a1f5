// The packed pixel arithmetic, checked exactly and against a per-channel formula.
#include <gtest/gtest.h>

#include <random>

#include "blt/pixel.h"

using namespace QuillBLT;

namespace {

uint32_t channel(uint32_t p, int i) { return (p >> (8 * i)) & 0xFF; }

}  // namespace

TEST(PixelArithmetic, AddSaturateClampsEachChannelAndPassesZeroThrough) {
    EXPECT_EQ(0xFFFF0101u, addSaturate(0x80FF0000u, 0x80010101u));
    EXPECT_EQ(0x12345678u, addSaturate(0, 0x12345678u));
    EXPECT_EQ(0x12345678u, addSaturate(0x12345678u, 0));
    std::mt19937 rng(1);
    for (int n = 0; n < 100000; ++n) {
        const uint32_t p = rng(), q = rng();
        uint32_t expected = 0;
        for (int i = 0; i < 4; ++i) expected |= std::min(255u, channel(p, i) + channel(q, i)) << (8 * i);
        ASSERT_EQ(expected, addSaturate(p, q)) << std::hex << p << " " << q;
    }
}

TEST(PixelArithmetic, MulChannelsIsExactAndTheFullTintIsNeutral) {
    EXPECT_EQ(0xFFE0E0E0u, mulChannels(0xFFE0E0E0u, 0xFFFFFFFFu));
    std::mt19937 rng(2);
    for (int n = 0; n < 100000; ++n) {
        const uint32_t x = rng(), y = rng();
        ASSERT_EQ(x, mulChannels(0xFFFFFFFFu, x));
        uint32_t expected = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t m = channel(x, i) * channel(y, i);
            expected |= ((m + (m >> 7)) >> 8) << (8 * i);
        }
        ASSERT_EQ(expected, mulChannels(x, y));
    }
    EXPECT_EQ(0u, mulChannels(0, 0xFFFFFFFFu));
}

TEST(PixelArithmetic, ScaleChannelsRoundsToNearestOnTheSlash255Scale) {
    EXPECT_EQ(0x80808080u, scaleChannels(0xFFFFFFFFu, 128));
    EXPECT_EQ(0u, scaleChannels(0xFFFFFFFFu, 0));
    EXPECT_EQ(0x12345678u, scaleChannels(0x12345678u, 256));
    for (uint32_t k = 1; k <= 255; ++k) {
        for (uint32_t c = 0; c <= 255; ++c) {
            const uint32_t t = c * k + 128, expected = (t + (t >> 8)) >> 8;
            ASSERT_EQ(expected, (c * k + 127) / 255) << c << "*" << k;  // nearest, ties cannot occur
            const uint32_t word = c | (255 - c) << 8 | c << 16 | (c ^ 0x5A) << 24;
            const uint32_t scaled = scaleChannels(word, k);
            ASSERT_EQ(expected, channel(scaled, 0));
            ASSERT_EQ(expected, channel(scaled, 2));
            const uint32_t tg = (255 - c) * k + 128, ta = (c ^ 0x5A) * k + 128;
            ASSERT_EQ((tg + (tg >> 8)) >> 8, channel(scaled, 1));
            ASSERT_EQ((ta + (ta >> 8)) >> 8, channel(scaled, 3));
        }
    }
}

TEST(PixelArithmetic, InverseAlphaWeights) {
    EXPECT_EQ(256u, inverseAlpha(0));
    EXPECT_EQ(129u, inverseAlpha(127));
    EXPECT_EQ(127u, inverseAlpha(128));
    EXPECT_EQ(0u, inverseAlpha(255));
}
