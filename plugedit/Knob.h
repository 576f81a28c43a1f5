// PlugEdit::Knob: the rotary control for one continuous parameter. Drag, wheel,
// double click and its menu send editor messages to the editor window; the
// values it shows come back as msgShowValue.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugedit/knobMath.h"
#include "winwrap/WinControl.h"

namespace PlugEdit {

class Knob : public WinWrap::WinControl {
public:
    // [UI thread] A knob of the given size (artwork offsets assume 80 x 80) under the editor window.
    Knob(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption);

    // [UI thread] Mouse, wheel, menu commands and the editor's value and learn messages.
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // [UI thread] Draws over the editor window's current picture.
    void paint(HWND hwnd, HDC memoryDC) override;

    uint8_t learning = 0;
    uint8_t dragging = 0;
    uint8_t hovered = 0;
    const char* caption;
    float value = 0.0f;
    float dragValue = 0.0f;
    int32_t dragY = 0;

private:
    DragAnchor dragAnchor;  // the drag's value and row that every step is measured from

    LRESULT hitTest(LPARAM lParam);
    void beginDrag();
    void dragTo(int y, WPARAM keys);
    void turnWheel(int delta);
    void resetToDefault();
    void showMenu();
    void trackHover();
    void drawTexts(HDC dc);
};

}  // namespace PlugEdit
