// Composes the editor's back buffers and writes them as a plain PNG file.
#include "screenshot.h"

#include <cstdio>

#if defined(_WIN32)
#include "winwrap/WinControl.h"
#endif

namespace editortest {

#if defined(_WIN32)
std::vector<uint32_t> composeEditorPicture(PlugEdit::EditWin* window) {
    GdiFlush();
    const QuillBLT::Surface& base = window->backBuffer();
    if (!base.pixels) return {};
    std::vector<uint32_t> out(base.width * base.height);
    for (uint32_t y = 0; y < base.height; ++y)
        for (uint32_t x = 0; x < base.width; ++x) out[y * base.width + x] = base.at(x, y) & 0x00FFFFFF;
    for (HWND child = GetWindow(window->hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WinWrap::WinControl* control = WinWrap::WinControl::fromWindow(child);
        if (!control || !control->backBuffer().pixels) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(HWND_DESKTOP, window->hwnd(), reinterpret_cast<POINT*>(&r), 2);
        for (uint32_t y = 0; y < control->backBuffer().height; ++y)
            for (uint32_t x = 0; x < control->backBuffer().width; ++x) {
                const long tx = r.left + static_cast<long>(x), ty = r.top + static_cast<long>(y);
                if (tx >= 0 && ty >= 0 && tx < static_cast<long>(base.width) && ty < static_cast<long>(base.height))
                    out[ty * base.width + tx] = control->backBuffer().at(x, y) & 0x00FFFFFF;
            }
    }
    return out;
}
#endif

namespace {

uint32_t crc32(const unsigned char* data, size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

void chunk(std::vector<unsigned char>& file, const char* type, const std::vector<unsigned char>& payload) {
    put32(file, static_cast<uint32_t>(payload.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), payload.begin(), payload.end());
    file.insert(file.end(), typed.begin(), typed.end());
    put32(file, crc32(typed.data(), typed.size()));
}

}  // namespace

bool writePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
    std::vector<unsigned char> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[y * width + x];
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }
    std::vector<unsigned char> zlib{0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size(); at += 65535) {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        zlib.push_back(at + n == raw.size() ? 1 : 0);
        zlib.push_back(static_cast<unsigned char>(n));
        zlib.push_back(static_cast<unsigned char>(n >> 8));
        zlib.push_back(static_cast<unsigned char>(~n));
        zlib.push_back(static_cast<unsigned char>(~n >> 8));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    }
    put32(zlib, (b << 16) | a);

    std::vector<unsigned char> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk(file, "IHDR", header);
    chunk(file, "IDAT", zlib);
    chunk(file, "IEND", {});
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && ok;
}

}  // namespace editortest
