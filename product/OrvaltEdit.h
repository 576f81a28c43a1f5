// OrvaltEdit: the clipper's editor. Four knobs and three switches over the
// 410 x 100 background, and two clip lamps that follow the signal chain's peaks.
#pragma once

#include <list>

#include "plugedit/Edit.h"
#include "sag/canvas.h"
#include "sag/coverage.h"

class Orvalt;

class OrvaltEdit : public PlugEdit::Edit {
public:
    // [UI thread] Becomes the plug-in's editor; no window until the host opens it.
    explicit OrvaltEdit(Orvalt* plugin);
    ~OrvaltEdit() override;

    // [UI thread] The seven widgets, in a fixed order.
    void createControls(PlugEdit::ControlSink& sink) override;
    // [UI thread] Keeps the two published peaks (left, right); always repaints.
    bool takeSharedData(const uint8_t* copy) override;
    // [UI thread] Adds the two lamps onto the background.
    void paintOverlay(const QuillBLT::Surface& pixels) override;

    // Lamp centres and the red a lamp adds for a level.
    static constexpr float leftLampX = 352.0f;
    static constexpr float rightLampX = 376.0f;
    static constexpr float lampY = 48.0f;
    static uint32_t lampColour(float level);

    // [UI thread] The clip level the lamp of a channel (0 left, 1 right) shows:
    // the last one taken from the shared block, 0 before the first.
    float clipLevel(int channel) const { return shownLevels[channel & 1]; }

private:
    void drawLamp(float centreX, float level);

    float shownLevels[2] = {0.0f, 0.0f};
    Sag::Canvas canvas;
    Sag::CoverageBuffer coverage;
};
