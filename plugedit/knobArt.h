// The knob's artwork from the texture atlas: the scale and the body frame for a value.
#pragma once

#include "blt/surface.h"

namespace PlugEdit {

// [UI thread] Draws the scale at (0, 0) and the blended body frames at (20,
// 14) of `target` (an 80 x 80 knob area over the editor's picture); the body is
// a little darker unless hovered. Nothing without the atlas.
void paintKnobArt(const QuillBLT::Surface& target, float value, bool hovered);

// Height of the knob's text strip at its bottom: caption on top, value text below.
constexpr int knobTextStripHeight = 24;

}  // namespace PlugEdit
