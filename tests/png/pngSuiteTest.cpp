// The PNG suite: every accepted image decodes to the reference pixels, every corrupt one is refused.
#include <gtest/gtest.h>

#include <map>

#include "png/png.h"
#include "sha256.h"
#include "tests/support/png/suiteFiles.h"

using namespace PngTest;

namespace {

struct Result {
    int code;
    unsigned width, height;
    std::string sha256;
};

Result decodeFile(const std::string& name) {
    const auto bytes = readWholeFile(suiteDir() + "/" + name);
    EXPECT_FALSE(bytes.empty()) << "cannot read " << name;
    std::vector<unsigned char> rgba;
    Result r{0, 0, 0, ""};
    r.code = Png::decodePng(rgba, r.width, r.height, bytes.data(), bytes.size());
    if (r.code == 0) r.sha256 = pngcheck::sha256Hex(rgba.data(), rgba.size());
    return r;
}

}  // namespace

TEST(PngSuite, TableIsComplete) {
    const auto rows = readSuiteTable(suiteDir());
    EXPECT_EQ(175u, rows.size());
}

TEST(PngSuite, EveryAcceptedImageDecodesToTheReferencePixels) {
    int checked = 0;
    for (const auto& row : readSuiteTable(suiteDir())) {
        if (row.reference != "ok") continue;
        const Result r = decodeFile(row.file);
        ASSERT_EQ(0, r.code) << row.file;
        EXPECT_EQ(row.width, std::to_string(r.width)) << row.file;
        EXPECT_EQ(row.height, std::to_string(r.height)) << row.file;
        EXPECT_EQ(row.sha256, r.sha256) << row.file;
        ++checked;
    }
    EXPECT_EQ(161, checked);
}

TEST(PngSuite, CorruptImagesAreRefusedWithTheirCodes) {
    // Signature damage gives 28, colour type 31, bit depth 37; no IDAT leaves an
    // empty zlib stream (53).
    const std::map<std::string, int> codes = {
        {"xs1n0g01.png", 28}, {"xs2n0g01.png", 28}, {"xs4n0g01.png", 28}, {"xs7n0g01.png", 28},
        {"xcrn0g04.png", 28}, {"xlfn0g04.png", 28}, {"xc1n0g08.png", 31}, {"xc9n2c08.png", 31},
        {"xd0n2c08.png", 37}, {"xd3n2c08.png", 37}, {"xd9n2c08.png", 37}, {"xdtn0g01.png", 53}};
    for (const auto& row : readSuiteTable(suiteDir())) {
        if (row.reference != "error" || codes.count(row.file) == 0) continue;
        EXPECT_EQ(codes.at(row.file), decodeFile(row.file).code) << row.file;
    }
}

TEST(PngSuite, CrcOnlyDamageDecodesLikeTheIntactTwinBecauseCrcsAreNeverRead) {
    const auto rows = readSuiteTable(suiteDir());
    auto shaOf = [&](const std::string& file) {
        for (const auto& row : rows)
            if (row.file == file) return row.sha256;
        return std::string();
    };
    const Result header = decodeFile("xhdn0g08.png");
    ASSERT_EQ(0, header.code);
    EXPECT_EQ(shaOf("basn0g08.png"), header.sha256);
    const Result data = decodeFile("xcsn0g01.png");
    ASSERT_EQ(0, data.code);
    EXPECT_EQ(shaOf("basn0g01.png"), data.sha256);
}
