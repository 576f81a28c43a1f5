// libFuzzer target: the table-driven inflater on arbitrary zlib data, checked against the plain tree walker.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/inflate.h"
#include "tests/support/png/referenceInflate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t limit = size_t(1) << 24;
    std::vector<unsigned char> fast, plain;
    const int code = Png::inflateZlib(fast, data, size, limit);
    // Any difference in result code or bytes is a bug in one of the two.
    if (code != PngTest::referenceInflateZlib(plain, data, size, limit)) __builtin_trap();
    if (code == 0 && fast != plain) __builtin_trap();
    std::vector<unsigned char> raw;
    Png::inflateDeflate(raw, data, size, limit);
    return 0;
}
