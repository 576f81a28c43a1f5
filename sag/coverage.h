// The signed sub-pixel coverage accumulator that polygons are rasterized into.
#pragma once

#include <cstdint>

namespace Sag {

// A point in pixels (x to the right, y downward).
struct Point {
    float x;
    float y;
};

// Cells hold 16-bit coverage differences: a pixel's coverage is the running sum
// of its row's cells up to and including its own; one edge crossing a whole
// pixel row contributes +-256. Each row records the half-open column span
// [first, end) whose cells may be non-zero (empty: first == width, end == 0).
class CoverageBuffer {
public:
    struct Span {
        uint32_t first;
        uint32_t end;
    };

    // Allocates the cells and spans and clears them (std::bad_alloc when too large).
    CoverageBuffer(uint32_t width, uint32_t height);
    ~CoverageBuffer();
    CoverageBuffer(const CoverageBuffer&) = delete;
    CoverageBuffer& operator=(const CoverageBuffer&) = delete;

    // Zeroes the cells inside every row's span and empties the spans.
    void clear();

    int16_t* row(uint32_t y) const { return cells + static_cast<size_t>(y) * width; }

    const uint32_t width;
    const uint32_t height;
    Span* spans;     // one per row
    int16_t* cells;  // width x height, row-major
};

}  // namespace Sag
