// Windows source of the texture atlas: the PNG resource "commonTextures" of this library.
#include <windows.h>

#include "blt/atlas.h"
#include "platform/platform.h"

namespace QuillBLT {

bool loadAtlasResource(const unsigned char*& bytes, size_t& size) {
    HMODULE module = static_cast<HMODULE>(platform::moduleHandle());
    HRSRC info = FindResourceA(module, "commonTextures", "PNG");
    if (!info) return false;
    HGLOBAL handle = LoadResource(module, info);
    if (!handle) return false;
    const void* data = LockResource(handle);
    const DWORD length = SizeofResource(module, info);
    if (!data || length == 0) return false;
    bytes = static_cast<const unsigned char*>(data);
    size = length;
    return true;
}

}  // namespace QuillBLT
