// Least-significant-bit-first reader over a byte range that reads zeros past its end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Png {

// Bits are read least significant first. Peeking past the end yields zero
// bits and never touches memory outside the range; callers compare the bit
// position with `bitEnd` to tell real bits from padding.
class BitReader {
public:
    BitReader(const unsigned char* data, size_t size) : bytes(data), byteCount(size), bitEnd(size * 8) {}

    // The next 32 bits (at least 25 of them meaningful when the input lasts).
    uint32_t peek() const {
        const size_t byte = bitPos >> 3;
        uint64_t word = 0;
        if (byte + 8 <= byteCount) {
            const unsigned char* p = bytes + byte;
            word = uint64_t(p[0]) | uint64_t(p[1]) << 8 | uint64_t(p[2]) << 16 | uint64_t(p[3]) << 24 |
                   uint64_t(p[4]) << 32 | uint64_t(p[5]) << 40 | uint64_t(p[6]) << 48 | uint64_t(p[7]) << 56;
        } else {
            for (size_t i = 0; byte + i < byteCount && i < 8; ++i) word |= uint64_t(bytes[byte + i]) << (8 * i);
        }
        return static_cast<uint32_t>(word >> (bitPos & 7));
    }

    // Whether `count` more bits lie inside the input.
    bool has(size_t count) const { return bitPos <= bitEnd && bitEnd - bitPos >= count; }
    bool exhausted() const { return bitPos >= bitEnd; }

    // Reads `count` (0..25) bits; the caller has checked has(count).
    uint32_t read(unsigned count) {
        const uint32_t value = count == 0 ? 0 : peek() & ((1u << count) - 1);
        bitPos += count;
        return value;
    }
    void skip(unsigned count) { bitPos += count; }
    void alignToByte() { bitPos = (bitPos + 7) & ~size_t(7); }

    size_t bytePos() const { return bitPos >> 3; }
    const unsigned char* data() const { return bytes; }
    size_t size() const { return byteCount; }
    void setBytePos(size_t pos) { bitPos = pos * 8; }

private:
    const unsigned char* bytes;
    size_t byteCount;

public:
    const size_t bitEnd;
    size_t bitPos = 0;
};

}  // namespace Png
