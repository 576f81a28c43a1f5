// Builds the two-level decoding table of a canonical Huffman code.
#include "png/huffman.h"

namespace Png {

namespace {

constexpr unsigned maxCodeLength = 15;

uint32_t reverseBits(uint32_t value, unsigned count) {
    uint32_t result = 0;
    for (unsigned i = 0; i < count; ++i) result = (result << 1) | ((value >> i) & 1);
    return result;
}

// The number of bits after which the tree walk for the code-order bit string
// `prefix` (of `bits` bits) leaves the tree. Canonical codes fill the code space
// from its low end, so the codes cover exactly [0, usedSpace) in units of
// 2^-15, and a prefix is a tree node only while its interval starts below that.
unsigned leaveDepth(uint32_t prefix, unsigned bits, uint32_t usedSpace) {
    for (unsigned depth = 1; depth < bits; ++depth) {
        if ((prefix >> (bits - depth)) << (maxCodeLength - depth) >= usedSpace) return depth;
    }
    return bits;
}

}  // namespace

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

    const unsigned subBits = maxLength > primaryBits ? maxLength - primaryBits : 0;
    table_.assign(1u << primaryBits, 0);
    for (unsigned symbol = 0; symbol < count; ++symbol) {
        const unsigned len = lengths[symbol];
        if (len == 0) continue;
        const uint32_t streamBits = reverseBits(nextCode[len]++, len);
        const uint32_t entry = symbol | uint32_t(len) << 16;
        if (len <= primaryBits) {
            for (uint32_t i = streamBits; i < (1u << primaryBits); i += 1u << len) table_[i] = entry;
            continue;
        }
        const uint32_t prefix = streamBits & primaryMask;
        if (table_[prefix] == 0) {
            table_[prefix] = subtableFlag | uint32_t(subBits) << 16 | static_cast<uint32_t>(table_.size());
            table_.resize(table_.size() + (size_t(1) << subBits), 0);
        }
        const uint32_t offset = table_[prefix] & 0xFFFF;
        for (uint32_t i = streamBits >> primaryBits; i < (1u << subBits); i += 1u << (len - primaryBits))
            table_[offset + i] = entry;
    }

    // Every bit string that no code claims ends the walk with error 11.
    for (uint32_t i = 0; i < (1u << primaryBits); ++i) {
        const uint32_t entry = table_[i];
        if (entry == 0) {
            table_[i] = invalidFlag | leaveDepth(reverseBits(i, primaryBits), primaryBits, usedSpace) << 16;
        } else if (entry & subtableFlag) {
            const uint32_t offset = entry & 0xFFFF;
            for (uint32_t j = 0; j < (1u << subBits); ++j) {
                if (table_[offset + j] != 0) continue;
                const uint32_t prefix = reverseBits(i, primaryBits) << subBits | reverseBits(j, subBits);
                table_[offset + j] = invalidFlag | leaveDepth(prefix, primaryBits + subBits, usedSpace) << 16;
            }
        }
    }
    return ok;
}

}  // namespace Png
