// Packed arithmetic on premultiplied 0xAARRGGBB pixel words, two channels per operation.
#pragma once

#include <cstdint>

namespace QuillBLT {

// Channel-wise product: each channel becomes (m + (m >> 7)) >> 8 with m = p_c * q_c,
// so 255 * x gives x back and the tint 0xFFFFFFFF is neutral.
inline uint32_t mulChannels(uint32_t p, uint32_t q) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t m = ((p >> shift) & 0xFF) * ((q >> shift) & 0xFF);
        result |= ((m + (m >> 7)) >> 8) << shift;
    }
    return result;
}

// Channel-wise sum clamped at 255; 0 on either side returns the other word as it is.
inline uint32_t addSaturate(uint32_t p, uint32_t q) {
    if (p == 0) return q;
    if (q == 0) return p;
    uint32_t rb = (p & 0x00FF00FFu) + (q & 0x00FF00FFu);
    uint32_t ag = ((p >> 8) & 0x00FF00FFu) + ((q >> 8) & 0x00FF00FFu);
    // A carry into bit 8 of a lane saturates that lane to 0xFF.
    rb |= ((rb >> 8) & 0x00010001u) * 0xFF;
    ag |= ((ag >> 8) & 0x00010001u) * 0xFF;
    return (rb & 0x00FF00FFu) | ((ag & 0x00FF00FFu) << 8);
}

// Multiplies every channel by k/255, rounded to nearest, for k in 0..256
// (0 gives 0, 256 leaves c as it is).
inline uint32_t scaleChannels(uint32_t c, uint32_t k) {
    if (k == 0) return 0;
    if (k >= 256) return c;
    uint32_t rb = (c & 0x00FF00FFu) * k + 0x00800080u;
    uint32_t ag = ((c >> 8) & 0x00FF00FFu) * k + 0x00800080u;
    rb = (rb + ((rb >> 8) & 0x00FF00FFu)) >> 8;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) >> 8;
    return (rb & 0x00FF00FFu) | ((ag & 0x00FF00FFu) << 8);
}

// The weight (0..256) left for the destination under a source of alpha a (0..255).
inline uint32_t inverseAlpha(uint32_t a) { return 256 - (a + (a >> 7)); }

// The destination word scaled by inverseAlpha, with the shortcuts for weights 0 and 256.
inline uint32_t underSource(uint32_t destination, uint32_t sourceAlpha) {
    const uint32_t k = inverseAlpha(sourceAlpha);
    if (k == 0) return 0;
    if (k == 256) return destination;
    return scaleChannels(destination, k);
}

}  // namespace QuillBLT
