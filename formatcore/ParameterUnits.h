// A parameter in the units its display shows: a number's range (dB, %, ...),
// a switch's two texts, or plain 0..1 when the display is neither. Read from
// the product's own display, so every format and the renderer's --set turn a
// displayed value into the same normalized float.
#pragma once

#include <cstdint>
#include <string>

#include "plugcore/Plug.h"
#include "plugcore/valueText.h"

namespace FormatCore {

struct ParameterUnits {
    enum Kind { number, toggle, normalized } kind = normalized;
    std::string symbol;   // the parameter's name
    std::string name;     // the same, capitalized
    std::string label;    // the parameter's unit label
    float minimum = 0.0f, maximum = 1.0f, defaultValue = 0.0f;
    std::string offText, onText;  // a toggle's display at 0 and 1
};

// A parameter's display, asked without moving the parameter.
class PlugDisplay final : public PlugCore::ParameterDisplay {
public:
    PlugDisplay(PlugCore::Plug& plug, int32_t index) : plug(plug), index(index) {}
    // [any thread] What the host's display call shows for value.
    void text(float value, char* out, size_t size) override;

private:
    PlugCore::Plug& plug;
    int32_t index;
};

// [UI thread] Reads the units of parameter index from its display; `current`
// is the normalized value whose display gives the default.
ParameterUnits describeParameter(PlugCore::Plug& plug, int32_t index, const PlugCore::DisplaySamples& samples,
                                 float current);

// [UI thread] The value in display units that shows the same as normalized value v.
float displayValueFor(PlugCore::Plug& plug, int32_t index, const ParameterUnits& units, float v);

// [any thread] The normalized value of a value in display units by the display
// search: the one `--set symbol=value` finds (a toggle by its texts, a number
// by its shortest decimal text), clamped to the range; false for NaN (no change).
bool normalizedFor(PlugCore::Plug& plug, int32_t index, const ParameterUnits& units,
                   const PlugCore::DisplaySamples& samples, float displayValue, float& normalized);

}  // namespace FormatCore
