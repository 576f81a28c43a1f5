// Knob and switch painting with build-time glyphs.
#include "plugedit/widgetPaint.h"

#include <algorithm>
#include <cstdio>

#include "plugedit/knobArt.h"
#include "plugedit/text/textDraw.h"

namespace PlugEdit {

namespace {
constexpr uint32_t white = 0x00FFFFFF;
const char* const learningText = "..learning..";
}  // namespace

QuillBLT::Surface areaOf(const QuillBLT::Surface& picture, const WidgetPlace& p) {
    if (!picture.pixels || p.x < 0 || p.y < 0 || static_cast<uint32_t>(p.x) >= picture.width ||
        static_cast<uint32_t>(p.y) >= picture.height)
        return {};
    const uint32_t w = std::min<uint32_t>(static_cast<uint32_t>(p.width), picture.width - static_cast<uint32_t>(p.x));
    const uint32_t h = std::min<uint32_t>(static_cast<uint32_t>(p.height), picture.height - static_cast<uint32_t>(p.y));
    return QuillBLT::Surface(&picture.at(static_cast<uint32_t>(p.x), static_cast<uint32_t>(p.y)), w, h, picture.stride);
}

void paintKnob(const QuillBLT::Surface& area, const KnobLook& look, uint32_t captionColour) {
    if (!area.pixels) return;
    paintKnobArt(area, look.value, look.hovered);
    const TextBox strip{0, static_cast<int>(area.height) - knobTextStripHeight, static_cast<int>(area.width),
                        static_cast<int>(area.height)};
    // The caption is underlined under the mouse unless a drag is on.
    drawTextIn(area, smallGlyphs, look.caption ? look.caption : "", strip, alignCentre,
               pixelFromColorref(captionColour), look.hovered && !look.dragging);
    // The larger text wins during a drag.
    const GlyphFont& valueFont = look.dragging ? largeGlyphs : smallGlyphs;
    drawTextIn(area, valueFont, look.learning ? learningText : look.valueText.c_str(), strip,
               alignCentre | alignBottom, white);
}

void paintSwitch(const QuillBLT::Surface& area, const SwitchLook& look, uint32_t captionColour) {
    if (!area.pixels) return;
    TextBox r{0, 0, static_cast<int>(area.width), static_cast<int>(area.height)};
    if (look.learning) {
        drawTextIn(area, smallGlyphs, learningText, r, alignCentre | alignBottom, white, look.hovered);
        return;
    }
    const char* caption = look.caption ? look.caption : "";
    const char* state = look.stateName ? look.stateName : "";
    char line[96];
    std::snprintf(line, sizeof line, "%s: %s", caption, state);
    // The whole line is measured and a box exactly that wide is centred.
    const int width = textWidth(smallGlyphs, line);
    const int shift = (r.right - (r.left + width)) / 2;
    r.left += shift;
    r.right = r.left + width;
    char captionPart[80];
    std::snprintf(captionPart, sizeof captionPart, "%s:", caption);
    drawTextIn(area, smallGlyphs, captionPart, r, alignLeft | alignBottom, pixelFromColorref(captionColour),
               look.hovered);
    drawTextIn(area, smallGlyphs, state, r, alignRight | alignBottom, white);  // the state word is never underlined
}

}  // namespace PlugEdit
