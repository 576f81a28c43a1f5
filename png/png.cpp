// The PNG container: signature and header checks, the chunk walk, then inflate, unfilter and convert.
#include "png/png.h"

#include <cstring>

#include "png/imageLayout.h"
#include "png/inflate.h"

namespace Png {

namespace {

uint32_t readBigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool depthAllowed(unsigned colourType, unsigned depth) {
    switch (colourType) {
        case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        default: return depth == 8 || depth == 16;  // 2, 4, 6
    }
}

int readHeader(const unsigned char* input, size_t size, ImageHeader& header) {
    static const unsigned char signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (size <= 28) return errTooShort;
    if (std::memcmp(input, signature, 8) != 0) return errSignature;
    if (std::memcmp(input + 12, "IHDR", 4) != 0) return errNoHeader;
    header.width = readBigEndian32(input + 16);
    header.height = readBigEndian32(input + 20);
    header.bitDepth = input[24];
    header.colourType = input[25];
    header.interlace = input[28];
    if (input[26] != 0) return errCompressionMethod;
    if (input[27] != 0) return errFilterMethod;
    if (header.interlace > 1) return errInterlaceMethod;
    const unsigned type = header.colourType;
    if (type != 0 && type != 2 && type != 3 && type != 4 && type != 6) return errColourType;
    if (!depthAllowed(type, header.bitDepth)) return errBitDepth;
    if (header.width == 0 || header.height == 0 || uint64_t(header.width) * header.height > maxImagePixels)
        return errImageSize;
    return ok;
}

int readTransparency(const unsigned char* data, uint32_t length, const ImageHeader& header, Transparency& t) {
    switch (header.colourType) {
        case 3:
            if (length > t.paletteSize) return errTooManyAlphas;
            for (uint32_t i = 0; i < length; ++i) t.palette[4 * i + 3] = data[i];
            return ok;
        case 0:
            if (length != 2) return errGreyKeySize;
            t.keySet = true;
            t.key[0] = static_cast<uint16_t>(data[0] << 8 | data[1]);
            return ok;
        case 2:
            if (length != 6) return errColourKeySize;
            t.keySet = true;
            for (int i = 0; i < 3; ++i) t.key[i] = static_cast<uint16_t>(data[2 * i] << 8 | data[2 * i + 1]);
            return ok;
        default: return errKeyWithAlpha;
    }
}

// Walks the chunks after IHDR, gathering the image data, palette and transparency.
int readChunks(const unsigned char* input, size_t size, const ImageHeader& header, std::vector<unsigned char>& imageData,
               Transparency& t) {
    for (size_t pos = 33;;) {
        if (pos >= size || size - pos < 9) return errChunkHeaderPastEnd;
        const uint32_t length = readBigEndian32(input + pos);
        if (length & 0x80000000u) return errChunkLength;
        // The whole payload must lie inside the input (the CRC after it is never read).
        if (length > size - pos - 8) return errChunkDataPastEnd;
        const unsigned char* type = input + pos + 4;
        const unsigned char* data = input + pos + 8;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            imageData.insert(imageData.end(), data, data + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return ok;
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            const uint32_t entries = length / 3;
            if (entries > 256) return errPaletteSize;
            t.paletteSize = entries;
            for (uint32_t i = 0; i < entries; ++i) {
                std::memcpy(t.palette + 4 * i, data + 3 * i, 3);
                t.palette[4 * i + 3] = 255;
            }
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (int error = readTransparency(data, length, header, t)) return error;
        } else if (!(type[0] & 0x20)) {
            return errCriticalChunk;
        }
        pos += size_t(length) + 12;
    }
}

}  // namespace

int decodePng(std::vector<unsigned char>& out, unsigned& width, unsigned& height, const unsigned char* input,
              size_t size) {
    if (input == nullptr || size == 0) return errEmptyInput;
    ImageHeader header;
    if (int error = readHeader(input, size, header)) return error;
    width = header.width;
    height = header.height;

    std::vector<unsigned char> imageData;
    Transparency colours;
    if (int error = readChunks(input, size, header, imageData, colours)) return error;

    size_t scanlineBytes = 0;
    const std::vector<Pass> passes = scanlinePasses(header, scanlineBytes);
    // Data beyond what the scanlines need is ignored, but a stream that inflates
    // to far more is refused rather than allowed to exhaust memory.
    std::vector<unsigned char> scanlines;
    if (int error = inflateZlib(scanlines, imageData.data(), imageData.size(), scanlineBytes + (size_t(1) << 20)))
        return error;
    if (scanlines.size() < scanlineBytes) return errImageDataShort;
    imageData = std::vector<unsigned char>();

    if (int error = unfilterPasses(scanlines.data(), passes, header.bitsPerPixel())) return error;
    out.assign(size_t(header.width) * header.height * 4, 0);
    return convertPasses(out.data(), scanlines.data(), passes, header, colours);
}

}  // namespace Png
