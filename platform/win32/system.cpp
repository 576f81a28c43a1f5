// Window-system calls of the portable code: wheel forwarding, module handle, GDI flush.
#include <windows.h>

#include "platform/detail.h"

namespace platform {

namespace {
HINSTANCE module = nullptr;
}

void setModuleHandle(void* m) { module = static_cast<HINSTANCE>(m); }
void* moduleHandle() { return module; }
void gdiFlush() { GdiFlush(); }

intptr_t forwardMouseWheel(float opt) {
    POINT p{};
    if (!GetCursorPos(&p)) return 0;
    HWND window = WindowFromPoint(p);
    if (!window) return 0;
    if (reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) != module) return 0;
    int delta = static_cast<int>(opt * 120.0f);
    WPARAM w = static_cast<WPARAM>(static_cast<WORD>(static_cast<short>(delta))) << 16;
    LPARAM l = static_cast<LPARAM>(static_cast<DWORD>((static_cast<WORD>(p.y) << 16) | static_cast<WORD>(p.x)));
    PostMessageA(window, WM_MOUSEWHEEL, w, l);
    return 1;
}

}  // namespace platform
