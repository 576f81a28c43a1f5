// The shipped atlas file, decoded by libpng and by our decoder: the same 480 x 480 pixels,
// and the chunks the file is meant to carry.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "tests/support/sameElements.h"
#include "png/png.h"

namespace {

const char* const atlasPath = ORVALT_SOURCE_DIR "/resources/commonTextures.png";

std::vector<unsigned char> readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(AtlasFile, LibpngAndOurDecoderAgree) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, atlasPath));
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> reference(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, reference.data(), 0, nullptr));
    EXPECT_EQ(image.width, 480u);
    EXPECT_EQ(image.height, 480u);

    const std::vector<unsigned char> file = readAll(atlasPath);
    std::vector<unsigned char> ours;
    unsigned width = 0, height = 0;
    ASSERT_EQ(Png::decodePng(ours, width, height, file.data(), file.size()), 0);
    EXPECT_EQ(width, 480u);
    EXPECT_EQ(height, 480u);
    EXPECT_TRUE(sameElements(reference, ours));
}

TEST(AtlasFile, ChunksAndFiltersAreThoseOfTheShippedFile) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    FILE* in = std::fopen(atlasPath, "rb");
    ASSERT_NE(in, nullptr);
    if (setjmp(png_jmpbuf(png))) FAIL() << "libpng failed";
    png_init_io(png, in);
    png_read_info(png, info);
    EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_EQ(png_get_bit_depth(png, info), 8);
    EXPECT_EQ(png_get_interlace_type(png, info), PNG_INTERLACE_NONE);
    EXPECT_TRUE(png_get_valid(png, info, PNG_INFO_iCCP));
    EXPECT_TRUE(png_get_valid(png, info, PNG_INFO_bKGD));
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);

    // The image data is spread over many IDAT chunks.
    const std::vector<unsigned char> file = readAll(atlasPath);
    int idatChunks = 0;
    std::vector<unsigned char> compressed;
    for (size_t at = 8; at + 8 <= file.size();) {
        const size_t length = (size_t(file[at]) << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
        if (std::equal(file.begin() + at + 4, file.begin() + at + 8, "IDAT")) {
            ++idatChunks;
            compressed.insert(compressed.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
        }
        at += 12 + length;
    }
    EXPECT_GT(idatChunks, 4);

    // Every predicting filter (sub, up, average, Paeth) occurs among the rows.
    const size_t rowBytes = 1 + 480 * 4;
    std::vector<unsigned char> raw(rowBytes * 480);
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, compressed.data(), compressed.size()), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    std::set<int> filters;
    for (size_t row = 0; row < 480; ++row) filters.insert(raw[row * rowBytes]);
    for (int filter = 1; filter <= 4; ++filter) EXPECT_EQ(filters.count(filter), 1u) << filter;
}
