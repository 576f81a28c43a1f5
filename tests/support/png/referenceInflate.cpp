// Bit-at-a-time, tree-walking DEFLATE decoder used as the oracle in tests and as the "before" in benchmarks.
#include "referenceInflate.h"

#include <cstdint>

#include "png/errors.h"

namespace PngTest {

using namespace Png;

namespace {

struct Tree {
    // nodes[i][bit]: -1 no child, >= 0 internal node index, <= -2 leaf of symbol (-2 - value).
    std::vector<int> nodes;
    int build(const unsigned char* lengths, unsigned count) {
        nodes.assign(2, -1);
        unsigned lengthCount[16] = {};
        for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
        lengthCount[0] = 0;
        long left = 1;
        for (int len = 1; len <= 15; ++len) {
            left = left * 2 - lengthCount[len];
            if (left < 0) return errOversubscribed;
        }
        unsigned next[16] = {};
        unsigned code = 0;
        for (int len = 1; len <= 15; ++len) {
            code = (code + lengthCount[len - 1]) << 1;
            next[len] = code;
        }
        for (unsigned s = 0; s < count; ++s) {
            const unsigned len = lengths[s];
            if (!len) continue;
            const unsigned c = next[len]++;
            size_t node = 0;
            for (int bit = int(len) - 1; bit >= 0; --bit) {
                const unsigned b = (c >> bit) & 1;
                int& child = nodes[2 * node + b];
                if (bit == 0) {
                    child = -2 - int(s);
                } else {
                    if (child == -1) {
                        child = int(nodes.size() / 2);
                        nodes.push_back(-1);
                        nodes.push_back(-1);
                    }
                    node = size_t(nodes[2 * node + b]);
                }
            }
        }
        return ok;
    }
};

class Reader {
public:
    Reader(const unsigned char* d, size_t n) : data(d), bits(n * 8) {}
    bool has(size_t n) const { return pos <= bits && bits - pos >= n; }
    unsigned bit() {
        const unsigned b = (data[pos >> 3] >> (pos & 7)) & 1;
        ++pos;
        return b;
    }
    unsigned read(unsigned n) {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i) v |= bit() << i;
        return v;
    }
    int decode(const Tree& tree, unsigned& symbol) {
        size_t node = 0;
        for (;;) {
            if (!has(1)) return errSymbolInputEnd;
            const int child = tree.nodes[2 * node + bit()];
            if (child == -1) return errSymbolNotInCode;
            if (child <= -2) {
                symbol = unsigned(-2 - child);
                return ok;
            }
            node = size_t(child);
        }
    }
    const unsigned char* data;
    size_t bits;
    size_t pos = 0;
};

const unsigned lengthBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned distBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const unsigned distExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

int inflateBlocks(std::vector<unsigned char>& out, Reader& in, size_t maxOutput) {
    for (;;) {
        if (!in.has(3)) return errBlockHeaderEnd;
        const unsigned final = in.read(1), type = in.read(2);
        Tree literal, distance;
        if (type == 3) return errBlockType;
        if (type == 0) {
            in.pos = (in.pos + 7) / 8 * 8;
            if (!in.has(32)) return errBlockHeaderEnd;
            const unsigned len = in.read(16), nlen = in.read(16);
            if (len + nlen != 65535) return errStoredLength;
            if (!in.has(size_t(len) * 8)) return errStoredPastInput;
            if (out.size() + len > maxOutput) return errImageDataLong;
            for (unsigned i = 0; i < len; ++i) out.push_back(static_cast<unsigned char>(in.read(8)));
        } else {
            unsigned char lengths[320] = {};
            unsigned hlit = 288, hdist = 32;
            if (type == 1) {
                for (unsigned i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
                for (unsigned i = 0; i < 32; ++i) lengths[288 + i] = 5;
            } else {
                if (!in.has(14)) return errDynamicHeaderEnd;
                hlit = in.read(5) + 257;
                hdist = in.read(5) + 1;
                const unsigned hclen = in.read(4) + 4;
                if (!in.has(3 * hclen)) return errDynamicHeaderEnd;
                static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
                unsigned char clens[19] = {};
                for (unsigned i = 0; i < hclen; ++i) clens[order[i]] = static_cast<unsigned char>(in.read(3));
                Tree codeLengths;
                if (int e = codeLengths.build(clens, 19)) return e;
                for (unsigned i = 0; i < hlit + hdist;) {
                    unsigned sym = 0;
                    if (int e = in.decode(codeLengths, sym)) return e;
                    if (sym < 16) { lengths[i++] = static_cast<unsigned char>(sym); continue; }
                    if (sym > 18) return errCodeLengthSymbol;
                    unsigned repeat = 0;
                    unsigned char value = 0;
                    if (sym == 16) {
                        if (i == 0) return errRepeatWithoutLength;
                        if (!in.has(2)) return errRepeatInputEnd;
                        repeat = 3 + in.read(2);
                        if (i + repeat > hlit + hdist) return errRepeatPastLengths;
                        value = lengths[i - 1];
                    } else if (sym == 17) {
                        if (!in.has(3)) return errRepeatInputEnd;
                        repeat = 3 + in.read(3);
                        if (i + repeat > hlit + hdist) return errZeroRunPastLengths;
                    } else {
                        if (!in.has(7)) return errRepeatInputEnd;
                        repeat = 11 + in.read(7);
                        if (i + repeat > hlit + hdist) return errLongZeroRunPastLengths;
                    }
                    while (repeat--) lengths[i++] = value;
                }
                if (lengths[256] == 0) return errNoEndOfBlock;
            }
            if (int e = literal.build(lengths, hlit)) return e;
            if (int e = distance.build(lengths + hlit, hdist)) return e;
            for (;;) {
                unsigned sym = 0;
                if (int e = in.decode(literal, sym)) return e;
                if (sym < 256) {
                    if (out.size() + 1 > maxOutput) return errImageDataLong;
                    out.push_back(static_cast<unsigned char>(sym));
                } else if (sym == 256) {
                    break;
                } else if (sym <= 285) {
                    const unsigned li = sym - 257;
                    if (!in.has(lengthExtra[li])) return errBlockDataEnd;
                    const size_t length = lengthBase[li] + in.read(lengthExtra[li]);
                    if (!in.has(1)) return errBlockDataEnd;
                    unsigned ds = 0;
                    if (int e = in.decode(distance, ds)) return e;
                    if (ds > 29) return errDistanceSymbol;
                    if (!in.has(distExtra[ds])) return errBlockDataEnd;
                    const size_t back = distBase[ds] + in.read(distExtra[ds]);
                    if (back > out.size()) return errDistanceTooFar;
                    if (out.size() + length > maxOutput) return errImageDataLong;
                    for (size_t k = 0; k < length; ++k) out.push_back(out[out.size() - back]);
                }
            }
        }
        if (final) return ok;
    }
}

}  // namespace

int referenceInflateZlib(std::vector<unsigned char>& out, const unsigned char* input, size_t size, size_t maxOutput) {
    out.clear();
    if (!input || size < 2) return errZlibTooShort;
    if ((input[0] * 256u + input[1]) % 31 != 0) return errZlibCheck;
    if ((input[0] & 15) != 8 || (input[0] >> 4) > 7) return errZlibMethod;
    if (input[1] & 0x20) return errZlibDictionary;
    Reader in(input + 2, size - 2);
    return inflateBlocks(out, in, maxOutput);
}

}  // namespace PngTest
