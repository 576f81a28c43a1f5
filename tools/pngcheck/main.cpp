// pngcheck: decodes a PNG file with our decoder and prints its size, the
// decoder's result code and the SHA-256 of the 8-bit RGBA pixels.
#include <cstdio>
#include <vector>

#include "png/png.h"
#include "sha256.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pngcheck FILE.png\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) {
        std::fprintf(stderr, "pngcheck: cannot open %s\n", argv[1]);
        return 2;
    }
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);

    std::vector<unsigned char> rgba;
    unsigned width = 0, height = 0;
    const int error = Png::decodePng(rgba, width, height, bytes.data(), bytes.size());
    if (error != 0) {
        std::printf("width -\nheight -\nerror %d\nrgba8_sha256 -\n", error);
        return 1;
    }
    std::printf("width %u\nheight %u\nerror 0\nrgba8_sha256 %s\n", width, height,
                pngcheck::sha256Hex(rgba.data(), rgba.size()).c_str());
    return 0;
}
