// Mouse, wheel, menu and value messages of PlugEdit::Knob.
#include "plugedit/Knob.h"

#include <cstdio>

#include "plugedit/knobMath.h"
#include "plugedit/popupMenu.h"
#include "plugedit/widgetSupport.h"

namespace PlugEdit {

namespace {
// Radius of the knob's hit disc around the client centre.
constexpr int hitRadius = 32;

bool keyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }
}  // namespace

Knob::Knob(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption)
    : WinControl(parent, x, y, width, height, style), caption(caption) {}

LRESULT Knob::hitTest(LPARAM lParam) {
    RECT r;
    GetWindowRect(hwnd, &r);
    const int dx = static_cast<short>(LOWORD(lParam)) - width / 2 - r.left;
    const int dy = static_cast<short>(HIWORD(lParam)) - height / 2 - r.top;
    // Outside the disc (corners, outer text strip) the input goes to the editor window below.
    return dx * dx + dy * dy < hitRadius * hitRadius ? HTCLIENT : HTTRANSPARENT;
}

void Knob::beginDrag() {
    if (learning) requestFromEditor(hwnd, msgLearnEnd);
    SetCapture(hwnd);
    dragging = 1;
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT r;
    GetWindowRect(hwnd, &r);
    dragY = cursor.y - r.top;
    setSystemCursor(IDC_SIZENS);
    dragValue = value;
    dragAnchor = DragAnchor{value, dragY, false};
    requestFromEditor(hwnd, msgBeginEdit);
    invalidate();
}

void Knob::dragTo(int y, WPARAM keys) {
    if (y == dragY) return;
    value = dragStep(dragAnchor, dragValue, dragY, y, (keys & (MK_SHIFT | MK_CONTROL)) != 0);
    requestFromEditor(hwnd, msgSetValue, static_cast<LPARAM>(floatBits(value)));
    dragValue = value;
    dragY = y;
}

void Knob::trackHover() {
    setSystemCursor(IDC_HAND);
    if (hovered) return;
    hovered = 1;
    requestLeaveNotice(hwnd);
    invalidate();
}

void Knob::turnWheel(int delta) {
    const bool fine = keyDown(VK_LSHIFT) || keyDown(VK_RSHIFT) || keyDown(VK_LCONTROL) || keyDown(VK_RCONTROL);
    value = wheelStep(value, delta, fine);
    requestValueChange(hwnd, value);
}

void Knob::resetToDefault() {
    requestFromEditor(hwnd, msgBeginEdit);
    requestFromEditor(hwnd, msgResetDefault);
    requestFromEditor(hwnd, msgEndEdit);
}

void Knob::showMenu() {
    const int32_t index = widgetIndex(hwnd);
    EditWin* editor = EditWin::ofWidget(hwnd);
    char shown[64] = {};
    char label[64] = {};
    if (editor) {
        PlugCore::Plug* plug = editor->plugin();
        const PlugCore::ParamTable& table = plug->parameterTable();
        const bool inTable = index >= 0 && static_cast<uint32_t>(index) < table.count;
        plug->formatParameter(index, shown, sizeof shown, inTable ? table.params[index].defaultValue : 0.0f);
        plug->getParameterLabel(index, label);
    }
    char resetEntry[160];
    std::snprintf(resetEntry, sizeof resetEntry, "&Reset to default (%s %s)", shown, label);
    const int32_t key = widgetMidiKey(hwnd);
    RECT r;
    GetWindowRect(hwnd, &r);
    showPopupMenu(hwnd, TPM_VERPOSANIMATION, r.left, r.bottom - 10, [&](HMENU menu) {
        AppendMenuA(menu, MF_STRING, msgResetDefault, resetEntry);
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        appendLearnEntries(menu, key);
    });
}

LRESULT Knob::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (applyLearnMessage(*this, message, learning)) return 0;
    switch (message) {
        case WM_NCHITTEST: return hitTest(lParam);
        case WM_SETCURSOR:
            if (answerSetCursor(lParam, dragging ? IDC_SIZENS : IDC_HAND)) return TRUE;
            return WinControl::handleMessage(window, message, wParam, lParam);
        case WM_LBUTTONDOWN: beginDrag(); return 0;
        case WM_MOUSEMOVE:
            if (dragging)
                dragTo(static_cast<short>(HIWORD(lParam)), wParam);
            else
                trackHover();
            return 0;
        case WM_LBUTTONUP:
            if (dragging)
                ReleaseCapture();  // the drag ends in WM_CAPTURECHANGED
            else
                setSystemCursor(IDC_HAND);
            return 0;
        case WM_LBUTTONDBLCLK: resetToDefault(); return 0;
        case WM_RBUTTONDOWN:
            if (dragging) {
                value = 0.5f;
                requestFromEditor(hwnd, msgSetValue, static_cast<LPARAM>(floatBits(value)));
                ReleaseCapture();
                return 0;
            }
            if (learning) requestFromEditor(hwnd, msgLearnEnd);
            showMenu();
            return 0;
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONUP: setSystemCursor(dragging ? IDC_SIZENS : IDC_HAND); return 0;
        case WM_MOUSEWHEEL: turnWheel(static_cast<short>(HIWORD(wParam))); return 0;
        case WM_CAPTURECHANGED:
            if (dragging) {
                dragging = 0;
                requestFromEditor(hwnd, msgEndEdit);
                setSystemCursor(IDC_ARROW);
            }
            invalidate();
            return 0;
        case WM_MOUSELEAVE:
            if (hovered) {
                hovered = 0;
                invalidate();
            }
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case msgLearn: requestFromEditor(hwnd, msgLearn); break;
                case msgUnlearn: requestFromEditor(hwnd, msgUnlearn); break;
                case msgResetDefault: resetToDefault(); break;
                default: break;
            }
            return 0;
        case msgShowValue:
            value = floatFromBits(static_cast<uint32_t>(wParam));
            invalidate();
            return 0;
        default: return WinControl::handleMessage(window, message, wParam, lParam);
    }
}

}  // namespace PlugEdit
