// BasicSurface: owned pixel arrays, and decoding them from PNG bytes.
#include "blt/surface.h"

#include <cstring>
#include <new>
#include <vector>

#include "png/png.h"

namespace QuillBLT {

void BasicSurface::allocate(uint32_t w, uint32_t h) {
    const uint64_t count = uint64_t(w) * h;
    if (count > SIZE_MAX / sizeof(uint32_t)) throw std::bad_alloc();
    pixelStore.reset(new uint32_t[static_cast<size_t>(count)]());
    pixelView = Surface(pixelStore.get(), w, h, w);
}

BasicSurface::BasicSurface(uint32_t w, uint32_t h) { allocate(w, h); }

BasicSurface::BasicSurface(size_t byteCount, const unsigned char* bytes) {
    static const unsigned char signature[4] = {0x89, 'P', 'N', 'G'};
    if (bytes == nullptr || byteCount == 0) throw DecodeError{Png::errEmptyInput};
    if (byteCount < 4) throw DecodeError{Png::errTooShort};
    if (std::memcmp(bytes, signature, 4) != 0) throw DecodeError{Png::errSignature};
    std::vector<unsigned char> rgba;
    unsigned w = 0, h = 0;
    if (const int code = Png::decodePng(rgba, w, h, bytes, byteCount)) throw DecodeError{code};
    allocate(w, h);
    const unsigned char* p = rgba.data();
    const size_t count = size_t(w) * h;
    uint32_t* pixels = pixelStore.get();
    for (size_t i = 0; i < count; ++i, p += 4)
        pixels[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

}  // namespace QuillBLT
