// The table-driven inflater against the plain tree-walking one on damaged real zlib streams.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "png/inflate.h"
#include "support/reference_inflate.h"
#include "support/suite_files.h"

using namespace PngTest;

TEST(InflateAgainstTreeWalker, SameCodesAndBytesOnDamagedSuiteStreams) {
    const char* sources[] = {"basn6a08.png", "basi3p02.png", "z09n2c08.png", "f99n0g04.png", "oi9n2c16.png",
                             "z00n2c08.png", "ctzn0g04.png"};
    std::mt19937 rng(11);
    std::map<int, int> seen;
    for (const char* name : sources) {
        const auto stream = idatStream(readWholeFile(suiteDir() + "/" + name));
        ASSERT_GT(stream.size(), 2u) << name;
        for (int round = 0; round < 400; ++round) {
            auto damaged = stream;
            const int kind = round % 4;
            if (kind == 0) {
                damaged[2 + rng() % (damaged.size() - 2)] ^= static_cast<unsigned char>(1u << (rng() % 8));
            } else if (kind == 1) {
                damaged.resize(rng() % damaged.size());
            } else if (kind == 2) {
                for (int k = 0; k < 4; ++k) damaged[rng() % damaged.size()] = static_cast<unsigned char>(rng());
            } else {
                const size_t at = 2 + rng() % (damaged.size() - 2);
                damaged[at] = static_cast<unsigned char>(rng());
                damaged.resize(at + 1 + rng() % (damaged.size() - at));
            }
            std::vector<unsigned char> fast, plain;
            const int fastCode = Png::inflateZlib(fast, damaged.data(), damaged.size(), 1 << 20);
            const int plainCode = referenceInflateZlib(plain, damaged.data(), damaged.size(), 1 << 20);
            ASSERT_EQ(plainCode, fastCode) << name << " round " << round;
            if (fastCode == 0) {
                ASSERT_EQ(plain, fast) << name << " round " << round;
            }
            ++seen[fastCode];
        }
    }
    // The damage reaches a good spread of the decoder's checks.
    EXPECT_GE(seen.size(), 6u);
}

TEST(InflateAgainstTreeWalker, IntactSuiteStreamsInflateIdentically) {
    for (const auto& row : readSuiteTable(suiteDir())) {
        if (row.reference != "ok") continue;
        const auto stream = idatStream(readWholeFile(suiteDir() + "/" + row.file));
        std::vector<unsigned char> fast, plain;
        ASSERT_EQ(0, Png::inflateZlib(fast, stream.data(), stream.size())) << row.file;
        ASSERT_EQ(0, referenceInflateZlib(plain, stream.data(), stream.size())) << row.file;
        EXPECT_EQ(plain, fast) << row.file;
    }
}
