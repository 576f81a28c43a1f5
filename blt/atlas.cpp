// The shared texture atlas: decoded on first request from a replaceable byte source.
#include "blt/atlas.h"

namespace QuillBLT {

namespace {

#if defined(_WIN32)
constexpr AtlasSource defaultSource = loadAtlasResource;
#else
bool noAtlasSource(const unsigned char*&, size_t&) { return false; }
constexpr AtlasSource defaultSource = noAtlasSource;
#endif

// Created and used only on the UI thread, so plain statics suffice.
AtlasSource currentSource = defaultSource;
BasicSurface* atlas = nullptr;

}  // namespace

const Surface* commonTextures() {
    if (atlas) return &atlas->view();
    const unsigned char* bytes = nullptr;
    size_t size = 0;
    if (!currentSource(bytes, size)) return nullptr;
    try {
        atlas = new BasicSurface(size, bytes);
    } catch (...) {
        atlas = nullptr;  // stays absent; the next request tries again
    }
    return atlas ? &atlas->view() : nullptr;
}

void setAtlasSource(AtlasSource source) {
    releaseCommonTextures();
    currentSource = source ? source : defaultSource;
}

void releaseCommonTextures() {
    delete atlas;
    atlas = nullptr;
}

}  // namespace QuillBLT
