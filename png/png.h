// PNG decoding: turns the bytes of a PNG file held in memory into 8-bit RGBA pixels.
#pragma once

#include <cstddef>
#include <vector>

#include "png/errors.h"

namespace Png {

// [any thread] Decodes a whole PNG file. On success (result 0) `out` holds
// width x height pixels of red, green, blue, alpha bytes, rows top to bottom
// with no padding; every colour type and bit depth comes out this way (16-bit
// samples keep their high byte; no gamma or background is applied). On failure
// the result is one of the codes in png/errors.h and `width`, `height` and
// `out` mean nothing. Nothing is read outside [input, input + size).
// Allocation failure propagates as std::bad_alloc.
int decodePng(std::vector<unsigned char>& out, unsigned& width, unsigned& height,
              const unsigned char* input, size_t size);

// The largest image accepted, in pixels (width x height); larger ones give
// errImageSize. Keeps every buffer well inside 32-bit sizes.
constexpr unsigned long long maxImagePixels = 1ull << 25;

}  // namespace Png
