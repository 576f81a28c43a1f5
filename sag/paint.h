// Colour sources for the polygon painter: the abstract Paint and the one-colour SolidPaint.
#pragma once

#include <cstdint>

namespace Sag {

// A colour source: the premultiplied 0xAARRGGBB word to paint at a pixel.
// A result of 0 means nothing is painted there.
class Paint {
public:
    virtual ~Paint() = default;
    virtual uint32_t colourAt(uint32_t x, uint32_t y) const = 0;
};

// The same colour everywhere.
class SolidPaint : public Paint {
public:
    explicit SolidPaint(uint32_t colour) : colour(colour) {}
    uint32_t colourAt(uint32_t, uint32_t) const override { return colour; }

    uint32_t colour;
};

}  // namespace Sag
