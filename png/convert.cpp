// Conversion of unfiltered scanlines of every colour type and bit depth to 8-bit RGBA.
#include <cstring>

#include "png/errors.h"
#include "png/imageLayout.h"

namespace Png {

namespace {

// Sample x of a row packed most significant bit first at 1, 2 or 4 bits.
inline unsigned packedSample(const unsigned char* row, size_t x, unsigned depth) {
    const size_t bit = x * depth;
    return (row[bit >> 3] >> (8 - depth - (bit & 7))) & ((1u << depth) - 1);
}

inline unsigned sample16(const unsigned char* p) { return unsigned(p[0]) << 8 | p[1]; }

inline void put(unsigned char* to, unsigned r, unsigned g, unsigned b, unsigned a) {
    to[0] = static_cast<unsigned char>(r);
    to[1] = static_cast<unsigned char>(g);
    to[2] = static_cast<unsigned char>(b);
    to[3] = static_cast<unsigned char>(a);
}

// Converts one row of `count` pixels, writing pixel x at to + x * toStep.
int convertRow(unsigned char* to, size_t toStep, const unsigned char* row, uint32_t count, const ImageHeader& header,
               const Transparency& t) {
    const unsigned depth = header.bitDepth;
    switch (header.colourType) {
        case 0:
            if (depth < 8) {
                const unsigned maxValue = (1u << depth) - 1;
                for (uint32_t x = 0; x < count; ++x, to += toStep) {
                    const unsigned s = packedSample(row, x, depth);
                    const unsigned grey = s * 255 / maxValue;
                    put(to, grey, grey, grey, t.keySet && s == t.key[0] ? 0 : 255);
                }
            } else if (depth == 8) {
                for (uint32_t x = 0; x < count; ++x, to += toStep)
                    put(to, row[x], row[x], row[x], t.keySet && row[x] == t.key[0] ? 0 : 255);
            } else {
                for (uint32_t x = 0; x < count; ++x, to += toStep) {
                    const unsigned char* p = row + 2 * size_t(x);
                    put(to, p[0], p[0], p[0], t.keySet && sample16(p) == t.key[0] ? 0 : 255);
                }
            }
            return ok;
        case 2:
            for (uint32_t x = 0; x < count; ++x, to += toStep) {
                if (depth == 8) {
                    const unsigned char* p = row + 3 * size_t(x);
                    const bool keyed = t.keySet && p[0] == t.key[0] && p[1] == t.key[1] && p[2] == t.key[2];
                    put(to, p[0], p[1], p[2], keyed ? 0 : 255);
                } else {
                    const unsigned char* p = row + 6 * size_t(x);
                    const bool keyed = t.keySet && sample16(p) == t.key[0] && sample16(p + 2) == t.key[1] &&
                                       sample16(p + 4) == t.key[2];
                    put(to, p[0], p[2], p[4], keyed ? 0 : 255);
                }
            }
            return ok;
        case 3:
            for (uint32_t x = 0; x < count; ++x, to += toStep) {
                const unsigned index = depth == 8 ? row[x] : packedSample(row, x, depth);
                if (index >= t.paletteSize) return depth == 8 ? errPaletteIndex8 : errPaletteIndexLow;
                std::memcpy(to, t.palette + 4 * index, 4);
            }
            return ok;
        case 4:
            for (uint32_t x = 0; x < count; ++x, to += toStep) {
                const unsigned char* p = row + (depth == 8 ? 2 : 4) * size_t(x);
                const unsigned alpha = depth == 8 ? p[1] : p[2];
                put(to, p[0], p[0], p[0], alpha);
            }
            return ok;
        default:  // 6
            if (depth == 8) {
                if (toStep == 4) {
                    std::memcpy(to, row, size_t(count) * 4);
                } else {
                    for (uint32_t x = 0; x < count; ++x, to += toStep) std::memcpy(to, row + 4 * size_t(x), 4);
                }
            } else {
                for (uint32_t x = 0; x < count; ++x, to += toStep) {
                    const unsigned char* p = row + 8 * size_t(x);
                    put(to, p[0], p[2], p[4], p[6]);
                }
            }
            return ok;
    }
}

}  // namespace

int convertPasses(unsigned char* rgba, const unsigned char* data, const std::vector<Pass>& passes,
                  const ImageHeader& header, const Transparency& colours) {
    for (const Pass& pass : passes) {
        const unsigned char* line = data + pass.offset;
        for (uint32_t y = 0; y < pass.height; ++y, line += pass.rowBytes + 1) {
            const size_t imageY = pass.startY + size_t(y) * pass.stepY;
            unsigned char* to = rgba + (imageY * header.width + pass.startX) * 4;
            if (int error = convertRow(to, size_t(pass.stepX) * 4, line + 1, pass.width, header, colours)) return error;
        }
    }
    return ok;
}

}  // namespace Png
