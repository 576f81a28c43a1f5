// BasicSurface from PNG bytes: the pixel word layout and every refusal; the shared atlas holder.
#include <gtest/gtest.h>

#include "blt/atlas.h"
#include "blt/surface.h"
#include "png/errors.h"
#include "tests/support/png/pngBuilder.h"
#include "tests/support/png/suiteFiles.h"

using namespace QuillBLT;
using PngTest::Bytes;

namespace {

unsigned noFilter(unsigned) { return 0; }

Bytes onePixel(uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    PngTest::Header h;
    h.width = 2, h.height = 1;
    return PngTest::encodePng(h, {r, g, b, a, 0, 0, 0, 0}, noFilter);
}

int thrownBy(const Bytes& bytes) {
    try {
        BasicSurface s(bytes.size(), bytes.data());
    } catch (const DecodeError& error) {
        return error.code;
    }
    return -1;
}

Bytes atlasBytes;
bool testSource(const unsigned char*& bytes, size_t& size) {
    bytes = atlasBytes.data();
    size = atlasBytes.size();
    return true;
}

}  // namespace

TEST(BasicSurfaceFromPng, DecodedRgbaBecomesAlphaRedGreenBlueWords) {
    const Bytes png = onePixel(0x11, 0x22, 0x33, 0x44);
    BasicSurface s(png.size(), png.data());
    EXPECT_EQ(2u, s.width());
    EXPECT_EQ(1u, s.height());
    EXPECT_EQ(2u, s.view().stride);
    EXPECT_EQ(0x44112233u, s.at(0, 0));
    EXPECT_EQ(0u, s.at(1, 0));
}

TEST(BasicSurfaceFromPng, EachRefusalThrowsTheDecodersCode) {
    const Bytes png = onePixel(1, 2, 3, 4);
    EXPECT_EQ(Png::errEmptyInput, thrownBy(Bytes()));
    EXPECT_EQ(Png::errTooShort, thrownBy(Bytes(png.begin(), png.begin() + 3)));
    Bytes foreign = png;
    foreign[1] = 'Q';
    EXPECT_EQ(Png::errSignature, thrownBy(foreign));
    Bytes broken = png;
    broken[25] = 9;  // colour type 9
    EXPECT_EQ(Png::errColourType, thrownBy(broken));
    EXPECT_EQ(Png::errTooShort, thrownBy(Bytes(png.begin(), png.begin() + 20)));
}

TEST(TextureAtlas, DecodedOnceAndAbsentWhileTheBytesAreBad) {
    atlasBytes = onePixel(0x10, 0x20, 0x30, 0x40);
    atlasBytes[25] = 9;
    setAtlasSource(testSource);
    EXPECT_EQ(nullptr, commonTextures());
    atlasBytes = onePixel(0x10, 0x20, 0x30, 0x40);  // the next request tries again
    const Surface* atlas = commonTextures();
    ASSERT_NE(nullptr, atlas);
    EXPECT_EQ(0x40102030u, atlas->at(0, 0));
    EXPECT_EQ(atlas, commonTextures());
    releaseCommonTextures();
    setAtlasSource(nullptr);
#if !defined(_WIN32)
    EXPECT_EQ(nullptr, commonTextures());  // no resource off Windows
#endif
}

TEST(TextureAtlasResource, DecodesTo480By480PremultipliedPixels) {
    const std::string path = std::string(ORVALT_SOURCE_DIR) + "/resources/commonTextures.png";
    const auto bytes = PngTest::readWholeFile(path);
    if (bytes.empty()) GTEST_SKIP() << "no atlas at " << path;
    BasicSurface atlas(bytes.size(), bytes.data());
    ASSERT_EQ(480u, atlas.width());
    ASSERT_EQ(480u, atlas.height());
    size_t visible = 0;
    for (uint32_t i = 0; i < 480 * 480; ++i) {
        const uint32_t p = atlas.pixels()[i], a = p >> 24;
        ASSERT_LE((p >> 16) & 0xFF, a) << i;
        ASSERT_LE((p >> 8) & 0xFF, a) << i;
        ASSERT_LE(p & 0xFF, a) << i;
        visible += a != 0;
    }
    EXPECT_GT(visible, 0u);
}
