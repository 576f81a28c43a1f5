// The editor's pictures for window systems without resources: the background
// bitmap file and the texture atlas PNG, compiled into the library.
#pragma once

#include <cstddef>
#include <memory>

#include "blt/surface.h"

namespace PlugEdit {

extern const unsigned char backgroundBitmap[];
extern const size_t backgroundBitmapSize;
extern const unsigned char commonTexturesPng[];
extern const size_t commonTexturesPngSize;

// [UI thread] Decodes an uncompressed 24- or 32-bit bitmap file into 0x00RRGGBB
// words, rows top to bottom (what Windows puts in a 32-bit section when it
// copies such a bitmap); null when the bytes are not one.
std::unique_ptr<QuillBLT::BasicSurface> decodeBitmapFile(const unsigned char* bytes, size_t size);

// The atlas source (QuillBLT::setAtlasSource) that gives the compiled-in PNG.
bool embeddedAtlas(const unsigned char*& bytes, size_t& size);

}  // namespace PlugEdit
