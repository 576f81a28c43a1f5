// PlugEdit::OnOff: the two-state text switch ("caption: state"). A click or its
// menu sends editor messages; the state shown follows msgShowValue.
#pragma once

#include <windows.h>

#include <cstdint>

#include "winwrap/WinControl.h"

namespace PlugEdit {

class OnOff : public WinWrap::WinControl {
public:
    // [UI thread] stateNames and menuNames each point to two strings: off, then on.
    OnOff(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption,
          const char* const* stateNames, const char* const* menuNames);

    // [UI thread] Mouse, wheel, menu commands and the editor's value and learn messages.
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // [UI thread] Draws over the editor window's current picture.
    void paint(HWND hwnd, HDC memoryDC) override;

    uint8_t learning = 0;
    uint8_t on = 0;
    const char* caption;
    const char* const* stateNames;
    const char* const* menuNames;
    uint8_t hovered = 0;

private:
    void click();
    void choose(unsigned command);
    void showMenu();
    bool holdsCapture() const { return GetCapture() == hwnd; }
};

}  // namespace PlugEdit
