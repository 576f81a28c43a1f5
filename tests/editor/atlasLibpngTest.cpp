// The shipped atlas file, decoded by libpng and by our decoder: the same 480 x 480 pixels,
// premultiplied, and written with every predicting filter.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

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
    EXPECT_TRUE(ours == reference);
}

TEST(AtlasFile, IsPremultipliedWithEmptyTransparentPixels) {
    const std::vector<unsigned char> file = readAll(atlasPath);
    std::vector<unsigned char> rgba;
    unsigned width = 0, height = 0;
    ASSERT_EQ(Png::decodePng(rgba, width, height, file.data(), file.size()), 0);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const unsigned char a = rgba[i + 3];
        ASSERT_LE(rgba[i], a);
        ASSERT_LE(rgba[i + 1], a);
        ASSERT_LE(rgba[i + 2], a);
    }
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

    // Walk the chunks: many IDAT chunks; the filter bytes come from inflating them with our decoder's view.
    const std::vector<unsigned char> file = readAll(atlasPath);
    int idatChunks = 0;
    for (size_t at = 8; at + 8 <= file.size();) {
        const size_t length = (size_t(file[at]) << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
        if (std::equal(file.begin() + at + 4, file.begin() + at + 8, "IDAT")) ++idatChunks;
        at += 12 + length;
    }
    EXPECT_GT(idatChunks, 4);
}
