// Decoding the compiled-in background bitmap, and the compiled-in atlas source.
#include "plugedit/pictures.h"

#include <cstdint>

namespace PlugEdit {

namespace {
uint32_t read32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
}  // namespace

std::unique_ptr<QuillBLT::BasicSurface> decodeBitmapFile(const unsigned char* bytes, size_t size) {
    if (!bytes || size < 54 || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
    const uint32_t dataOffset = read32(bytes + 10);
    const int32_t width = static_cast<int32_t>(read32(bytes + 18));
    const int32_t rawHeight = static_cast<int32_t>(read32(bytes + 22));
    const uint16_t bitCount = read16(bytes + 28);
    const uint32_t compression = read32(bytes + 30);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || (bitCount != 24 && bitCount != 32) ||
        compression != 0 || width > 16384 || rawHeight > 16384 || rawHeight < -16384)
        return nullptr;
    const bool bottomUp = rawHeight > 0;
    const uint32_t height = static_cast<uint32_t>(bottomUp ? rawHeight : -rawHeight);
    const size_t bytesPerPixel = bitCount / 8;
    const size_t rowBytes = (static_cast<size_t>(width) * bytesPerPixel + 3) & ~static_cast<size_t>(3);
    if (dataOffset > size || rowBytes * height > size - dataOffset) return nullptr;
    auto surface = std::make_unique<QuillBLT::BasicSurface>(static_cast<uint32_t>(width), height);
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* row = bytes + dataOffset + rowBytes * (bottomUp ? height - 1 - y : y);
        for (uint32_t x = 0; x < static_cast<uint32_t>(width); ++x) {
            const unsigned char* p = row + x * bytesPerPixel;
            surface->at(x, y) = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
        }
    }
    return surface;
}

bool embeddedAtlas(const unsigned char*& bytes, size_t& size) {
    bytes = commonTexturesPng;
    size = commonTexturesPngSize;
    return size != 0;
}

}  // namespace PlugEdit
