// 32-bit premultiplied pixel surfaces: a view over pixel memory, and an owning one decoded from PNG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace QuillBLT {

// A non-owning view of 0xAARRGGBB pixel words (premultiplied colour, blue in the
// low byte, rows top to bottom). Pixel (x, y) is pixels[y * stride + x]; stride
// counts pixels, not bytes. Destroying a Surface frees nothing, so a window's
// back buffer can be wrapped as it is. A const Surface is a fixed view: the
// pixels behind it stay writable.
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

    uint32_t* row(uint32_t y) const { return pixels + static_cast<size_t>(y) * stride; }
    uint32_t& at(uint32_t x, uint32_t y) const { return row(y)[x]; }
};

// Thrown when bytes cannot become a surface. code is one of the decoder's
// codes (png/errors.h); bytes too short for the signature or not starting with
// it give errEmptyInput, errTooShort or errSignature before any decoding.
struct DecodeError {
    int code;
};

// Pixels owned together with the view of them (stride == width). It is not a
// Surface itself: view() is, and is valid exactly as long as its owner, so no
// copy of an owner can outlive the pixels by accident.
class BasicSurface {
public:
    // [UI thread] Decodes the bytes of a PNG file. Each decoded pixel (red,
    // green, blue, alpha) becomes alpha << 24 | red << 16 | green << 8 | blue as
    // it is: the file must already hold premultiplied colour. Throws
    // DecodeError for bytes that are not a decodable PNG file; allocation
    // failure throws std::bad_alloc.
    BasicSurface(size_t byteCount, const unsigned char* bytes);
    // [any thread] A surface of the given size with every pixel 0.
    BasicSurface(uint32_t width, uint32_t height);

    BasicSurface(const BasicSurface&) = delete;
    BasicSurface& operator=(const BasicSurface&) = delete;

    const Surface& view() const { return pixelView; }
    uint32_t width() const { return pixelView.width; }
    uint32_t height() const { return pixelView.height; }
    uint32_t* pixels() const { return pixelView.pixels; }
    uint32_t& at(uint32_t x, uint32_t y) const { return pixelView.at(x, y); }

private:
    void allocate(uint32_t width, uint32_t height);

    std::unique_ptr<uint32_t[]> pixelStore;
    Surface pixelView;
};

}  // namespace QuillBLT
