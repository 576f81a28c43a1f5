// libpng as the reference: writing test images with its encoder and decoding them to 8-bit RGBA.
#pragma once

#include <random>
#include <vector>

namespace PngTest {

struct LibpngSpec {
    int colourType, depth, width, height, interlace, filters, idatBuffer, level;
    bool transparency;
};

// Writes random, partly smooth samples with libpng's encoder; empty on failure.
std::vector<unsigned char> writeWithLibpng(const LibpngSpec& s, std::mt19937& rng);

// Decodes with libpng to 8-bit RGBA (palettes, low depths and keys expanded,
// 16-bit samples cut to their high byte, no gamma or background); false on failure.
bool readWithLibpng(const std::vector<unsigned char>& file, std::vector<unsigned char>& rgba, unsigned& width,
                    unsigned& height);

}  // namespace PngTest
