// Units read from the product: ranges, defaults and toggle texts.
#include "formatcore/ParameterUnits.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace FormatCore {

void PlugDisplay::text(float value, char* out, size_t size) {
    // What the host's display call shows for this value (its buffer size included).
    plug.formatParameter(index, out, std::min(size, static_cast<size_t>(kVstMaxParamStrLen)), value);
}

ParameterUnits describeParameter(PlugCore::Plug& plug, int32_t index, const PlugCore::DisplaySamples& samples,
                                 float current) {
    ParameterUnits units;
    char text[kVstMaxParamStrLen + 1] = {};
    plug.getParameterName(index, text);
    units.symbol = text;
    units.name = units.symbol;
    if (!units.name.empty())
        units.name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(units.name[0])));
    text[0] = 0;
    plug.getParameterLabel(index, text);
    units.label = text;

    constexpr int last = PlugCore::DisplaySamples::kSteps;
    double low = 0.0, high = 0.0;
    bool numbers = true;
    for (int k = 0; k <= last && numbers; ++k) {
        double n;
        numbers = PlugCore::leadingNumber(samples.text[k], n, nullptr);
    }
    if (numbers && PlugCore::leadingNumber(samples.text[0], low, nullptr) &&
        PlugCore::leadingNumber(samples.text[last], high, nullptr) && low != high) {
        units.kind = ParameterUnits::number;
        units.minimum = static_cast<float>(std::min(low, high));
        units.maximum = static_cast<float>(std::max(low, high));
    } else if (!numbers && !PlugCore::sameText(samples.text[0], samples.text[last])) {
        // A switch shows one text up to some point and another from there on.
        bool twoTexts = true;
        for (int k = 0; k <= last; ++k)
            twoTexts = twoTexts && (PlugCore::sameText(samples.text[k], samples.text[0]) ||
                                    PlugCore::sameText(samples.text[k], samples.text[last]));
        if (twoTexts) {
            units.kind = ParameterUnits::toggle;
            units.offText = samples.text[0];
            units.onText = samples.text[last];
        }
    }
    units.defaultValue = displayValueFor(plug, index, units, current);
    return units;
}

float displayValueFor(PlugCore::Plug& plug, int32_t index, const ParameterUnits& units, float v) {
    char text[PlugCore::DisplaySamples::kTextSize] = {};
    PlugDisplay(plug, index).text(v, text, sizeof text);
    double n = 0.0;
    switch (units.kind) {
        case ParameterUnits::toggle: return PlugCore::sameText(text, units.onText.c_str()) ? 1.0f : 0.0f;
        case ParameterUnits::number:
            PlugCore::leadingNumber(text, n, nullptr);
            return std::clamp(static_cast<float>(n), units.minimum, units.maximum);
        case ParameterUnits::normalized: break;
    }
    return v;
}

bool normalizedFor(PlugCore::Plug& plug, int32_t index, const ParameterUnits& units,
                   const PlugCore::DisplaySamples& samples, float displayValue, float& normalized) {
    if (std::isnan(displayValue)) return false;
    if (units.kind == ParameterUnits::normalized) {
        normalized = std::clamp(displayValue, 0.0f, 1.0f);
        return true;
    }
    char text[48];
    const char* asked = text;
    if (units.kind == ParameterUnits::toggle)
        asked = displayValue > 0.0f ? units.onText.c_str() : units.offText.c_str();
    else
        PlugCore::shortestText(std::clamp(displayValue, units.minimum, units.maximum), text, sizeof text);
    PlugDisplay display(plug, index);
    return PlugCore::valueForText(display, samples, asked, units.label.c_str(), normalized) ==
           PlugCore::ValueTextStatus::ok;
}

}  // namespace FormatCore
