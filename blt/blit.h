// The three blits between surfaces: plain copy, source-over composite, and the two-frame blend.
#pragma once

#include <cstdint>

#include "blt/surface.h"

namespace QuillBLT {

// The tint that means "no tint".
constexpr uint32_t noTint = 0xFFFFFFFFu;

// [UI thread] Copies the top-left min(source, destination, maximum) rectangle
// word for word, origin to origin, without blending.
void copy(const Surface& source, const Surface& destination, uint32_t maxWidth, uint32_t maxHeight);

// [UI thread] Draws the width x height rectangle of `source` at (sourceX, sourceY)
// over `destination` at (destX, destY) with the premultiplied source-over rule.
// Source words 0 are skipped without touching the destination; any other source
// word is first multiplied channel-wise by `tint` (unless it is noTint). The
// rectangle is clipped at the right and bottom edges of both surfaces; an
// offset at or beyond a surface's edge draws nothing.
void composite(const Surface& destination, uint32_t destX, uint32_t destY, uint32_t width, uint32_t height,
               const Surface& source, uint32_t sourceX, uint32_t sourceY, uint32_t tint = noTint);

// The fixed place and size of the frame drawn by compositeFrameBlend.
constexpr uint32_t frameBlendX = 20;
constexpr uint32_t frameBlendY = 14;
constexpr uint32_t frameBlendSize = 40;

// [UI thread] Cross-fades the 40 x 40 frames at (aX, aY) of `a` and (bX, bY) of
// `b` (weight 0..255 is the share of b), tints the blend, and composites it
// over `destination` at (20, 14). Weight 0 is exactly composite() of frame a.
// a and b may be the same surface. Weights above 255 count as 255.
void compositeFrameBlend(const Surface& destination, const Surface& a, uint32_t aX, uint32_t aY, uint32_t weight,
                         const Surface& b, uint32_t bX, uint32_t bY, uint32_t tint = noTint);

}  // namespace QuillBLT
