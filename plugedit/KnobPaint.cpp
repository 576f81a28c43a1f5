// Painting of PlugEdit::Knob: scale and animated body from the texture atlas, caption and value text.
#include <cstdio>

#include "blt/atlas.h"
#include "blt/blit.h"
#include "plugedit/Knob.h"
#include "plugedit/knobMath.h"

namespace PlugEdit {

namespace {
// The scale image in the atlas (eleven dots around the body) and its size.
constexpr uint32_t scaleX = 320;
constexpr uint32_t scaleY = 6;
constexpr uint32_t scaleWidth = 80;
constexpr uint32_t scaleHeight = 74;
// Every channel scaled to 224/255: the knob is a little darker unless the mouse is over it.
constexpr uint32_t restingTint = 0xFFE0E0E0;
// Height of the text strip at the bottom: caption on top, value text below.
constexpr int textStripHeight = 24;
}  // namespace

void Knob::paint(HWND, HDC dc) {
    drawParentBackground(this, dc);
    const QuillBLT::Surface* atlas = QuillBLT::commonTextures();
    const QuillBLT::Surface& surface = backBuffer();
    if (atlas && surface.pixels) {
        GdiFlush();  // the parent's picture must be in the pixels before they are blended over
        QuillBLT::composite(surface, 0, 0, scaleWidth, scaleHeight, *atlas, scaleX, scaleY);
        const FrameBlend frames = framesForValue(shownValue);
        QuillBLT::compositeFrameBlend(surface, *atlas, frameX(frames.first), frameY(frames.first), frames.weight,
                                      *atlas, frameX(frames.second), frameY(frames.second),
                                      isHovered() ? QuillBLT::noTint : restingTint);
    }
    GdiFlush();
    SetBkMode(dc, TRANSPARENT);
    drawTexts(dc);
}

void Knob::drawTexts(HDC dc) {
    EditWin* editor = editorWindow();
    if (!editor) return;
    RECT strip;
    GetClientRect(hwnd(), &strip);
    strip.top = strip.bottom - textStripHeight;

    const int32_t parameter = index();
    char display[64] = {};
    char label[64] = {};
    editor->plugin()->getParameterDisplay(parameter, display);
    editor->plugin()->getParameterLabel(parameter, label);
    char valueText[136];
    std::snprintf(valueText, sizeof valueText, "%s %s", display, label);

    const bool hovered = isHovered();
    HGDIOBJ previousFont =
        SelectObject(dc, (hovered && !dragging) ? editor->underlinedTextFont() : editor->smallTextFont());
    SetTextColor(dc, editor->captionColour());
    DrawTextA(dc, caption() ? caption() : "", -1, &strip, DT_SINGLELINE | DT_CENTER);

    SetTextColor(dc, RGB(255, 255, 255));
    if (hovered) SelectObject(dc, editor->smallTextFont());
    if (dragging) SelectObject(dc, editor->largeTextFont());  // the larger font wins during a drag
    DrawTextA(dc, isLearning() ? "..learning.." : valueText, -1, &strip, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
    SelectObject(dc, previousFont);
}

}  // namespace PlugEdit
