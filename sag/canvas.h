// The painter's target: an owned, zero-initialised pixel buffer that can also serve as a paint.
#pragma once

#include <cstdint>

#include "sag/paint.h"

namespace Sag {

class Canvas : public Paint {
public:
    // Allocates width x height pixels set to 0 (std::bad_alloc when too large).
    Canvas(uint32_t width, uint32_t height);
    ~Canvas() override;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The pixel at (x, y), or 0 outside the canvas.
    uint32_t colourAt(uint32_t x, uint32_t y) const override;

    // Sets every pixel to 0 (the start of a frame).
    void zero();

    const uint32_t width;
    const uint32_t height;
    uint32_t* const pixels;  // row-major, row length == width
};

}  // namespace Sag
