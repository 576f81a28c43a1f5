// Canvas and CoverageBuffer storage.
#include <algorithm>
#include <cstring>
#include <new>

#include "sag/canvas.h"
#include "sag/coverage.h"

namespace Sag {

namespace {

// Element count of a width x height array; a count whose byte size does not
// fit the address space fails like any allocation.
size_t checkedCount(uint32_t width, uint32_t height, size_t elementSize) {
    const uint64_t count = uint64_t(width) * height;
    if (count > SIZE_MAX / elementSize) throw std::bad_alloc();
    return static_cast<size_t>(count);
}

}  // namespace

Canvas::Canvas(uint32_t w, uint32_t h)
    : width(w), height(h), pixels(new uint32_t[checkedCount(w, h, sizeof(uint32_t))]()) {}

Canvas::~Canvas() { delete[] pixels; }

uint32_t Canvas::colourAt(uint32_t x, uint32_t y) const {
    if (x >= width || y >= height) return 0;
    return pixels[size_t(y) * width + x];
}

void Canvas::zero() { std::memset(pixels, 0, size_t(width) * height * sizeof(uint32_t)); }

CoverageBuffer::CoverageBuffer(uint32_t w, uint32_t h)
    : width(w), height(h), spans(new Span[h]), cells(nullptr) {
    try {
        cells = new int16_t[checkedCount(w, h, sizeof(int16_t))];
    } catch (...) {
        delete[] spans;
        throw;
    }
    // Every row starts as one full span so that clear() zeroes each cell once.
    for (uint32_t y = 0; y < height; ++y) spans[y] = Span{0, width};
    clear();
}

CoverageBuffer::~CoverageBuffer() {
    delete[] cells;
    delete[] spans;
}

void CoverageBuffer::clear() {
    for (uint32_t y = 0; y < height; ++y) {
        Span& span = spans[y];
        const uint32_t end = std::min(span.end, width);
        if (span.first < end) std::memset(row(y) + span.first, 0, size_t(end - span.first) * sizeof(int16_t));
        span = Span{width, 0};
    }
}

}  // namespace Sag
