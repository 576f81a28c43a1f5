// PlugEdit::Knob: the rotary control for one continuous parameter. Drag, wheel,
// double click and its menu send editor messages to the editor window; the
// values it shows come back as msgShowValue.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugedit/win32/Widget.h"
#include "plugedit/knobMath.h"

namespace PlugEdit {

class Knob : public Widget {
public:
    // [UI thread] A knob of the given size (artwork offsets assume 80 x 80) under the editor window.
    Knob(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption);

    // [UI thread] Hit test, drag, wheel, double click and reset; the rest as every widget.
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // [UI thread] Draws over the editor window's current picture.
    void paint(HWND hwnd, HDC memoryDC) override;

    // [UI thread] The value shown (0 to 1), and whether a drag is in progress.
    float value() const { return shownValue; }
    bool isDragging() const { return dragging; }

private:
    friend struct ::WidgetProbe;  // tests check where a drag starts

    // [UI thread] The knob's own answers to Widget.
    void showValue(float value) override { shownValue = value; }
    void showContextMenu() override;
    void menuCommand(unsigned command) override;
    bool holdsPointer() const override { return dragging; }
    void heldMove(int y, WPARAM keys) override;
    LPCSTR heldCursor() const override { return IDC_SIZENS; }

    LRESULT hitTest(LPARAM lParam);
    void beginDrag();
    void endDrag();
    void turnWheel(int delta);
    void resetToDefault();
    void drawTexts(HDC dc);

    float shownValue = 0.0f;
    bool dragging = false;
    KnobDrag drag{0.0f, 0};  // cursor rows in client coordinates
};

}  // namespace PlugEdit
