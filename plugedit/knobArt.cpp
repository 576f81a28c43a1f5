// The knob's scale and animated body, drawn from the shared texture atlas.
#include "plugedit/knobArt.h"

#include "blt/atlas.h"
#include "blt/blit.h"
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
}  // namespace

void paintKnobArt(const QuillBLT::Surface& target, float value, bool hovered) {
    const QuillBLT::Surface* atlas = QuillBLT::commonTextures();
    if (!atlas || !target.pixels) return;
    QuillBLT::composite(target, 0, 0, scaleWidth, scaleHeight, *atlas, scaleX, scaleY);
    const FrameBlend frames = framesForValue(value);
    QuillBLT::compositeFrameBlend(target, *atlas, frameX(frames.first), frameY(frames.first), frames.weight, *atlas,
                                  frameX(frames.second), frameY(frames.second),
                                  hovered ? QuillBLT::noTint : restingTint);
}

}  // namespace PlugEdit
