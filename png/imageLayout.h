// Header fields of a PNG image and the geometry of its scanlines and Adam7 passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Png {

struct ImageHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    unsigned bitDepth = 0;
    unsigned colourType = 0;
    unsigned interlace = 0;

    unsigned channels() const;
    unsigned bitsPerPixel() const { return bitDepth * channels(); }
};

// One sub-image of the scanline data: the whole image, or one Adam7 pass.
struct Pass {
    uint32_t startX, startY, stepX, stepY;
    uint32_t width, height;  // in pixels; 0 when the pass is empty
    size_t rowBytes;         // bytes per row without the filter-type byte
    size_t offset;           // where the pass starts in the scanline data
};

// The passes of the image (one, or seven when interlaced) and the total number
// of scanline bytes they take, filter-type bytes included.
std::vector<Pass> scanlinePasses(const ImageHeader& header, size_t& totalBytes);

// Reverses the scanline filters of every pass in place. Returns 0 or errFilterType.
int unfilterPasses(unsigned char* data, const std::vector<Pass>& passes, unsigned bitsPerPixel);

// Turns the unfiltered passes into 8-bit RGBA at their places in `rgba`
// (width x height x 4 bytes). Returns 0, errPaletteIndex8 or errPaletteIndexLow.
struct Transparency {
    bool keySet = false;
    uint16_t key[3] = {0, 0, 0};   // grey, or red, green, blue
    unsigned char palette[256 * 4] = {};  // red, green, blue, alpha
    unsigned paletteSize = 0;
};
int convertPasses(unsigned char* rgba, const unsigned char* data, const std::vector<Pass>& passes,
                  const ImageHeader& header, const Transparency& colours);

}  // namespace Png
