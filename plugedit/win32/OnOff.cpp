// Messages, menu and painting of PlugEdit::OnOff.
#include "plugedit/win32/OnOff.h"

#include <cstdio>

namespace PlugEdit {

OnOff::OnOff(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption,
             const char* const* stateNames, const char* const* menuNames)
    : Widget(parent, x, y, width, height, style, caption), stateNames(stateNames), menuNames(menuNames) {}

void OnOff::click() {
    if (isLearning()) {
        cancelLearn();  // a click while learning only cancels the learn
    } else {
        // Toggles the state shown; the new state arrives only with the returned value.
        requestValueChange(on ? 0.0f : 1.0f);
    }
    setSystemCursor(IDC_HAND);
}

void OnOff::menuCommand(unsigned command) {
    // The two state entries have the commands 0 and 1; the choice is shown at once.
    on = command != 0;
    requestValueChange(on ? 1.0f : 0.0f);
}

void OnOff::showContextMenu() {
    invalidate();
    EditWin* editor = editorWindow();
    if (editor) showMenu(0, switchMenu(editor->host(), index(), on, menuName(false), menuName(true)));
}

LRESULT OnOff::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: click(); return 0;
        default: return Widget::handleMessage(window, message, wParam, lParam);
    }
}

void OnOff::paint(HWND window, HDC dc) {
    drawParentBackground(this, dc);
    SetBkMode(dc, TRANSPARENT);
    RECT r;
    GetClientRect(window, &r);
    EditWin* editor = editorWindow();
    if (!editor) return;
    const bool hovered = isHovered();
    HGDIOBJ previousFont = SelectObject(dc, hovered ? editor->underlinedTextFont() : editor->smallTextFont());
    const char* state = stateName(on);
    if (isLearning()) {
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextA(dc, "..learning..", -1, &r, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
    } else {
        char line[96];
        std::snprintf(line, sizeof line, "%s: %s", caption() ? caption() : "", state);
        // Measure the whole line, then centre a rectangle exactly that wide.
        const LONG oldRight = r.right;
        DrawTextA(dc, line, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
        const LONG shift = (oldRight - r.right) / 2;
        r.left += shift;
        r.right += shift;
        char captionPart[80];
        std::snprintf(captionPart, sizeof captionPart, "%s:", caption() ? caption() : "");
        // The rectangle is measured with advance widths, and a glyph's ink may
        // reach past its advance (the "f" of "off"): the parts are drawn
        // unclipped, the window's own edges clip.
        SetTextColor(dc, editor->captionColour());
        DrawTextA(dc, captionPart, -1, &r, DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP);
        if (hovered) SelectObject(dc, editor->smallTextFont());  // the state word is never underlined
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextA(dc, state, -1, &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM | DT_NOCLIP);
    }
    SelectObject(dc, previousFont);
}

}  // namespace PlugEdit
