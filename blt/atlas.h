// The shared texture atlas: one surface decoded on first use and kept until the library unloads.
#pragma once

#include <cstddef>

#include "blt/surface.h"

namespace QuillBLT {

// Supplies the bytes of the atlas PNG; false when there are none. The bytes
// must stay valid while the library is loaded (a locked resource does).
using AtlasSource = bool (*)(const unsigned char*& bytes, size_t& size);

// [UI thread] The atlas surface, decoded from the source on the first call.
// Null when it cannot be had (no source, no bytes, or a decoding failure); the
// next call then tries again.
const Surface* commonTextures();

// [UI thread] Replaces where the atlas bytes come from and drops a decoded
// atlas. The default source on Windows is the library's resource
// "commonTextures" of type "PNG"; elsewhere there is none. Null restores the default.
void setAtlasSource(AtlasSource source);

// Destroys the atlas; called when the library is unloaded (and by tests).
void releaseCommonTextures();

#if defined(_WIN32)
// The Windows source: the resource "commonTextures" of type "PNG" in the
// module that platform::moduleHandle() names.
bool loadAtlasResource(const unsigned char*& bytes, size_t& size);
#endif

}  // namespace QuillBLT
