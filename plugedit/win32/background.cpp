// Loading the editor background: a bitmap resource, or a PNG resource of the same id.
#include <cstdint>

#include "blt/blit.h"
#include "blt/surface.h"
#include "platform/platform.h"
#include "plugedit/win32/EditWin.h"

namespace PlugEdit {

namespace {

HBITMAP sectionFromPng(HMODULE module, int32_t id) {
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), "PNG");
    if (!info) return nullptr;
    HGLOBAL handle = LoadResource(module, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    const DWORD size = SizeofResource(module, info);
    if (!data || size == 0) return nullptr;
    try {
        QuillBLT::BasicSurface decoded(size, static_cast<const unsigned char*>(data));
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = static_cast<LONG>(decoded.width());
        bmi.bmiHeader.biHeight = -static_cast<LONG>(decoded.height());
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!section || !bits) {
            if (section) DeleteObject(section);
            return nullptr;
        }
        QuillBLT::Surface target(static_cast<uint32_t*>(bits), decoded.width(), decoded.height(), decoded.width());
        QuillBLT::copy(decoded.view(), target, decoded.width(), decoded.height());
        GdiFlush();
        return section;
    } catch (...) {
        return nullptr;  // an undecodable picture leaves the background black
    }
}

}  // namespace

HBITMAP loadBackground(int32_t id) {
    HMODULE module = static_cast<HMODULE>(platform::moduleHandle());
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id & 0xFFFF));
    if (bitmap) return bitmap;
    return sectionFromPng(module, id);
}

}  // namespace PlugEdit
