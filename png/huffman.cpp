// Builds the two-level decoding table of a canonical Huffman code.
#include "png/huffman.h"

#include <algorithm>

namespace Png {

namespace {

constexpr unsigned maxCodeLength = 15;

struct ByteReversal {
    unsigned char table[256];
    constexpr ByteReversal() : table() {
        for (unsigned v = 0; v < 256; ++v) {
            unsigned r = 0;
            for (unsigned i = 0; i < 8; ++i) r |= ((v >> i) & 1) << (7 - i);
            table[v] = static_cast<unsigned char>(r);
        }
    }
};
constexpr ByteReversal byteReversal;

// The low `count` (1..15) bits of value in reverse order: codes are defined
// most significant bit first, the stream delivers them least significant first.
uint32_t reverseBits(uint32_t value, unsigned count) {
    const uint32_t reversed = uint32_t(byteReversal.table[value & 0xFF]) << 8 | byteReversal.table[value >> 8 & 0xFF];
    return reversed >> (16 - count);
}

}  // namespace

// Canonical codes fill the code space from its low end, so the codes cover
// exactly [0, usedSpace) in units of 2^-15, and a prefix is a tree node only
// while its interval starts below that. Only reached for bits that are not a
// code, so the walk ends here anyway: nothing is worth precomputing for it.
int HuffmanCode::leaveTree(BitReader& in, uint32_t bits) const {
    uint32_t prefix = 0;
    unsigned depth = 0;
    while (depth < maxCodeLength) {
        prefix = prefix << 1 | ((bits >> depth) & 1);
        ++depth;
        if (prefix << (maxCodeLength - depth) >= filledSpace) break;
    }
    if (!in.has(depth)) return errSymbolInputEnd;
    in.skip(depth);
    return errSymbolNotInCode;
}

int HuffmanCode::build(const unsigned char* lengths, unsigned count) {
    unsigned lengthCount[maxCodeLength + 1] = {};
    for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
    lengthCount[0] = 0;

    // Over-subscription: more codes of some length than the space left allows.
    int32_t left = 1;
    uint32_t usedSpace = 0;
    unsigned maxLength = 0;
    for (unsigned len = 1; len <= maxCodeLength; ++len) {
        left = left * 2 - static_cast<int32_t>(lengthCount[len]);
        if (left < 0) return errOversubscribed;
        usedSpace += lengthCount[len] << (maxCodeLength - len);
        if (lengthCount[len]) maxLength = len;
    }

    uint32_t nextCode[maxCodeLength + 2] = {};
    for (unsigned len = 1, code = 0; len <= maxCodeLength; ++len) {
        code = (code + lengthCount[len - 1]) << 1;
        nextCode[len] = code;
    }

    filledSpace = usedSpace;
    primaryBits = std::min(maxLength, maxPrimaryBits);
    primaryMask = (1u << primaryBits) - 1;
    const uint32_t primarySize = 1u << primaryBits;
    lookupTable.assign(primarySize, 0);

    // Each second-level table is as wide as the longest code under its prefix
    // needs, so many codes just over the first level cost a few entries each.
    unsigned char prefixWidth[1u << maxPrimaryBits];
    if (maxLength > primaryBits) {
        std::fill(prefixWidth, prefixWidth + primarySize, 0);
        uint32_t code[maxCodeLength + 2];
        std::copy(nextCode, nextCode + maxCodeLength + 2, code);
        for (unsigned symbol = 0; symbol < count; ++symbol) {
            const unsigned len = lengths[symbol];
            if (len <= primaryBits) continue;
            unsigned char& width = prefixWidth[reverseBits(code[len]++, len) & primaryMask];
            width = static_cast<unsigned char>(std::max<unsigned>(width, len - primaryBits));
        }
    }

    for (unsigned symbol = 0; symbol < count; ++symbol) {
        const unsigned len = lengths[symbol];
        if (len == 0) continue;
        const uint32_t streamBits = reverseBits(nextCode[len]++, len);
        const uint32_t entry = symbol | uint32_t(len) << 16;
        if (len <= primaryBits) {
            for (uint32_t i = streamBits; i < primarySize; i += 1u << len) lookupTable[i] = entry;
            continue;
        }
        const uint32_t prefix = streamBits & primaryMask;
        const unsigned width = prefixWidth[prefix];
        if (lookupTable[prefix] == 0) {
            lookupTable[prefix] = subtableFlag | uint32_t(width) << 16 | static_cast<uint32_t>(lookupTable.size());
            lookupTable.resize(lookupTable.size() + (size_t(1) << width), 0);
        }
        const uint32_t offset = lookupTable[prefix] & 0xFFFF;
        for (uint32_t i = streamBits >> primaryBits; i < (1u << width); i += 1u << (len - primaryBits))
            lookupTable[offset + i] = entry;
    }
    return ok;
}

}  // namespace Png
