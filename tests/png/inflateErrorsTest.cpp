// Every inflater error code from a small hand-built stream, and the inflater's own edge cases.
#include <gtest/gtest.h>

#include <algorithm>

#include "png/inflate.h"
#include "tests/support/png/pngBuilder.h"
#include "tests/support/png/referenceInflate.h"

using namespace PngTest;
using Png::inflateZlib;

namespace {

int inflateCode(const Bytes& zlib, Bytes* out = nullptr, size_t maxOutput = SIZE_MAX) {
    Bytes local;
    Bytes& target = out ? *out : local;
    const int code = inflateZlib(target, zlib.data(), zlib.size(), maxOutput);
    // The plain tree-walking inflater must agree on every stream here.
    Bytes reference;
    EXPECT_EQ(code, referenceInflateZlib(reference, zlib.data(), zlib.size(), maxOutput));
    if (code == 0) {
        EXPECT_EQ(target, reference);
    }
    return code;
}

// The zlib header and the DEFLATE data with no trailer after it, so that the
// stream ends exactly where the data does.
Bytes bare(const Bytes& deflate) {
    Bytes z(deflate.size() + 2);
    z[0] = 0x78, z[1] = 0x01;
    std::copy(deflate.begin(), deflate.end(), z.begin() + 2);
    return z;
}

int deflateCode(const BitWriter& w) { return inflateCode(bare(w.bytes)); }

// Code-length code with symbols 1 (length 2), 16, 17, 18 (lengths 2, 3, 3).
std::vector<unsigned> repeatLengths() {
    std::vector<unsigned> l(19, 0);
    l[1] = 2;
    l[0] = 2;
    l[16] = 2;
    l[17] = 3;
    l[18] = 3;
    return l;
}

// Emits lengths for literals 0..256 all 1 bit short of a full set: symbol 0
// and 256 length 1 (via 18-runs of zeros in between), ending at index 257.
void literalLengthsUpTo257(DynamicHeader& h, BitWriter& w) {
    h.sym(1);                  // lengths[0] = 1
    h.sym(18), w.bits(127, 7);  // 138 zeros -> 139
    h.sym(18), w.bits(106, 7);  // 117 zeros -> 256
    h.sym(1);                  // lengths[256] = 1 -> 257
}

Bytes header(unsigned cmf, unsigned flagBits) {
    unsigned flg = flagBits & 0xE0;
    while ((cmf * 256 + flg) % 31 != 0) ++flg;
    return {static_cast<unsigned char>(cmf), static_cast<unsigned char>(flg)};
}

}  // namespace

TEST(InflateZlibHeader, ShortBadCheckMethodWindowAndDictionaryAreRefused) {
    EXPECT_EQ(53, inflateCode({}));
    EXPECT_EQ(53, inflateCode({0x78}));
    EXPECT_EQ(24, inflateCode({0x78, 0x02, 0x03, 0x00}));
    EXPECT_EQ(25, inflateCode(header(0x79, 0)));  // method 9
    EXPECT_EQ(25, inflateCode(header(0x88, 0)));  // window field 8
    EXPECT_EQ(26, inflateCode(header(0x78, 0x20)));
}

TEST(InflateBlocks, HeaderTypeAndStoredErrors) {
    EXPECT_EQ(52, inflateCode(bare(Bytes({}))));                   // no block header at all
    EXPECT_EQ(52, inflateCode(bare(Bytes({0x00}))));               // stored, no LEN/NLEN
    EXPECT_EQ(52, inflateCode(bare(Bytes({0x00, 0, 0, 0xFF, 0xFF}))));  // non-final block, then nothing
    EXPECT_EQ(20, inflateCode(zlibWrap({0x07})));
    EXPECT_EQ(21, inflateCode(zlibWrap({0x01, 0x02, 0x00, 0xFD, 0xFE, 'a', 'b'})));
    EXPECT_EQ(23, inflateCode(bare(Bytes({0x01, 0x0A, 0x00, 0xF5, 0xFF, 'a', 'b'}))));
    Bytes out;
    EXPECT_EQ(0, inflateCode(zlibWrap({0x01, 0x02, 0x00, 0xFD, 0xFF, 'a', 'b'}), &out));
    EXPECT_EQ(Bytes({'a', 'b'}), out);
}

TEST(InflateHuffman, SymbolInputEndAndCodeLeftTree) {
    BitWriter w;
    w.bits(1, 1), w.bits(1, 2);  // final fixed block, then only 5 padding bits
    EXPECT_EQ(10, deflateCode(w));

    // A literal code holding only the end-of-block symbol (code "0"): the bit 1 leaves it.
    std::vector<unsigned> cl(19, 0);
    cl[18] = 1, cl[0] = 2, cl[1] = 2;
    BitWriter v;
    DynamicHeader h(v, true, 257, 1, cl);
    h.sym(18), v.bits(127, 7);  // 138 zeros
    h.sym(18), v.bits(107, 7);  // 118 zeros -> 256
    h.sym(1);                   // end-of-block length 1
    h.sym(0);                   // one distance length 0
    v.bits(1, 1);
    EXPECT_EQ(11, deflateCode(v));
}

TEST(InflateDynamicHeader, RepeatsPastTheLengthsAreRefusedPerSymbol) {
    const unsigned symbols[3] = {16, 17, 18}, extraBits[3] = {2, 3, 7};
    const int codes[3] = {13, 14, 15};
    for (int k = 0; k < 3; ++k) {
        BitWriter w;
        DynamicHeader h(w, true, 257, 1, repeatLengths());
        literalLengthsUpTo257(h, w);
        h.sym(symbols[k]);
        w.bits(0, extraBits[k]);  // the shortest repeat still passes 258 lengths
        EXPECT_EQ(codes[k], deflateCode(w)) << symbols[k];
    }
}

TEST(InflateDynamicHeader, TruncatedHeadersRepeatsAndOverfullCodes) {
    BitWriter w;
    w.bits(1, 1), w.bits(2, 2);  // dynamic block with no header bits after it
    EXPECT_EQ(49, deflateCode(w));

    BitWriter x;
    x.bits(1, 1), x.bits(2, 2), x.bits(0, 5), x.bits(0, 5), x.bits(15, 4);  // 19 lengths announced, none given
    EXPECT_EQ(49, deflateCode(x));

    BitWriter y;
    DynamicHeader hy(y, true, 257, 1, repeatLengths());
    hy.sym(1);
    hy.sym(18);  // its 7 extra bits are missing
    EXPECT_EQ(50, deflateCode(y));

    std::vector<unsigned> overfull(19, 0);
    overfull[0] = overfull[1] = overfull[2] = 1;
    BitWriter z;
    DynamicHeader hz(z, true, 257, 1, overfull);
    EXPECT_EQ(55, deflateCode(z));

    // Literal lengths 1,1,1 for symbols 0..2 over-fill the literal code.
    BitWriter o;
    DynamicHeader ho(o, true, 257, 1, repeatLengths());
    ho.sym(1), ho.sym(1), ho.sym(1);
    ho.sym(18), o.bits(127, 7);
    ho.sym(18), o.bits(104, 7);  // 115 zeros -> 256
    ho.sym(1), ho.sym(0);
    EXPECT_EQ(55, deflateCode(o));

    BitWriter e;
    DynamicHeader he(e, true, 257, 1, repeatLengths());
    he.sym(1);
    he.sym(18), e.bits(127, 7);
    he.sym(18), e.bits(107, 7);  // 118 zeros -> 257: end-of-block has length 0
    he.sym(1);
    EXPECT_EQ(64, deflateCode(e));

    BitWriter r;
    DynamicHeader hr(r, true, 257, 1, repeatLengths());
    hr.sym(16), r.bits(0, 2);  // repeat with no previous length
    EXPECT_EQ(Png::errRepeatWithoutLength, deflateCode(r));
}

TEST(InflateCompressedData, DistanceAndLengthErrors) {
    BitWriter w;
    w.bits(1, 1), w.bits(1, 2);
    w.fixedLiteral('a'), w.fixedLiteral(257), w.fixedDistance(30);
    EXPECT_EQ(18, deflateCode(w));

    BitWriter x;  // 32 bits exactly: the last length symbol's 5 extra bits are missing
    x.bits(1, 1), x.bits(1, 2);
    x.fixedLiteral('a'), x.fixedLiteral(265), x.bits(0, 1), x.fixedDistance(0), x.fixedLiteral(284);
    EXPECT_EQ(51, deflateCode(x));

    BitWriter y;  // 27 bits: the extra bits come from the padding, then no distance follows
    y.bits(1, 1), y.bits(1, 2);
    y.fixedLiteral('a'), y.fixedLiteral('b'), y.fixedLiteral(284);
    EXPECT_EQ(51, deflateCode(y));

    // A distance reaching before the first output byte.
    BitWriter d;
    d.bits(1, 1), d.bits(1, 2);
    d.fixedLiteral('a'), d.fixedLiteral(257), d.fixedDistance(1);  // distance 2, one byte written
    d.fixedLiteral(256);
    EXPECT_EQ(Png::errDistanceTooFar, deflateCode(d));
}

TEST(InflateCompressedData, OverlappingMatchesRepeatTheLastBytes) {
    BitWriter w;
    w.bits(1, 1), w.bits(1, 2);
    w.fixedLiteral('a'), w.fixedLiteral('b');
    w.fixedLiteral(265), w.bits(1, 1);  // length 12
    w.fixedDistance(1);                 // distance 2
    w.fixedLiteral(286);                // no meaning, skipped
    w.fixedLiteral(256);
    Bytes out;
    ASSERT_EQ(0, inflateCode(zlibWrap(w.bytes), &out));
    EXPECT_EQ(std::string("ababababababab"), std::string(out.begin(), out.end()));
}

TEST(InflateCompressedData, OutputLimitIsEnforced) {
    Bytes data(1000, 7);
    Bytes out;
    EXPECT_EQ(0, inflateCode(zlibStored(data), &out, 1000));
    EXPECT_EQ(Png::errImageDataLong, inflateCode(zlibStored(data), &out, 999));
}

TEST(InflateZlibHeader, AdlerTrailerIsNeverChecked) {
    Bytes zlib = zlibStored({1, 2, 3});
    zlib[zlib.size() - 1] ^= 0xFF;
    Bytes out;
    EXPECT_EQ(0, inflateCode(zlib, &out));
    zlib.resize(zlib.size() - 4);
    EXPECT_EQ(0, inflateCode(zlib, &out));
    EXPECT_EQ(Bytes({1, 2, 3}), out);
}
