// Decoded pixels of every colour type, bit depth, filter and interlacing against values computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "png/png.h"
#include "tests/support/png/pngBuilder.h"

using namespace PngTest;

namespace {

struct Decoded {
    int code = -1;
    unsigned width = 0, height = 0;
    Bytes rgba;
};

Decoded decode(const Bytes& png) {
    Decoded d;
    d.code = Png::decodePng(d.rgba, d.width, d.height, png.data(), png.size());
    return d;
}

unsigned filterCycle(unsigned row) { return row % 5; }
unsigned noFilter(unsigned) { return 0; }

std::vector<uint16_t> randomSamples(const Header& h, std::mt19937& rng) {
    std::vector<uint16_t> s(size_t(h.width) * h.height * h.channels());
    const unsigned maxValue = (1u << h.depth) - 1;
    for (auto& v : s) v = static_cast<uint16_t>(rng() % (maxValue + 1));
    return s;
}

// The RGBA bytes the decoder must produce, computed sample by sample.
Bytes expectedRgba(const Header& h, const std::vector<uint16_t>& s, const Bytes& palette, const Bytes& alphas,
                   const int key[3]) {
    Bytes out;
    const unsigned n = h.channels(), maxValue = (1u << h.depth) - 1;
    auto eight = [&](unsigned v) { return h.depth == 16 ? v >> 8 : h.depth == 8 ? v : v * 255 / maxValue; };
    for (size_t p = 0; p < size_t(h.width) * h.height; ++p) {
        const uint16_t* v = &s[p * n];
        unsigned r, g, b, a = 255;
        switch (h.colourType) {
            case 0: r = g = b = eight(v[0]); if (key && int(v[0]) == key[0]) a = 0; break;
            case 2:
                r = eight(v[0]), g = eight(v[1]), b = eight(v[2]);
                if (key && int(v[0]) == key[0] && int(v[1]) == key[1] && int(v[2]) == key[2]) a = 0;
                break;
            case 3:
                r = palette[3 * v[0]], g = palette[3 * v[0] + 1], b = palette[3 * v[0] + 2];
                a = v[0] < alphas.size() ? alphas[v[0]] : 255;
                break;
            case 4: r = g = b = eight(v[0]), a = eight(v[1]); break;
            default: r = eight(v[0]), g = eight(v[1]), b = eight(v[2]), a = eight(v[3]); break;
        }
        out.insert(out.end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                               static_cast<unsigned char>(b), static_cast<unsigned char>(a)});
    }
    return out;
}

const unsigned formats[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                               {3, 2},  {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

}  // namespace

TEST(PngDecode, EveryFormatFilterAndInterlaceGivesTheSamplesAsRgba) {
    std::mt19937 rng(5);
    for (const auto& format : formats) {
        for (unsigned interlace = 0; interlace < 2; ++interlace) {
            for (const auto& size : {std::make_pair(1u, 1u), std::make_pair(3u, 7u), std::make_pair(9u, 2u),
                                    std::make_pair(17u, 11u)}) {
                Header h;
                h.colourType = format[0], h.depth = format[1], h.interlace = interlace;
                h.width = size.first, h.height = size.second;
                const auto samples = randomSamples(h, rng);
                Bytes palette, alphas;
                std::vector<std::pair<std::string, Bytes>> chunks;
                if (h.colourType == 3) {
                    for (unsigned i = 0; i < (1u << h.depth) * 3; ++i) palette.push_back(static_cast<unsigned char>(rng()));
                    alphas = {0, 128, 7};
                    alphas.resize(std::min<size_t>(alphas.size(), 1u << h.depth));
                    chunks = {{"PLTE", palette}, {"tRNS", alphas}};
                }
                const Decoded d = decode(encodePng(h, samples, filterCycle, chunks));
                ASSERT_EQ(0, d.code);
                EXPECT_EQ(h.width, d.width);
                EXPECT_EQ(h.height, d.height);
                EXPECT_EQ(expectedRgba(h, samples, palette, alphas, nullptr), d.rgba)
                    << "type " << h.colourType << " depth " << h.depth << " interlace " << interlace << " "
                    << h.width << "x" << h.height;
            }
        }
    }
}

TEST(PngDecode, InterlacedImagesMatchTheirTwinsAtEverySmallSize) {
    std::mt19937 rng(9);
    for (unsigned w = 1; w <= 9; ++w) {
        for (unsigned ht = 1; ht <= 9; ++ht) {
            Header h;
            h.colourType = 0, h.depth = 2, h.width = w, h.height = ht;
            const auto samples = randomSamples(h, rng);
            const Decoded plain = decode(encodePng(h, samples, filterCycle));
            h.interlace = 1;
            const Decoded interlaced = decode(encodePng(h, samples, filterCycle));
            ASSERT_EQ(0, interlaced.code);
            EXPECT_EQ(plain.rgba, interlaced.rgba) << w << "x" << ht;
        }
    }
}

TEST(PngDecode, GreyLevelsOfTwoBitImagesAndHighBytesOfSixteenBit) {
    Header h;
    h.colourType = 0, h.depth = 2, h.width = 4, h.height = 1;
    const Decoded grey = decode(encodePng(h, {0, 1, 2, 3}, noFilter));
    ASSERT_EQ(0, grey.code);
    EXPECT_EQ(Bytes({0, 0, 0, 255, 85, 85, 85, 255, 170, 170, 170, 255, 255, 255, 255, 255}), grey.rgba);

    h.colourType = 6, h.depth = 16, h.width = 1;
    const Decoded rgba = decode(encodePng(h, {0x12FF, 0x3480, 0x567F, 0x9A01}, noFilter));
    ASSERT_EQ(0, rgba.code);
    EXPECT_EQ(Bytes({0x12, 0x34, 0x56, 0x9A}), rgba.rgba);
}

TEST(PngDecode, GreyKeyMakesExactlyTheMatchingSamplesTransparentAtEveryDepth) {
    for (unsigned depth : {1u, 2u, 4u, 8u, 16u}) {
        Header h;
        h.colourType = 0, h.depth = depth, h.width = 5, h.height = 3;
        std::mt19937 rng(depth);
        const auto samples = randomSamples(h, rng);
        const int key[3] = {samples[4], 0, 0};
        const Bytes trns = {static_cast<unsigned char>(key[0] >> 8), static_cast<unsigned char>(key[0])};
        const Decoded d = decode(encodePng(h, samples, filterCycle, {{"tRNS", trns}}));
        ASSERT_EQ(0, d.code);
        EXPECT_EQ(expectedRgba(h, samples, {}, {}, key), d.rgba) << depth;
    }
    // A 16-bit key compares the full sample, not its high byte.
    Header h;
    h.colourType = 2, h.depth = 16, h.width = 2, h.height = 1;
    const Decoded d = decode(encodePng(h, {0x1234, 5, 6, 0x1235, 5, 6}, noFilter, {{"tRNS", {0x12, 0x34, 0, 5, 0, 6}}}));
    ASSERT_EQ(0, d.code);
    EXPECT_EQ(Bytes({0x12, 0, 0, 0, 0x12, 0, 0, 255}), d.rgba);
}

TEST(PngDecode, SplitImageDataAndIgnoredChunksDecodeAlike) {
    Header h;
    h.width = 31, h.height = 9;
    std::mt19937 rng(3);
    const auto samples = randomSamples(h, rng);
    const Bytes zlib = zlibStored(scanlines(h, samples, filterCycle), 100);
    const Decoded whole = decode(buildPng(h, zlib));
    ASSERT_EQ(0, whole.code);
    for (size_t idat : {size_t(1), size_t(7), size_t(64)}) {
        const Decoded split = decode(buildPng(h, zlib, {{"iCCP", {1, 2, 3}}, {"bKGD", {0, 1}}, {"tEXt", {'a', 0, 'b'}}}, idat));
        ASSERT_EQ(0, split.code);
        EXPECT_EQ(whole.rgba, split.rgba) << idat;
    }
}

TEST(PngDecode, CorruptChunkCrcsAreIgnored) {
    Header h;
    h.width = 3, h.height = 2;
    std::mt19937 rng(4);
    Bytes png = encodePng(h, randomSamples(h, rng), filterCycle);
    const Decoded good = decode(png);
    png[29] ^= 0xFF;               // IHDR's CRC
    png[png.size() - 1] ^= 0xFF;   // IEND's CRC
    const Decoded bad = decode(png);
    ASSERT_EQ(0, bad.code);
    EXPECT_EQ(good.rgba, bad.rgba);
}
