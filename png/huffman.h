// Canonical Huffman codes decoded through a two-level lookup table.
#pragma once

#include <cstdint>
#include <vector>

#include "png/bitReader.h"
#include "png/errors.h"

namespace Png {

// Decodes exactly as walking the code's binary tree one bit at a time would:
// a symbol, or error 10 when the input ends before the walk does, or error 11
// at the first bit whose prefix belongs to no code.
class HuffmanCode {
public:
    // Builds the code from per-symbol lengths (0 = unused, at most 15).
    // Returns 0, or errOversubscribed when the lengths over-fill the code space.
    // The table is sized to the longest length present, so a code of short
    // lengths costs a small table; its storage is kept for the next build.
    int build(const unsigned char* lengths, unsigned count);

    // Decodes one symbol into `symbol`; returns 0, errSymbolInputEnd or errSymbolNotInCode.
    int decode(BitReader& in, unsigned& symbol) const {
        const uint32_t bits = in.peek();
        uint32_t entry = lookupTable[bits & primaryMask];
        if (entry & subtableFlag)
            entry = lookupTable[(entry & 0xFFFF) + ((bits >> primaryBits) & ((1u << (entry >> 16 & 0xF)) - 1))];
        if (entry == 0) return leaveTree(in, bits);
        const unsigned depth = entry >> 16;
        if (!in.has(depth)) return errSymbolInputEnd;
        in.skip(depth);
        symbol = entry & 0xFFFF;
        return ok;
    }

private:
    // The walk for bits that no code claims: where it leaves the tree, and why it stops.
    int leaveTree(BitReader& in, uint32_t bits) const;

    static constexpr unsigned maxPrimaryBits = 10;
    static constexpr uint32_t subtableFlag = 1u << 20;
    // Entry: 0 for bits outside the code; else bits 0-15 the symbol and bits
    // 16-19 its length, or subtableFlag with the subtable's offset in bits 0-15
    // and its index width in bits 16-19.
    std::vector<uint32_t> lookupTable = std::vector<uint32_t>(1, 0);
    unsigned primaryBits = 0;
    uint32_t primaryMask = 0;
    uint32_t filledSpace = 0;  // code space the codes fill, in units of 2^-15, from its low end
};

}  // namespace Png
