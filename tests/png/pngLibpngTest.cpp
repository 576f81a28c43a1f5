// Differential test: a corpus written by libpng, decoded by libpng and by our decoder, must give the same RGBA.
#include <gtest/gtest.h>
#include <png.h>

#include <random>

#include "png/png.h"
#include "tests/support/png/libpngIo.h"
#include "tests/support/png/suiteFiles.h"
#include "tests/support/sameElements.h"

using namespace PngTest;
using Bytes = std::vector<unsigned char>;

TEST(PngAgainstLibpng, GeneratedCorpusDecodesIdentically) {
    const int formats[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                              {3, 2},  {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH,
                           PNG_ALL_FILTERS};
    const int sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {13, 29}, {64, 1}, {1, 64}, {100, 77}, {300, 211}};
    std::mt19937 rng(2024);
    int files = 0;
    for (const auto& format : formats) {
        for (int interlace = 0; interlace < 2; ++interlace) {
            for (size_t k = 0; k < sizeof sizes / sizeof sizes[0]; ++k) {
                const bool keyable = format[0] == 0 || format[0] == 2 || format[0] == 3;
                LibpngSpec s{format[0], format[1], sizes[k][0], sizes[k][1], interlace,
                       filters[(k + interlace) % 6], k % 2 ? 64 : 8192, int(k % 10), keyable && k % 3 != 1};
                const Bytes file = writeWithLibpng(s, rng);
                ASSERT_FALSE(file.empty());
                Bytes expected, ours;
                unsigned ew = 0, eh = 0, w = 0, h = 0;
                ASSERT_TRUE(readWithLibpng(file, expected, ew, eh));
                ASSERT_EQ(0, Png::decodePng(ours, w, h, file.data(), file.size()))
                    << "type " << s.colourType << " depth " << s.depth << " " << s.width << "x" << s.height;
                EXPECT_EQ(ew, w);
                EXPECT_EQ(eh, h);
                EXPECT_TRUE(sameElements(expected, ours)) << "type " << s.colourType << " depth " << s.depth << " interlace "
                                              << interlace << " " << s.width << "x" << s.height;
                ++files;
            }
        }
    }
    EXPECT_EQ(15 * 2 * 8, files);
}

TEST(PngAgainstLibpng, SuiteImagesDecodeIdentically) {
    for (const auto& row : readSuiteTable(suiteDir())) {
        if (row.reference != "ok") continue;
        const Bytes file = readWholeFile(suiteDir() + "/" + row.file);
        Bytes expected, ours;
        unsigned ew = 0, eh = 0, w = 0, h = 0;
        ASSERT_TRUE(readWithLibpng(file, expected, ew, eh)) << row.file;
        ASSERT_EQ(0, Png::decodePng(ours, w, h, file.data(), file.size())) << row.file;
        EXPECT_TRUE(sameElements(expected, ours)) << row.file;
    }
}
