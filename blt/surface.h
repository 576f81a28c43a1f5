// 32-bit premultiplied pixel surfaces: a view over pixel memory, and an owning one decoded from PNG.
#pragma once

#include <cstddef>
#include <cstdint>

namespace QuillBLT {

// A non-owning view of 0xAARRGGBB pixel words (premultiplied colour, blue in the
// low byte, rows top to bottom). Pixel (x, y) is pixels[y * stride + x]; stride
// counts pixels, not bytes. Destroying a Surface frees nothing, so a window's
// back buffer can be wrapped as it is.
struct Surface {
    uint32_t* pixels = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;

    Surface() = default;
    Surface(uint32_t* pixels, uint32_t width, uint32_t height, uint32_t stride)
        : pixels(pixels), width(width), height(height), stride(stride) {}
    Surface(const Surface&) = default;
    Surface& operator=(const Surface&) = default;
    virtual ~Surface() = default;

    uint32_t* row(uint32_t y) const { return pixels + static_cast<size_t>(y) * stride; }
    uint32_t& at(uint32_t x, uint32_t y) const { return row(y)[x]; }
};

// A surface that owns its pixels (stride == width).
struct BasicSurface : Surface {
    // [UI thread] Decodes the bytes of a PNG file. Each decoded pixel (red,
    // green, blue, alpha) becomes alpha << 24 | red << 16 | green << 8 | blue as
    // it is: the file must already hold premultiplied colour. Throws the int 0
    // for fewer than 4 bytes, a missing PNG signature or any decoder error;
    // allocation failure throws std::bad_alloc.
    BasicSurface(size_t byteCount, const unsigned char* bytes);
    // A surface of the given size with every pixel 0.
    BasicSurface(uint32_t width, uint32_t height);
    ~BasicSurface() override;

    BasicSurface(const BasicSurface&) = delete;
    BasicSurface& operator=(const BasicSurface&) = delete;

private:
    void allocate(uint32_t width, uint32_t height);
};

}  // namespace QuillBLT
