// Mouse, wheel and menu of PlugEdit::Knob.
#include "plugedit/win32/Knob.h"

#include <cstdio>

#include "plugedit/knobMath.h"
#include "plugedit/menuEntries.h"

namespace PlugEdit {

namespace {
// Radius of the knob's hit disc around the client centre.
constexpr int hitRadius = 32;

bool keyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }
}  // namespace

Knob::Knob(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption)
    : Widget(parent, x, y, width, height, style, caption) {}

LRESULT Knob::hitTest(LPARAM lParam) {
    RECT r;
    GetWindowRect(hwnd(), &r);
    const int dx = static_cast<short>(LOWORD(lParam)) - width() / 2 - r.left;
    const int dy = static_cast<short>(HIWORD(lParam)) - height() / 2 - r.top;
    // Outside the disc (corners, outer text strip) the input goes to the editor window below.
    return dx * dx + dy * dy < hitRadius * hitRadius ? HTCLIENT : HTTRANSPARENT;
}

void Knob::beginDrag() {
    cancelLearn();
    SetCapture(hwnd());
    dragging = true;
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT r;
    GetWindowRect(hwnd(), &r);
    drag = KnobDrag(shownValue, cursor.y - r.top);
    setSystemCursor(IDC_SIZENS);
    request(msgBeginEdit);
    invalidate();
}

void Knob::heldMove(int y, WPARAM keys) {
    if (y == drag.y) return;
    shownValue = drag.moveTo(y, (keys & (MK_SHIFT | MK_CONTROL)) != 0);
    request(msgSetValue, static_cast<LPARAM>(floatBits(shownValue)));
}

void Knob::endDrag() {
    dragging = false;
    request(msgEndEdit);
    setSystemCursor(IDC_ARROW);
}

void Knob::turnWheel(int delta) {
    const bool fine = keyDown(VK_LSHIFT) || keyDown(VK_RSHIFT) || keyDown(VK_LCONTROL) || keyDown(VK_RCONTROL);
    shownValue = wheelStep(shownValue, delta, fine);
    requestValueChange(shownValue);
}

void Knob::resetToDefault() {
    request(msgBeginEdit);
    request(msgResetDefault);
    request(msgEndEdit);
}

void Knob::showContextMenu() {
    EditWin* editor = editorWindow();
    if (editor) showMenu(10, knobMenu(editor->host(), index()));
}

void Knob::menuCommand(unsigned command) {
    if (command == msgResetDefault) resetToDefault();
}

LRESULT Knob::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST: return hitTest(lParam);
        case WM_LBUTTONDOWN: beginDrag(); return 0;
        case WM_LBUTTONUP:
            if (!dragging) break;
            ReleaseCapture();  // the drag ends in WM_CAPTURECHANGED
            return 0;
        case WM_LBUTTONDBLCLK: resetToDefault(); return 0;
        case WM_RBUTTONDOWN:
            if (!dragging) break;  // the menu
            // A right click during a drag ends it at mid-range.
            shownValue = 0.5f;
            request(msgSetValue, static_cast<LPARAM>(floatBits(shownValue)));
            ReleaseCapture();
            return 0;
        case WM_MOUSEWHEEL: turnWheel(static_cast<short>(HIWORD(wParam))); return 0;
        case WM_CAPTURECHANGED:
            if (dragging) endDrag();
            break;  // and repaint
        default: break;
    }
    return Widget::handleMessage(window, message, wParam, lParam);
}

}  // namespace PlugEdit
