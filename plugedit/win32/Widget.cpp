// The messages that PlugEdit::Knob and PlugEdit::OnOff answer alike.
#include "plugedit/win32/Widget.h"

namespace PlugEdit {

Widget::Widget(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption)
    : WinControl(parent, x, y, width, height, style), captionText(caption) {}

int32_t Widget::index() const { return static_cast<int32_t>(GetWindowLongPtrA(hwnd(), GWLP_ID)); }

EditWin* Widget::editorWindow() const { return EditWin::ofWidget(hwnd()); }

void Widget::request(UINT message, LPARAM lParam) const {
    SendMessageA(GetParent(hwnd()), message, static_cast<WPARAM>(index()), lParam);
}

void Widget::requestValueChange(float value) const {
    request(msgBeginEdit);
    request(msgSetValue, static_cast<LPARAM>(floatBits(value)));
    request(msgEndEdit);
}

void Widget::cancelLearn() const {
    if (learning) request(msgLearnEnd);
}

void Widget::showMenu(int rise, const MenuEntries& entries) const {
    RECT r;
    GetWindowRect(hwnd(), &r);
    showPopupMenu(hwnd(), TPM_VERPOSANIMATION, r.left, r.bottom - rise, entries);
}

void Widget::trackHover() {
    setSystemCursor(IDC_HAND);
    if (hovered) return;
    hovered = true;
    // Ask for a WM_MOUSELEAVE when the pointer leaves.
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd();
    track.dwHoverTime = 0;
    TrackMouseEvent(&track);
    invalidate();
}

LPCSTR Widget::ownCursor() const {
    const LPCSTR held = holdsPointer() ? heldCursor() : nullptr;
    return held ? held : IDC_HAND;
}

LRESULT Widget::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case msgLearn:
        case msgLearnEnd:
            learning = message == msgLearn;
            invalidate();
            return 0;
        case msgShowValue:
            showValue(floatFromBits(static_cast<uint32_t>(wParam)));
            invalidate();
            return 0;
        case WM_SETCURSOR:
            // The system asks before every mouse message (also wheel turns); left
            // to the default procedure the class arrow would flash up until the
            // next mouse move set the widget's cursor again.
            if (LOWORD(lParam) != HTCLIENT) return WinControl::handleMessage(window, message, wParam, lParam);
            setSystemCursor(ownCursor());
            return TRUE;
        case WM_MOUSEMOVE:
            if (holdsPointer())
                heldMove(static_cast<short>(HIWORD(lParam)), wParam);
            else
                trackHover();
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONUP:
            if (!holdsPointer() || heldCursor()) setSystemCursor(ownCursor());
            return 0;
        case WM_RBUTTONDOWN:
            cancelLearn();
            showContextMenu();
            return 0;
        case WM_MOUSELEAVE:
            if (hovered) {
                hovered = false;
                invalidate();
            }
            return 0;
        case WM_CAPTURECHANGED: invalidate(); return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case msgLearn: request(msgLearn); break;
                case msgUnlearn: request(msgUnlearn); break;
                default: menuCommand(LOWORD(wParam)); break;
            }
            return 0;
        default: return WinControl::handleMessage(window, message, wParam, lParam);
    }
}

}  // namespace PlugEdit
