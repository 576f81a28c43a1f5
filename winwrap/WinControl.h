// WinWrap::WinControl: one object per native window, with its own 32-bit back buffer.
// Every window of the editor (top window, knobs, switches) is one of these.
#pragma once

#include <windows.h>

#include <cstdint>

#include "blt/surface.h"

struct WidgetProbe;

namespace WinWrap {

class WinControl {
public:
    // [UI thread] Creates the native window (WS_CHILD is added when a parent is
    // given) and binds this object to it. On failure the user is told, hwnd
    // stays null and the caller keeps the only reference.
    WinControl(HWND parent, int x, int y, int width, int height, DWORD style);

    // [UI thread] The message handler; derived classes pass on what they do not handle.
    virtual LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs from WM_NCDESTROY (the window deletes its object); releases the back buffer.
    virtual ~WinControl();
    // [UI thread] Draws the whole content into the back buffer. Nothing here.
    virtual void paint(HWND hwnd, HDC memoryDC);

    WinControl(const WinControl&) = delete;
    WinControl& operator=(const WinControl&) = delete;

    // [UI thread] Marks the content stale and asks for a WM_PAINT; never paints synchronously.
    void invalidate();

    // [UI thread] Copies the parent's back buffer under `control` into dc at (0, 0),
    // so a control paints over the parent's current picture. No-op while the parent has none.
    static void drawParentBackground(WinControl* control, HDC dc);

    // [UI thread] The object bound to a window of this class, or null.
    static WinControl* fromWindow(HWND hwnd);

    // Objects alive right now (for leak checks).
    static int liveCount();

    // [UI thread] The native window; null when creation failed.
    HWND hwnd() const { return handle; }
    // [UI thread] The back buffer's pixels (a view; pixels == null before the
    // first WM_PAINT). Painting writes through it; GDI must be flushed first.
    const QuillBLT::Surface& backBuffer() const { return pixelView; }
    // [UI thread] Position in the parent's client area and client size, as the
    // last WM_MOVE and WM_SIZE (or the constructor) gave them.
    int x() const { return posX; }
    int y() const { return posY; }
    int width() const { return clientWidth; }
    int height() const { return clientHeight; }

private:
    friend struct ::WidgetProbe;  // tests look at the back buffer's GDI objects and the paint flag

    LRESULT onPaint(HWND hwnd);
    void createBackBuffer(HDC paintDC);

    HWND handle = nullptr;
    HDC memoryDC = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    bool needsPaint = true;
    QuillBLT::Surface pixelView;  // view of the back buffer's pixels
    void* bits = nullptr;         // owned by bitmap
    int posX;
    int posY;
    int clientWidth;
    int clientHeight;
};

}  // namespace WinWrap
