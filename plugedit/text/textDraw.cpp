// Single-line text from build-time glyph coverage, blended over a surface.
#include "plugedit/text/textDraw.h"

namespace PlugEdit {

namespace {

uint32_t blend(uint32_t under, uint32_t colour, unsigned coverage) {
    if (coverage == 0) return under;
    if (coverage >= 255) return 0xFF000000u | colour;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned a = (under >> shift) & 0xFF;
        const unsigned b = (colour >> shift) & 0xFF;
        out |= ((a * (255 - coverage) + b * coverage + 127) / 255) << shift;
    }
    return out;
}

void plot(const QuillBLT::Surface& target, int x, int y, uint32_t colour, unsigned coverage) {
    if (x < 0 || y < 0 || x >= static_cast<int>(target.width) || y >= static_cast<int>(target.height)) return;
    uint32_t& p = target.at(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    p = blend(p, colour, coverage);
}

}  // namespace

int textWidth(const GlyphFont& font, const char* text) {
    int width = 0;
    for (const char* c = text; c && *c; ++c) width += font.glyph(*c).advance;
    return width;
}

void drawTextAt(const QuillBLT::Surface& target, const GlyphFont& font, const char* text, int x, int y,
                uint32_t colour, bool underline) {
    if (!target.pixels || !text) return;
    colour &= 0x00FFFFFF;
    const int baseline = y + font.ascent;
    int pen = x;
    for (const char* c = text; *c; ++c) {
        const Glyph& g = font.glyph(*c);
        const unsigned char* rows = font.coverage + g.offset;
        for (int row = 0; row < g.height; ++row)
            for (int col = 0; col < g.width; ++col)
                plot(target, pen + g.left + col, baseline - g.top + row, colour, rows[row * g.width + col]);
        pen += g.advance;
    }
    if (underline)
        for (int t = 0; t < font.underlineThickness; ++t)
            for (int px = x; px < pen; ++px) plot(target, px, baseline + font.underlinePosition + 1 + t, colour, 255);
}

void drawTextIn(const QuillBLT::Surface& target, const GlyphFont& font, const char* text, const TextBox& box,
                unsigned align, uint32_t colour, bool underline) {
    const int width = textWidth(font, text);
    int x = box.left;
    if (align & alignCentre)
        x = box.left + (box.right - box.left - width) / 2;
    else if (align & alignRight)
        x = box.right - width;
    const int y = (align & alignBottom) ? box.bottom - font.lineHeight() : box.top;
    drawTextAt(target, font, text, x, y, colour, underline);
}

}  // namespace PlugEdit
