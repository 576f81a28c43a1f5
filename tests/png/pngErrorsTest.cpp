// Every container-level error code of the PNG decoder from a small crafted file.
#include <gtest/gtest.h>

#include <cstring>

#include "png/png.h"
#include "tests/support/png/pngBuilder.h"

using namespace PngTest;

namespace {

int decodeCode(const Bytes& png) {
    Bytes out;
    unsigned w = 0, h = 0;
    return Png::decodePng(out, w, h, png.data(), png.size());
}

Header grey8(uint32_t w = 2, uint32_t h = 2) {
    Header hd;
    hd.width = w, hd.height = h, hd.depth = 8, hd.colourType = 0;
    return hd;
}

unsigned noFilter(unsigned) { return 0; }

Bytes validGrey() { return encodePng(grey8(), {1, 2, 3, 4}, noFilter); }

// The file with its byte at `offset` replaced.
Bytes patched(Bytes png, size_t offset, unsigned char value) {
    png[offset] = value;
    return png;
}

Bytes withChunks(const Header& h, const std::vector<std::pair<std::string, Bytes>>& chunks, const Bytes& zlib) {
    return buildPng(h, zlib, chunks);
}

}  // namespace

TEST(PngContainer, ShortEmptyAndSignatureErrors) {
    Bytes out;
    unsigned w = 0, h = 0;
    EXPECT_EQ(48, Png::decodePng(out, w, h, nullptr, 0));
    EXPECT_EQ(48, decodeCode({}));
    const Bytes png = validGrey();
    EXPECT_EQ(27, decodeCode(Bytes(png.begin(), png.begin() + 28)));
    EXPECT_EQ(28, decodeCode(patched(png, 0, 0x88)));
    EXPECT_EQ(28, decodeCode(patched(png, 7, 0x0D)));
    EXPECT_EQ(29, decodeCode(patched(png, 12, 'i')));
}

TEST(PngContainer, HeaderFieldErrors) {
    const Bytes png = validGrey();
    EXPECT_EQ(32, decodeCode(patched(png, 26, 1)));
    EXPECT_EQ(33, decodeCode(patched(png, 27, 1)));
    EXPECT_EQ(34, decodeCode(patched(png, 28, 2)));
    EXPECT_EQ(31, decodeCode(patched(png, 25, 1)));
    EXPECT_EQ(31, decodeCode(patched(png, 25, 7)));
    // Depths that do not belong to the colour type.
    const unsigned char badDepths[][2] = {{0, 3}, {0, 0}, {2, 4}, {3, 16}, {4, 1}, {6, 2}, {0, 32}};
    for (const auto& pair : badDepths) {
        Bytes p = patched(png, 25, pair[0]);
        EXPECT_EQ(37, decodeCode(patched(p, 24, pair[1]))) << int(pair[0]) << "/" << int(pair[1]);
    }
}

TEST(PngContainer, SizeLimitRejectsZeroAndHugeImagesBeforeAnyWork) {
    EXPECT_EQ(Png::errImageSize, decodeCode(encodePng(grey8(0, 1), {}, noFilter)));
    EXPECT_EQ(Png::errImageSize, decodeCode(patched(validGrey(), 19, 0)));  // width 0 (was 2)
    Bytes huge = validGrey();
    huge[16] = 0x7F, huge[20] = 0x7F;  // about 2^31 x 2^31
    EXPECT_EQ(Png::errImageSize, decodeCode(huge));
    Bytes limit = validGrey();  // 2^13 x 2^12 = 2^25 pixels is still allowed: the data is too short
    limit[18] = 0x20, limit[19] = 0, limit[22] = 0x10, limit[23] = 0;
    EXPECT_EQ(Png::errImageDataShort, decodeCode(limit));
    limit[23] = 1;  // one row more
    EXPECT_EQ(Png::errImageSize, decodeCode(limit));
}

TEST(PngChunks, WalkErrors) {
    const Bytes png = validGrey();
    // No IEND: the walk runs out of chunk headers.
    EXPECT_EQ(30, decodeCode(Bytes(png.begin(), png.end() - 12)));
    EXPECT_EQ(30, decodeCode(Bytes(png.begin(), png.end() - 4)));  // IEND header cut short
    // A chunk length with bit 31 set.
    EXPECT_EQ(63, decodeCode(patched(png, 33, 0x80)));
    // A chunk whose data runs past the end of the input (by one byte, or by its CRC's worth less).
    Bytes cut = signatureAndHeader(grey8());
    cut.insert(cut.end(), {0, 0, 0, 10, 't', 'E', 'X', 't', 1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(35, decodeCode(cut));
    EXPECT_EQ(35, decodeCode(patched(png, 36, 0xFF)));  // IDAT length made huge
    // Unknown critical chunk; unknown ancillary chunks are skipped.
    const Bytes zlib = zlibStored({0, 1, 2, 0, 3, 4});
    EXPECT_EQ(69, decodeCode(withChunks(grey8(), {{"ABCD", {1}}}, zlib)));
    EXPECT_EQ(0, decodeCode(withChunks(grey8(), {{"aBCD", {1}}, {"iCCP", {1, 2}}, {"gAMA", {0, 0, 0, 1}}}, zlib)));
}

TEST(PngChunks, PaletteAndTransparencyErrors) {
    Header pal = grey8();
    pal.colourType = 3;
    const Bytes zlib = zlibStored({0, 0, 0, 0, 0, 0});
    EXPECT_EQ(38, decodeCode(withChunks(pal, {{"PLTE", Bytes(257 * 3, 1)}}, zlib)));
    EXPECT_EQ(0, decodeCode(withChunks(pal, {{"PLTE", Bytes(256 * 3 + 2, 1)}}, zlib)));
    EXPECT_EQ(39, decodeCode(withChunks(pal, {{"tRNS", {1}}, {"PLTE", {1, 2, 3}}}, zlib)));  // before PLTE
    EXPECT_EQ(39, decodeCode(withChunks(pal, {{"PLTE", {1, 2, 3}}, {"tRNS", {1, 2}}}, zlib)));
    EXPECT_EQ(40, decodeCode(withChunks(grey8(), {{"tRNS", {0, 1, 2}}}, zlib)));
    Header rgb = grey8();
    rgb.colourType = 2;
    EXPECT_EQ(41, decodeCode(withChunks(rgb, {{"tRNS", {0, 1}}}, zlib)));
    for (unsigned type : {4u, 6u}) {
        Header alpha = grey8();
        alpha.colourType = type;
        EXPECT_EQ(42, decodeCode(withChunks(alpha, {{"tRNS", {0, 1}}}, zlib)));
    }
}

TEST(PngScanlines, FilterTypeAndDataLengthErrors) {
    EXPECT_EQ(36, decodeCode(buildPng(grey8(), zlibStored({0, 1, 2, 5, 3, 4}))));
    EXPECT_EQ(Png::errImageDataShort, decodeCode(buildPng(grey8(), zlibStored({0, 1, 2, 0, 3}))));
    EXPECT_EQ(0, decodeCode(buildPng(grey8(), zlibStored({0, 1, 2, 0, 3, 4, 9, 9}))));  // extra bytes ignored
    Bytes bomb(size_t(2) << 20, 0);
    EXPECT_EQ(Png::errImageDataLong, decodeCode(buildPng(grey8(), zlibStored(bomb))));
}

TEST(PngScanlines, PaletteIndexOutOfRange) {
    Header pal = grey8();
    pal.colourType = 3;
    EXPECT_EQ(46, decodeCode(withChunks(pal, {{"PLTE", {1, 2, 3, 4, 5, 6}}}, zlibStored({0, 0, 1, 0, 1, 2}))));
    EXPECT_EQ(46, decodeCode(buildPng(pal, zlibStored({0, 0, 0, 0, 0, 0}))));  // no PLTE at all
    pal.depth = 2;
    EXPECT_EQ(47, decodeCode(withChunks(pal, {{"PLTE", {1, 2, 3, 4, 5, 6}}}, zlibStored({0, 0x40, 0, 0x80}))));
    EXPECT_EQ(0, decodeCode(withChunks(pal, {{"PLTE", {1, 2, 3, 4, 5, 6}}}, zlibStored({0, 0x40, 0, 0x40}))));
}

TEST(PngImageData, InflaterErrorsReachTheCaller) {
    EXPECT_EQ(53, decodeCode(buildPng(grey8(), {0x78})));
    EXPECT_EQ(26, decodeCode(buildPng(grey8(), {0x78, 0xBB, 0, 0, 0, 0})));
    EXPECT_EQ(20, decodeCode(buildPng(grey8(), zlibWrap({0x07}))));
    // No IDAT at all: empty zlib data.
    Bytes png = signatureAndHeader(grey8());
    appendChunk(png, "IEND", {});
    EXPECT_EQ(53, decodeCode(png));
}
