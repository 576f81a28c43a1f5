// Drawing single lines of text from build-time glyphs into a pixel surface,
// laid out in a rectangle the way the editor's Windows text calls lay them out
// (centred, right-aligned, at the bottom), so both systems place texts alike.
#pragma once

#include <cstdint>

#include "blt/surface.h"
#include "plugedit/text/glyphFont.h"

namespace PlugEdit {

struct TextBox {
    int left;
    int top;
    int right;
    int bottom;
};

enum TextAlign : unsigned {
    alignLeft = 0,
    alignCentre = 1,  // horizontally
    alignRight = 2,
    alignBottom = 8,  // else at the top
};

// The advance width of a line.
int textWidth(const GlyphFont& font, const char* text);

// [UI thread] Draws one line with its pen at x and its top at y in colour
// 0x00RRGGBB (smooth edges blended over the surface's picture), underlined
// when asked. Ink outside the surface is clipped.
void drawTextAt(const QuillBLT::Surface& target, const GlyphFont& font, const char* text, int x, int y,
                uint32_t colour, bool underline = false);

// [UI thread] Draws one line placed in the box by `align`; ink may reach past
// the box (a glyph's ink may exceed its advance), the surface's edges clip.
void drawTextIn(const QuillBLT::Surface& target, const GlyphFont& font, const char* text, const TextBox& box,
                unsigned align, uint32_t colour, bool underline = false);

}  // namespace PlugEdit
