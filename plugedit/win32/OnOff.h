// PlugEdit::OnOff: the two-state text switch ("caption: state"). A click or its
// menu sends editor messages; the state shown follows msgShowValue.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugedit/win32/Widget.h"

namespace PlugEdit {

class OnOff : public Widget {
public:
    // [UI thread] stateNames and menuNames each point to two strings: off, then on.
    OnOff(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption,
          const char* const* stateNames, const char* const* menuNames);

    // [UI thread] Clicks toggle; the rest as every widget.
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // [UI thread] Draws over the editor window's current picture.
    void paint(HWND hwnd, HDC memoryDC) override;

    // [UI thread] The state shown, and the words for a state in the line and in the menu.
    bool isOn() const { return on; }
    const char* stateName(bool state) const { return stateNames ? stateNames[state ? 1 : 0] : ""; }
    const char* menuName(bool state) const { return menuNames ? menuNames[state ? 1 : 0] : ""; }

private:
    // [UI thread] The switch's own answers to Widget. Exactly 0.5 and
    // not-a-number show off, as the signal chain reads its switches.
    void showValue(float value) override { on = value > 0.5f; }
    void showContextMenu() override;
    void menuCommand(unsigned command) override;
    bool holdsPointer() const override { return GetCapture() == hwnd(); }

    void click();

    bool on = false;
    const char* const* const stateNames;
    const char* const* const menuNames;
};

}  // namespace PlugEdit
