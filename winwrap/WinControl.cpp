// Window binding, message routing and back-buffer painting of WinWrap::WinControl.
#include "winwrap/WinControl.h"

#include "platform/platform.h"
#include "winwrap/windowClass.h"

namespace WinWrap {

namespace {
int liveObjects = 0;
}

WinControl::WinControl(HWND parent, int x, int y, int width, int height, DWORD style)
    : posX(x), posY(y), clientWidth(width), clientHeight(height) {
    ++liveObjects;
    if (windowClassAtom == 0) registerWindowClass();
    if (parent) style |= WS_CHILD;
    handle = CreateWindowExA(0, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(windowClassAtom)), "control", style, x,
                           y, width, height, parent, nullptr, static_cast<HINSTANCE>(platform::moduleHandle()),
                           nullptr);
    if (handle) {
        SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    } else {
        platform::showError("Error!", "Failed to create a control.");
    }
    needsPaint = true;
    memoryDC = nullptr;
}

WinControl::~WinControl() {
    if (memoryDC) {
        SelectObject(memoryDC, previousBitmap);
        DeleteObject(bitmap);
        DeleteDC(memoryDC);
        memoryDC = nullptr;
        bitmap = nullptr;
        bits = nullptr;
        pixelView = QuillBLT::Surface();
    }
    --liveObjects;
}

int WinControl::liveCount() { return liveObjects; }

void WinControl::paint(HWND, HDC) {}

WinControl* WinControl::fromWindow(HWND window) {
    if (!window) return nullptr;
    return reinterpret_cast<WinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void WinControl::invalidate() {
    needsPaint = true;
    if (handle) RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE);
}

void WinControl::drawParentBackground(WinControl* control, HDC dc) {
    if (!control || !control->handle) return;
    HWND parentWindow = GetParent(control->handle);
    WinControl* parent = fromWindow(parentWindow);
    if (!parent || !parent->memoryDC) return;
    RECT own, outer;
    if (!GetWindowRect(control->handle, &own) || !GetWindowRect(parentWindow, &outer)) return;
    BitBlt(dc, 0, 0, own.right - own.left, own.bottom - own.top, parent->memoryDC, own.left - outer.left,
           own.top - outer.top, SRCCOPY);
}

void WinControl::createBackBuffer(HDC paintDC) {
    RECT client;
    GetClientRect(handle, &client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    memoryDC = CreateCompatibleDC(paintDC);
    if (!memoryDC) return;
    bitmap = CreateDIBSection(paintDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        pixelView = QuillBLT::Surface(static_cast<uint32_t*>(bits), static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                                    static_cast<uint32_t>(w));
    } else {
        bits = nullptr;
    }
    previousBitmap = bitmap ? SelectObject(memoryDC, bitmap) : nullptr;
}

LRESULT WinControl::onPaint(HWND window) {
    RECT r;
    if (!GetUpdateRect(window, &r, FALSE)) return 0;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) return 0;
    if (!memoryDC) createBackBuffer(dc);
    if (needsPaint && memoryDC) {
        paint(window, memoryDC);
        needsPaint = false;
    }
    if (memoryDC) BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memoryDC, r.left, r.top, SRCCOPY);
    EndPaint(window, &ps);
    return 0;
}

LRESULT WinControl::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOVE:
            posX = LOWORD(lParam);
            posY = HIWORD(lParam);
            return 0;
        case WM_SIZE:
            clientWidth = LOWORD(lParam);
            clientHeight = HIWORD(lParam);
            return 0;
        case WM_PAINT: return onPaint(window);
        case WM_DESTROY: return 0;
        case WM_MOUSEWHEEL: return 0;  // never passed up to the parent
        case WM_NCDESTROY:
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            delete this;
            return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace WinWrap
