// Build-time rasterised glyphs for the editor's texts where the window system
// has no fonts of ours (X11): printable ASCII at the two sizes the editor uses.
#pragma once

#include <cstdint>

namespace PlugEdit {

struct Glyph {
    int16_t advance;  // pen advance in pixels
    int16_t left;     // ink's left edge from the pen
    int16_t top;      // ink's top edge above the baseline
    uint16_t width;
    uint16_t height;
    uint32_t offset;  // first coverage byte (rows top to bottom)
};

struct GlyphFont {
    int ascent;              // pixels above the baseline
    int descent;             // pixels below it
    int underlinePosition;   // top of the underline, pixels below the baseline
    int underlineThickness;  // pixels
    Glyph glyphs[95];        // ' ' to '~'
    const unsigned char* coverage;

    int lineHeight() const { return ascent + descent; }
    // The glyph of a character; '?' for anything outside printable ASCII.
    const Glyph& glyph(char c) const {
        const unsigned u = static_cast<unsigned char>(c);
        return glyphs[(u >= 32 && u < 127 ? u : '?') - 32];
    }
};

// The editor's small (7 point, captions and values) and large (9 point, a value being dragged) text.
extern const GlyphFont smallGlyphs;
extern const GlyphFont largeGlyphs;

}  // namespace PlugEdit
