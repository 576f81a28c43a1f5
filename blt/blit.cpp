// copy, composite and compositeFrameBlend over premultiplied surfaces.
#include "blt/blit.h"

#include <algorithm>
#include <cstring>

#include "blt/pixel.h"

namespace QuillBLT {

namespace {

// Clips a rectangle's extent against the far edge of a surface; an offset at
// or past the edge leaves nothing.
uint32_t clipExtent(uint32_t extent, uint32_t offset, uint32_t surfaceExtent) {
    return offset >= surfaceExtent ? 0 : std::min(extent, surfaceExtent - offset);
}

inline void over(uint32_t& destination, uint32_t source) {
    destination = addSaturate(source, underSource(destination, source >> 24));
}

}  // namespace

void copy(const Surface& source, const Surface& destination, uint32_t maxWidth, uint32_t maxHeight) {
    const uint32_t width = std::min({source.width, destination.width, maxWidth});
    const uint32_t height = std::min({source.height, destination.height, maxHeight});
    if (width == 0) return;
    for (uint32_t y = 0; y < height; ++y) std::memcpy(destination.row(y), source.row(y), size_t(width) * 4);
}

void composite(const Surface& destination, uint32_t destX, uint32_t destY, uint32_t width, uint32_t height,
               const Surface& source, uint32_t sourceX, uint32_t sourceY, uint32_t tint) {
    width = clipExtent(clipExtent(width, sourceX, source.width), destX, destination.width);
    height = clipExtent(clipExtent(height, sourceY, source.height), destY, destination.height);
    for (uint32_t r = 0; r < height; ++r) {
        const uint32_t* from = source.row(sourceY + r) + sourceX;
        uint32_t* to = destination.row(destY + r) + destX;
        for (uint32_t c = 0; c < width; ++c) {
            uint32_t s = from[c];
            if (s == 0) continue;
            if (tint != noTint) s = mulChannels(tint, s);
            over(to[c], s);
        }
    }
}

void compositeFrameBlend(const Surface& destination, const Surface& a, uint32_t aX, uint32_t aY, uint32_t weight,
                         const Surface& b, uint32_t bX, uint32_t bY, uint32_t tint) {
    if (weight == 0) {
        composite(destination, frameBlendX, frameBlendY, frameBlendSize, frameBlendSize, a, aX, aY, tint);
        return;
    }
    weight = std::min<uint32_t>(weight, 255);
    uint32_t width = clipExtent(clipExtent(frameBlendSize, bX, b.width), aX, a.width);
    width = clipExtent(width, frameBlendX, destination.width);
    uint32_t height = clipExtent(clipExtent(frameBlendSize, bY, b.height), aY, a.height);
    height = clipExtent(height, frameBlendY, destination.height);
    for (uint32_t r = 0; r < height; ++r) {
        const uint32_t* fromA = a.row(aY + r) + aX;
        const uint32_t* fromB = b.row(bY + r) + bX;
        uint32_t* to = destination.row(frameBlendY + r) + frameBlendX;
        for (uint32_t c = 0; c < width; ++c) {
            const uint32_t pa = fromA[c], pb = fromB[c];
            if ((pa | pb) == 0) continue;
            uint32_t f = addSaturate(scaleChannels(pa, 256 - weight), scaleChannels(pb, weight));
            if (tint != noTint) f = mulChannels(tint, f);
            over(to[c], f);
        }
    }
}

}  // namespace QuillBLT
