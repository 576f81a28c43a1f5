// Canonical Huffman codes decoded through a two-level lookup table.
#pragma once

#include <cstdint>
#include <vector>

#include "png/bit_reader.h"
#include "png/errors.h"

namespace Png {

// Decodes exactly as walking the code's binary tree one bit at a time would:
// a symbol, or error 10 when the input ends before the walk does, or error 11
// at the first bit whose prefix belongs to no code.
class HuffmanCode {
public:
    // Builds the code from per-symbol lengths (0 = unused, at most 15).
    // Returns 0, or errOversubscribed when the lengths over-fill the code space.
    int build(const unsigned char* lengths, unsigned count);

    // Decodes one symbol into `symbol`; returns 0, errSymbolInputEnd or errSymbolNotInCode.
    int decode(BitReader& in, unsigned& symbol) const {
        const uint32_t bits = in.peek();
        uint32_t entry = table_[bits & primaryMask];
        if (entry & subtableFlag)
            entry = table_[(entry & 0xFFFF) + ((bits >> primaryBits) & ((1u << (entry >> 16 & 0xF)) - 1))];
        const unsigned depth = entry >> 16 & 0xF;
        if (!in.has(depth)) return errSymbolInputEnd;
        in.skip(depth);
        if (entry & invalidFlag) return errSymbolNotInCode;
        symbol = entry & 0xFFFF;
        return ok;
    }

private:
    static constexpr unsigned primaryBits = 10;
    static constexpr uint32_t primaryMask = (1u << primaryBits) - 1;
    static constexpr uint32_t invalidFlag = 1u << 20;
    static constexpr uint32_t subtableFlag = 1u << 21;
    // Entry: bits 0-15 symbol or subtable offset, 16-19 depth (bits used) or
    // subtable index width, flags above.
    std::vector<uint32_t> table_;
};

}  // namespace Png
