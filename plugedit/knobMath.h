// The knob's value arithmetic: drag and wheel steps, and the animation frames for a value.
// Plain functions without the window system, so they are easy to pin down.
#pragma once

#include <cmath>
#include <cstdint>

namespace PlugEdit {

// Clamps to [0, 1]; a value that is not a number gives 0.
inline float clampKnobValue(float v) {
    if (!(v >= 0.0f)) return 0.0f;
    if (v > 1.0f) return 1.0f;
    return v;
}

// Where a drag is measured from: a value and the cursor row it belongs to.
// Every step is computed from here in double precision, so a drag of n pixels
// lands on n / 400 however many mouse messages it arrived in (one-pixel moves
// summed in single precision would stop short of the ends).
struct DragAnchor {
    double value = 0.0;
    int32_t y = 0;
    bool fine = false;
};

// One drag step to cursor row y: moving up (a smaller y) raises the value; 400
// pixels cover the whole range, 4000 in fine mode. `lastValue` and `lastY` are
// the previous step's. A change of mode measures on from the previous step;
// a step that clamps moves the anchor to the end it reached, so moving back
// after overshooting an end responds at once.
inline float dragStep(DragAnchor& anchor, float lastValue, int32_t lastY, int32_t y, bool fine) {
    if (fine != anchor.fine) anchor = DragAnchor{lastValue, lastY, fine};
    const double divisor = fine ? 4000.0 : 400.0;
    const double v = anchor.value + static_cast<double>(anchor.y - y) / divisor;
    if (v >= 0.0 && v <= 1.0) return static_cast<float>(v);
    const float end = v > 1.0 ? 1.0f : 0.0f;  // not a number gives 0
    anchor = DragAnchor{end, y, fine};
    return end;
}

// A drag in progress: the value and cursor row its last step reached, and the
// anchor every step is measured from.
struct KnobDrag {
    KnobDrag(float start, int32_t row) : value(start), y(row), anchor{start, row, false} {}
    // One step to cursor row `row`; returns the new value.
    float moveTo(int32_t row, bool fine) {
        value = dragStep(anchor, value, y, row, fine);
        y = row;
        return value;
    }
    float value;
    int32_t y;
    DragAnchor anchor;
};

// One wheel message: 120 per notch, one notch is 0.05 (0.005 fine).
inline float wheelStep(float value, int delta, bool fine) {
    const float step = fine ? 0.005f : 0.05f;
    return clampKnobValue(value + step * static_cast<float>(delta) * 0.008333334f);
}

constexpr int knobFrameCount = 96;
constexpr int knobFrameSize = 40;
constexpr int knobFramesPerRow = 8;

// The two animation frames around a value and the share (0..255) of the second.
struct FrameBlend {
    int first;
    int second;
    uint32_t weight;
};

inline FrameBlend framesForValue(float value) {
    const float f = clampKnobValue(value) * 95.0f;
    int i = static_cast<int>(f);
    if (i < 0) i = 0;
    if (i > 95) i = 95;
    const int j = i < 95 ? i + 1 : 95;
    const uint32_t weight = static_cast<uint32_t>(static_cast<int>(std::floor((f - static_cast<float>(i)) * 256.0f))) & 0xFF;
    return {i, j, weight};
}

// Top-left corner of frame k in the texture atlas.
inline uint32_t frameX(int k) { return static_cast<uint32_t>(knobFrameSize * (k % knobFramesPerRow)); }
inline uint32_t frameY(int k) { return static_cast<uint32_t>(knobFrameSize * (k / knobFramesPerRow)); }

}  // namespace PlugEdit
