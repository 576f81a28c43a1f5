// Scanline geometry (whole image or Adam7 passes) and the reversal of the five scanline filters.
#include <cstdlib>

#include "png/errors.h"
#include "png/imageLayout.h"

namespace Png {

unsigned ImageHeader::channels() const {
    switch (colourType) {
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 1;  // grey and palette
    }
}

std::vector<Pass> scanlinePasses(const ImageHeader& header, size_t& totalBytes) {
    static const uint32_t adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const uint32_t whole[1][4] = {{0, 0, 1, 1}};
    const uint32_t(*layout)[4] = header.interlace ? adam7 : whole;
    const unsigned count = header.interlace ? 7 : 1;

    std::vector<Pass> passes;
    totalBytes = 0;
    for (unsigned p = 0; p < count; ++p) {
        Pass pass{layout[p][0], layout[p][1], layout[p][2], layout[p][3], 0, 0, 0, totalBytes};
        if (header.width > pass.startX) pass.width = (header.width - pass.startX + pass.stepX - 1) / pass.stepX;
        if (header.height > pass.startY) pass.height = (header.height - pass.startY + pass.stepY - 1) / pass.stepY;
        if (pass.width == 0 || pass.height == 0) pass.width = pass.height = 0;
        // Image sizes are bounded well below these products overflowing.
        pass.rowBytes = (uint64_t(pass.width) * header.bitsPerPixel() + 7) / 8;
        totalBytes += size_t(pass.height) * (pass.rowBytes + 1);
        passes.push_back(pass);
    }
    return passes;
}

namespace {

unsigned char paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up), toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<unsigned char>(left);
    if (toUp <= toUpLeft) return static_cast<unsigned char>(up);
    return static_cast<unsigned char>(upLeft);
}

// Unfilters one row in place; `prior` is the unfiltered row above or null.
void unfilterRow(unsigned char* row, const unsigned char* prior, size_t length, size_t step, unsigned type) {
    switch (type) {
        case 1:
            for (size_t i = step; i < length; ++i) row[i] = static_cast<unsigned char>(row[i] + row[i - step]);
            break;
        case 2:
            if (prior)
                for (size_t i = 0; i < length; ++i) row[i] = static_cast<unsigned char>(row[i] + prior[i]);
            break;
        case 3:
            if (prior) {
                for (size_t i = 0; i < step && i < length; ++i) row[i] = static_cast<unsigned char>(row[i] + (prior[i] >> 1));
                for (size_t i = step; i < length; ++i)
                    row[i] = static_cast<unsigned char>(row[i] + ((row[i - step] + prior[i]) >> 1));
            } else {
                for (size_t i = step; i < length; ++i) row[i] = static_cast<unsigned char>(row[i] + (row[i - step] >> 1));
            }
            break;
        case 4:
            if (prior) {
                for (size_t i = 0; i < step && i < length; ++i) row[i] = static_cast<unsigned char>(row[i] + prior[i]);
                for (size_t i = step; i < length; ++i)
                    row[i] = static_cast<unsigned char>(row[i] + paeth(row[i - step], prior[i], prior[i - step]));
            } else {
                // With no row above, Paeth always picks the left neighbour.
                for (size_t i = step; i < length; ++i) row[i] = static_cast<unsigned char>(row[i] + row[i - step]);
            }
            break;
        default: break;  // None
    }
}

}  // namespace

int unfilterPasses(unsigned char* data, const std::vector<Pass>& passes, unsigned bitsPerPixel) {
    const size_t step = (bitsPerPixel + 7) / 8;
    for (const Pass& pass : passes) {
        unsigned char* line = data + pass.offset;
        const unsigned char* prior = nullptr;
        for (uint32_t y = 0; y < pass.height; ++y) {
            const unsigned type = line[0];
            if (type > 4) return errFilterType;
            unfilterRow(line + 1, prior, pass.rowBytes, step, type);
            prior = line + 1;
            line += pass.rowBytes + 1;
        }
    }
    return ok;
}

}  // namespace Png
