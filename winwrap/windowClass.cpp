// Registration of the wrapper window class and the clean-up that runs when the library unloads.
#include "winwrap/windowClass.h"

#include <commctrl.h>

#include <cstdio>

#include "blt/atlas.h"
#include "platform/platform.h"
#include "winwrap/WinControl.h"

namespace WinWrap {

ATOM windowClassAtom = 0;

namespace {

const char* const className = "WinControlWrapperWindowClass";

HINSTANCE moduleInstance() { return static_cast<HINSTANCE>(platform::moduleHandle()); }

// Looked up at run time, so the library does not import COMCTL32 for one call.
void initCommonControls() {
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    if (!comctl) comctl = LoadLibraryA("comctl32.dll");  // kept loaded: the classes it registers live in it
    if (!comctl) return;
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<InitFunction>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    if (!init) return;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = 8;
    controls.dwICC = 0xFF;
    init(&controls);
}

// Static clean-up step: constructed when the library starts, destroyed when it unloads.
struct UnloadCleanup {
    ~UnloadCleanup() {
        unregisterWindowClass();
        QuillBLT::releaseCommonTextures();
    }
} unloadCleanup;

}  // namespace

void registerWindowClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = moduleInstance();
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;  // the back buffer covers every update; nothing is erased
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = className;
    windowClassAtom = RegisterClassExA(&wc);
    if (windowClassAtom == 0) {
        char text[96];
        std::snprintf(text, sizeof text, "Couldn't create a wrapper windowclass (hInstance: %x)",
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(wc.hInstance)));
        platform::showWarning("Error!", text);  // warning icon, no owner: the editor carries on without it
    }
    initCommonControls();
}

void unregisterWindowClass() {
    if (windowClassAtom == 0) return;
    if (UnregisterClassA(reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(windowClassAtom)), moduleInstance()))
        windowClassAtom = 0;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WinControl* control = WinControl::fromWindow(hwnd);
    if (control) return control->handleMessage(hwnd, message, wParam, lParam);
    // Messages during CreateWindowExA (before the object is bound) and after WM_NCDESTROY.
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace WinWrap
