// The table-driven inflater against the plain tree-walking one on damaged real zlib streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>

#include "png/inflate.h"
#include "tests/support/png/pngBuilder.h"
#include "tests/support/png/referenceInflate.h"
#include "tests/support/png/suiteFiles.h"

using namespace PngTest;

// Inflates with both: the tree walk must give the table inflater's code and,
// on success, its bytes. code and out get the table inflater's answer.
static ::testing::AssertionResult agreesWithTreeWalk(const Bytes& stream, size_t maxOutput, int& code, Bytes& out) {
    Bytes plain;
    code = Png::inflateZlib(out, stream.data(), stream.size(), maxOutput);
    const int plainCode = referenceInflateZlib(plain, stream.data(), stream.size(), maxOutput);
    if (plainCode == code && (code != 0 || plain == out)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "code " << code << " (" << out.size() << " bytes), tree walk "
                                         << plainCode << " (" << plain.size() << " bytes)";
}

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
            Bytes fast;
            int fastCode;
            ASSERT_TRUE(agreesWithTreeWalk(damaged, 1 << 20, fastCode, fast)) << name << " round " << round;
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
        Bytes fast;
        int code;
        ASSERT_TRUE(agreesWithTreeWalk(stream, SIZE_MAX, code, fast)) << row.file;
        ASSERT_EQ(0, code) << row.file;
    }
}

// Codes of every shape the table must size itself to: 1-bit, only-long
// (subtables), many 11-bit codes beside one 15-bit code, incomplete codes
// (bits that leave the tree), an empty distance code. Each stream is inflated
// whole, cut at every byte and damaged bit by bit; the tree walk must agree.
TEST(InflateAgainstTreeWalker, CodesOfEveryShapeAgreeWholeCutAndDamaged) {
    struct Shape {
        std::vector<unsigned> literal, distance;
        std::vector<unsigned> symbols;
    };
    std::vector<Shape> shapes;
    {
        Shape s{std::vector<unsigned>(257, 0), {1}, {0, 0, 0}};
        s.literal[0] = s.literal[256] = 1;
        shapes.push_back(s);
    }
    {
        Shape s{std::vector<unsigned>(258, 0), {15}, {65, 66}};
        s.literal[65] = s.literal[66] = s.literal[256] = 15;
        shapes.push_back(s);
    }
    {
        Shape s{std::vector<unsigned>(286, 11), std::vector<unsigned>(30, 11), {0, 200, 255, 10}};
        s.literal[285] = 15;
        s.distance[29] = 15;
        shapes.push_back(s);
    }
    {
        Shape s{std::vector<unsigned>(257, 0), {0}, {7, 7, 9}};  // three codes of 2 bits: "11" is no code
        s.literal[7] = s.literal[9] = s.literal[256] = 2;
        shapes.push_back(s);
    }
    std::mt19937 rng(5);
    for (size_t i = 0; i < shapes.size(); ++i) {
        const Shape& shape = shapes[i];
        BitWriter w;
        for (int block = 0; block < 3; ++block) dynamicBlock(w, block == 2, shape.literal, shape.distance, shape.symbols);
        const Bytes stream = zlibWrap(w.bytes);
        Bytes fast, plain;
        int code;
        ASSERT_TRUE(agreesWithTreeWalk(stream, SIZE_MAX, code, fast)) << "shape " << i;
        ASSERT_EQ(0, code) << "shape " << i;
        EXPECT_EQ(fast.size(), 3 * shape.symbols.size()) << "shape " << i;
        for (size_t cut = 0; cut < stream.size(); ++cut) {
            const int fastCode = Png::inflateZlib(fast, stream.data(), cut);
            ASSERT_EQ(referenceInflateZlib(plain, stream.data(), cut), fastCode) << "shape " << i << " cut " << cut;
        }
        for (int round = 0; round < 300; ++round) {
            Bytes damaged = stream;
            damaged[2 + rng() % (damaged.size() - 2)] ^= static_cast<unsigned char>(1u << (rng() % 8));
            ASSERT_TRUE(agreesWithTreeWalk(damaged, 1 << 16, code, fast)) << "shape " << i << " round " << round;
        }
    }
}

TEST(InflateAgainstTreeWalker, ManyTinyBlocksInflateIdentically) {
    for (bool longCodes : {false, true}) {
        const Bytes stream = tinyBlocksStream(1001, longCodes);
        Bytes fast;
        int code;
        ASSERT_TRUE(agreesWithTreeWalk(stream, SIZE_MAX, code, fast));
        ASSERT_EQ(0, code);
        EXPECT_EQ(fast, Bytes(500, 0));
    }
}
