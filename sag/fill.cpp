// Filling accumulated coverage with a paint, adding the canvas onto window pixels, and the lamp colour.
#include <cmath>

#include "blt/pixel.h"
#include "platform/platform.h"
#include "sag/painter.h"

namespace Sag {

using QuillBLT::addSaturate;
using QuillBLT::scaleChannels;

void fillCoverage(Canvas& canvas, const CoverageBuffer& buffer, const Paint& paint) {
    for (uint32_t y = 0; y < canvas.height; ++y) {
        const CoverageBuffer::Span span = buffer.spans[y];
        if (span.first >= canvas.width || span.first >= span.end) continue;
        const int16_t* cells = buffer.row(y);
        uint32_t* pixels = canvas.pixels + size_t(y) * canvas.width;
        int32_t sum = 0;
        for (uint32_t x = span.first; x < canvas.width && x < span.end; ++x) {
            sum += cells[x];
            // Even-odd rule: coverage folds over every 512 (two whole crossings).
            if ((sum & 0x1FF) == 0) continue;
            uint32_t alpha = static_cast<uint32_t>(sum) & 0xFF;
            if (sum & 0x100) alpha = 255 - alpha;
            if (alpha == 0) continue;
            const uint32_t colour = paint.colourAt(x, y);
            if (colour == 0) continue;
            const uint32_t source = scaleChannels(colour, alpha);
            pixels[x] = addSaturate(source, scaleChannels(pixels[x], 255 - (source >> 24)));
        }
    }
}

void addCanvasTo(const Canvas& canvas, uint32_t* destination) {
    platform::gdiFlush();
    const size_t count = size_t(canvas.width) * canvas.height;
    for (size_t i = 0; i < count; ++i) destination[i] = addSaturate(canvas.pixels[i], destination[i]);
    platform::gdiFlush();
}

void addCanvasTo(const Canvas& canvas, const QuillBLT::Surface& destination) {
    platform::gdiFlush();
    for (uint32_t y = 0; y < canvas.height; ++y) {
        const uint32_t* from = canvas.pixels + size_t(y) * canvas.width;
        uint32_t* to = destination.row(y);
        for (uint32_t x = 0; x < canvas.width; ++x) to[x] = addSaturate(from[x], to[x]);
    }
    platform::gdiFlush();
}

uint32_t valueToRed(float v) {
    if (!(v > 0.0f)) v = 0.0f;  // also NaN
    if (v > 1.0f) v = 1.0f;
    const uint32_t red = static_cast<uint32_t>(std::trunc(v * 255.0f)) & 0xFF;
    return red << 16;
}

}  // namespace Sag
