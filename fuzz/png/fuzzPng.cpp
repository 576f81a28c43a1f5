// libFuzzer target: the PNG decoder on arbitrary bytes must return a code, never crash or read outside.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> rgba;
    unsigned width = 0, height = 0;
    const int code = Png::decodePng(rgba, width, height, data, size);
    if (code == 0 && rgba.size() != size_t(width) * height * 4) __builtin_trap();
    return 0;
}
