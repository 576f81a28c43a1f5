// Painting of PlugEdit::Knob: scale and animated body from the texture atlas, caption and value text.
#include <string>

#include "plugedit/knobArt.h"
#include "plugedit/menuEntries.h"
#include "plugedit/win32/Knob.h"

namespace PlugEdit {

void Knob::paint(HWND, HDC dc) {
    drawParentBackground(this, dc);
    GdiFlush();  // the parent's picture must be in the pixels before the artwork is blended over
    paintKnobArt(backBuffer(), shownValue, isHovered());
    GdiFlush();
    SetBkMode(dc, TRANSPARENT);
    drawTexts(dc);
}

void Knob::drawTexts(HDC dc) {
    EditWin* editor = editorWindow();
    if (!editor) return;
    RECT strip;
    GetClientRect(hwnd(), &strip);
    strip.top = strip.bottom - knobTextStripHeight;
    const std::string valueText = valueLine(editor->host(), index());

    const bool hovered = isHovered();
    HGDIOBJ previousFont =
        SelectObject(dc, (hovered && !dragging) ? editor->underlinedTextFont() : editor->smallTextFont());
    SetTextColor(dc, editor->captionColour());
    DrawTextA(dc, caption() ? caption() : "", -1, &strip, DT_SINGLELINE | DT_CENTER);

    SetTextColor(dc, RGB(255, 255, 255));
    if (hovered) SelectObject(dc, editor->smallTextFont());
    if (dragging) SelectObject(dc, editor->largeTextFont());  // the larger font wins during a drag
    DrawTextA(dc, isLearning() ? "..learning.." : valueText.c_str(), -1, &strip, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
    SelectObject(dc, previousFont);
}

}  // namespace PlugEdit
