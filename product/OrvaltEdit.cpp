// OrvaltEdit's layout (widgets, captions, positions) and its clip lamps.
#include "product/OrvaltEdit.h"

#include <cmath>
#include <cstring>

#include "product/Orvalt.h"
#include "sag/painter.h"

namespace {

const char* const stateWords[2] = {"off", "on"};
const char* const menuWords[2] = {"disabled", "enabled"};

struct SwitchRow {
    int32_t index;
    const char* caption;
    int x;
};
// Above the knob row, y 5 to 16.
const SwitchRow switchRows[] = {
    {Orvalt::kWarm, "saturation", 135},
    {Orvalt::kMakeup, "makeup", 324},
    {Orvalt::kClip, "clip", 258},
};

struct KnobRow {
    int32_t index;
    int slot;
    int nudge;
    const char* caption;
};
// 80 pixels per slot plus a nudge of 4 pixels.
const KnobRow knobRows[] = {
    {Orvalt::kInput, 0, 0, "input"},
    {Orvalt::kDrive, 1, 1, "drive"},
    {Orvalt::kBass, 2, -1, "bass boost"},
    {Orvalt::kLimit, 3, 0, "limit"},
};

constexpr int switchY = 5;
constexpr int switchWidth = 80;
constexpr int switchHeight = 12;
constexpr int knobY = 16;
constexpr int knobSize = 80;

}  // namespace

OrvaltEdit::OrvaltEdit(Orvalt* plugin)
    : Edit(plugin),
      canvas(static_cast<uint32_t>(layout().width), static_cast<uint32_t>(layout().height)),
      coverage(static_cast<uint32_t>(layout().width), static_cast<uint32_t>(layout().height)) {}

OrvaltEdit::~OrvaltEdit() = default;

void OrvaltEdit::createControls(PlugEdit::ControlSink& sink) {
    for (const SwitchRow& row : switchRows)
        sink.addSwitch(row.index, {row.x, switchY, switchWidth, switchHeight}, row.caption, stateWords, menuWords);
    for (const KnobRow& row : knobRows) {
        const int x = 4 * (row.nudge + 20 * row.slot) + 15;
        sink.addKnob(row.index, {x, knobY, knobSize, knobSize}, row.caption);
    }
}

bool OrvaltEdit::takeSharedData(const uint8_t* copy) {
    std::memcpy(shownLevels, copy, sizeof shownLevels);
    return true;
}

uint32_t OrvaltEdit::lampColour(float level) {
    // A level that is not a positive number leaves the lamp dark.
    const float root = level > 0.0f ? std::sqrt(level) : 0.0f;
    return Sag::valueToRed(0.8f * root) | 0xFF000000u;
}

void OrvaltEdit::drawLamp(float centreX, float level) {
    coverage.clear();
    Sag::PointList points;
    Sag::appendCircle(points, centreX, lampY);
    Sag::rasterizePolygon(coverage, points.begin(), points.end());
    Sag::fillCoverage(canvas, coverage, Sag::SolidPaint(lampColour(level)));
}

void OrvaltEdit::paintOverlay(const QuillBLT::Surface& pixels) {
    if (!pixels.pixels || pixels.width < canvas.width || pixels.height < canvas.height) return;
    canvas.zero();
    drawLamp(leftLampX, shownLevels[0]);
    drawLamp(rightLampX, shownLevels[1]);
    // Light is added onto the background: dark lamps change nothing but the alpha byte.
    Sag::addCanvasTo(canvas, pixels);
}
