// Painting the editor's widgets into a pixel surface with the build-time
// glyphs, for window systems where the editor draws its texts itself. The
// layout of every text follows the Windows widgets line by line.
#pragma once

#include <cstdint>
#include <string>

#include "blt/surface.h"
#include "plugedit/ControlSink.h"

namespace PlugEdit {

// A knob as it is shown: value, caption, the value line and its state.
struct KnobLook {
    float value;
    const char* caption;
    std::string valueText;  // "display unit"
    bool hovered;
    bool dragging;
    bool learning;
};

// A switch as it is shown.
struct SwitchLook {
    bool on;
    const char* caption;
    const char* stateName;  // the word for the state shown
    bool hovered;
    bool learning;
};

// [UI thread] Draws the widget over `area`, a view of the editor's picture at
// the widget's place that already holds the picture under it. captionColour is
// a COLORREF (0x00BBGGRR), as the product's layout gives it.
void paintKnob(const QuillBLT::Surface& area, const KnobLook& look, uint32_t captionColour);
void paintSwitch(const QuillBLT::Surface& area, const SwitchLook& look, uint32_t captionColour);

// The view of `picture` at a widget's place, clipped to the picture.
QuillBLT::Surface areaOf(const QuillBLT::Surface& picture, const WidgetPlace& place);

// 0x00BBGGRR to 0x00RRGGBB.
inline uint32_t pixelFromColorref(uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

}  // namespace PlugEdit
