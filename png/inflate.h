// The zlib (RFC 1950) and DEFLATE (RFC 1951) inflater used by the PNG decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/errors.h"

namespace Png {

// [any thread] Inflates one zlib stream: checks the two header bytes, then
// inflates the DEFLATE data after them until the final block. The Adler-32
// trailer is neither read nor checked. `out` is replaced by exactly the bytes
// produced. More than `maxOutput` bytes gives errImageDataLong. Returns 0 or an
// error code from png/errors.h; nothing is read outside [input, input + size).
int inflateZlib(std::vector<unsigned char>& out, const unsigned char* input, size_t size,
                size_t maxOutput = SIZE_MAX);

// [any thread] Inflates bare DEFLATE data (no zlib header), as above.
int inflateDeflate(std::vector<unsigned char>& out, const unsigned char* input, size_t size,
                   size_t maxOutput = SIZE_MAX);

}  // namespace Png
