// Messages, menu and painting of PlugEdit::OnOff.
#include "plugedit/OnOff.h"

#include <cstdio>

#include "plugedit/popupMenu.h"
#include "plugedit/widgetSupport.h"

namespace PlugEdit {

OnOff::OnOff(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption,
             const char* const* stateNames, const char* const* menuNames)
    : WinControl(parent, x, y, width, height, style), caption(caption), stateNames(stateNames), menuNames(menuNames) {}

void OnOff::click() {
    if (learning) {
        requestFromEditor(hwnd, msgLearnEnd);  // a click while learning only cancels the learn
    } else {
        // Toggles the state shown; the new state arrives only with the returned value.
        requestValueChange(hwnd, on ? 0.0f : 1.0f);
    }
    setSystemCursor(IDC_HAND);
}

void OnOff::choose(unsigned command) {
    switch (command) {
        case msgLearn: requestFromEditor(hwnd, msgLearn); return;
        case msgUnlearn: requestFromEditor(hwnd, msgUnlearn); return;
        default:
            on = command != 0;
            requestValueChange(hwnd, on ? 1.0f : 0.0f);
            return;
    }
}

void OnOff::showMenu() {
    const int32_t key = widgetMidiKey(hwnd);
    invalidate();
    RECT r;
    GetWindowRect(hwnd, &r);
    showPopupMenu(hwnd, TPM_VERPOSANIMATION, r.left, r.bottom, [&](HMENU menu) {
        AppendMenuA(menu, MF_STRING | (on ? 0 : MF_CHECKED), 0, menuNames ? menuNames[0] : "");
        AppendMenuA(menu, MF_STRING | (on ? MF_CHECKED : 0), 1, menuNames ? menuNames[1] : "");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        appendLearnEntries(menu, key);
    });
}

LRESULT OnOff::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (applyLearnMessage(*this, message, learning)) return 0;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: click(); return 0;
        case WM_SETCURSOR:
            if (answerSetCursor(lParam, IDC_HAND)) return TRUE;
            return WinControl::handleMessage(window, message, wParam, lParam);
        case WM_MOUSEMOVE:
            if (!holdsCapture()) {
                setSystemCursor(IDC_HAND);
                if (!hovered) {
                    hovered = 1;
                    requestLeaveNotice(hwnd);
                    invalidate();
                }
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONUP:
            if (!holdsCapture()) setSystemCursor(IDC_HAND);
            return 0;
        case WM_RBUTTONDOWN:
            if (learning) requestFromEditor(hwnd, msgLearnEnd);
            showMenu();
            return 0;
        case WM_MOUSELEAVE:
            if (hovered) {
                hovered = 0;
                invalidate();
            }
            return 0;
        case WM_CAPTURECHANGED: invalidate(); return 0;
        case WM_COMMAND: choose(LOWORD(wParam)); return 0;
        case msgShowValue:
            // Exactly 0.5 and not-a-number show off, as the signal chain reads its switches.
            on = floatFromBits(static_cast<uint32_t>(wParam)) > 0.5f;
            invalidate();
            return 0;
        default: return WinControl::handleMessage(window, message, wParam, lParam);
    }
}

void OnOff::paint(HWND window, HDC dc) {
    drawParentBackground(this, dc);
    SetBkMode(dc, TRANSPARENT);
    RECT r;
    GetClientRect(window, &r);
    EditWin* editor = EditWin::ofWidget(hwnd);
    if (!editor) return;
    HGDIOBJ previousFont = SelectObject(dc, hovered ? editor->smallUnderlinedFont : editor->smallFont);
    const char* state = stateNames ? stateNames[on ? 1 : 0] : "";
    if (learning) {
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextA(dc, "..learning..", -1, &r, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
    } else {
        char line[96];
        std::snprintf(line, sizeof line, "%s: %s", caption ? caption : "", state);
        // Measure the whole line, then centre a rectangle exactly that wide.
        const LONG oldRight = r.right;
        DrawTextA(dc, line, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
        const LONG shift = (oldRight - r.right) / 2;
        r.left += shift;
        r.right += shift;
        char captionPart[80];
        std::snprintf(captionPart, sizeof captionPart, "%s:", caption ? caption : "");
        // The rectangle is measured with advance widths, and a glyph's ink may
        // reach past its advance (the "f" of "off"): the parts are drawn
        // unclipped, the window's own edges clip.
        SetTextColor(dc, editor->layout->captionColour);
        DrawTextA(dc, captionPart, -1, &r, DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP);
        if (hovered) SelectObject(dc, editor->smallFont);  // the state word is never underlined
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextA(dc, state, -1, &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM | DT_NOCLIP);
    }
    SelectObject(dc, previousFont);
}

}  // namespace PlugEdit
