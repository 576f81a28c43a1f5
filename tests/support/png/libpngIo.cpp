// libpng writer and reader used by the differential test and the benchmarks.
#include "libpngIo.h"

#include <png.h>

#include <cstring>

namespace PngTest {

using Bytes = std::vector<unsigned char>;

namespace {

using Bytes = std::vector<unsigned char>;

void appendToVector(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void noFlush(png_structp) {}

// Writes random samples with libpng's own encoder.
}  // namespace

Bytes writeWithLibpng(const LibpngSpec& s, std::mt19937& rng) {
    Bytes file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &file, appendToVector, noFlush);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, 0, s.filters);
    png_set_compression_level(png, s.level);
    png_set_compression_buffer_size(png, s.idatBuffer);  // small buffers: many IDAT chunks
    const int maxValue = (1 << s.depth) - 1;
    std::vector<png_color> palette;
    if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i <= maxValue; ++i)
            palette.push_back(png_color{png_byte(rng()), png_byte(rng()), png_byte(rng())});
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    }
    std::vector<png_byte> alphas;
    png_color_16 key{};
    if (s.transparency) {
        if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
            for (int i = 0; i < (maxValue + 1) / 2 + 1 && i <= maxValue; ++i) alphas.push_back(png_byte(rng()));
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
        } else {
            key.gray = png_uint_16(rng() % (maxValue + 1));
            key.red = png_uint_16(rng() % (maxValue + 1));
            key.green = png_uint_16(rng() % 4), key.blue = png_uint_16(rng() % 4);
            png_set_tRNS(png, info, nullptr, 0, &key);
        }
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const size_t rowBytes = (size_t(s.width) * channels * s.depth + 7) / 8;
    std::vector<Bytes> rows(s.height, Bytes(rowBytes));
    // Mostly smooth data with some noise, so that every filter and match kind occurs;
    // keyed images get a few pixels equal to the key.
    for (int y = 0; y < s.height; ++y)
        for (size_t i = 0; i < rowBytes; ++i)
            rows[y][i] = png_byte(rng() % 8 == 0 ? rng() : (i * 3 + y * 5) & 0xFF);
    if (s.transparency && s.colourType == PNG_COLOR_TYPE_GRAY && s.depth == 8) rows[0][0] = png_byte(key.gray);
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return file;
}

namespace {

struct Reader {
    const Bytes* data;
    size_t pos;
};
void readFromVector(png_structp png, png_bytep out, png_size_t size) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->pos + size > r->data->size()) png_error(png, "read past end");
    std::memcpy(out, r->data->data() + r->pos, size);
    r->pos += size;
}

}  // namespace

bool readWithLibpng(const Bytes& file, Bytes& rgba, unsigned& width, unsigned& height) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    Reader reader{&file, 0};
    png_set_read_fn(png, &reader, readFromVector);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "not RGBA8");
    rgba.assign(size_t(width) * height * 4, 0);
    std::vector<png_bytep> rows;
    for (unsigned y = 0; y < height; ++y) rows.push_back(rgba.data() + size_t(y) * width * 4);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}


}  // namespace PngTest
