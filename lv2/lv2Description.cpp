// Ports read from the product: identity, ranges, defaults and toggle texts.
#include "lv2/lv2Description.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace Lv2Format {

std::string pluginUri(const PlugCore::ProductInfo& product) {
    return std::string("http://") + (product.webHost ? product.webHost : "localhost") + "/lv2/" + product.name;
}

std::string uiUri(const PlugCore::ProductInfo& product) { return pluginUri(product) + "#ui"; }

std::string chunkKey(const PlugCore::ProductInfo& product) { return pluginUri(product) + "#chunk"; }

LearnUris learnUris(const PlugCore::ProductInfo& product) {
    const std::string base = pluginUri(product) + "#";
    return {base + "learn", base + "unlearn", base + "hello", base + "binding", base + "learnTarget"};
}

uint32_t lampCount(const PlugCore::ProductInfo& product) {
    return static_cast<uint32_t>(product.editor.sharedSize / sizeof(float));
}

void PlugDisplay::text(float value, char* out, size_t size) {
    // What the host's display call shows for this value (its buffer size included).
    plug.formatParameter(index, out, std::min(size, static_cast<size_t>(kVstMaxParamStrLen)), value);
}

ControlPort describeParameter(PlugCore::Plug& plug, int32_t index, const PlugCore::DisplaySamples& samples,
                              float current) {
    ControlPort port;
    char text[kVstMaxParamStrLen + 1] = {};
    plug.getParameterName(index, text);
    port.symbol = text;
    port.name = port.symbol;
    if (!port.name.empty()) port.name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(port.name[0])));
    text[0] = 0;
    plug.getParameterLabel(index, text);
    port.label = text;

    constexpr int last = PlugCore::DisplaySamples::kSteps;
    double low = 0.0, high = 0.0;
    bool numbers = true;
    for (int k = 0; k <= last && numbers; ++k) {
        double n;
        numbers = PlugCore::leadingNumber(samples.text[k], n, nullptr);
    }
    if (numbers && PlugCore::leadingNumber(samples.text[0], low, nullptr) &&
        PlugCore::leadingNumber(samples.text[last], high, nullptr) && low != high) {
        port.kind = ControlPort::number;
        port.minimum = static_cast<float>(std::min(low, high));
        port.maximum = static_cast<float>(std::max(low, high));
    } else if (!numbers && !PlugCore::sameText(samples.text[0], samples.text[last])) {
        // A switch shows one text up to some point and another from there on.
        bool twoTexts = true;
        for (int k = 0; k <= last; ++k)
            twoTexts = twoTexts && (PlugCore::sameText(samples.text[k], samples.text[0]) ||
                                    PlugCore::sameText(samples.text[k], samples.text[last]));
        if (twoTexts) {
            port.kind = ControlPort::toggle;
            port.offText = samples.text[0];
            port.onText = samples.text[last];
        }
    }
    port.defaultValue = portValueFor(plug, index, port, current);
    return port;
}

float portValueFor(PlugCore::Plug& plug, int32_t index, const ControlPort& port, float v) {
    char text[PlugCore::DisplaySamples::kTextSize] = {};
    PlugDisplay(plug, index).text(v, text, sizeof text);
    double n = 0.0;
    switch (port.kind) {
        case ControlPort::toggle: return PlugCore::sameText(text, port.onText.c_str()) ? 1.0f : 0.0f;
        case ControlPort::number:
            PlugCore::leadingNumber(text, n, nullptr);
            return std::clamp(static_cast<float>(n), port.minimum, port.maximum);
        case ControlPort::normalized: break;
    }
    return v;
}

bool normalizedFor(PlugCore::Plug& plug, int32_t index, const ControlPort& port,
                   const PlugCore::DisplaySamples& samples, float portValue, float& normalized) {
    if (std::isnan(portValue)) return false;
    if (port.kind == ControlPort::normalized) {
        normalized = std::clamp(portValue, 0.0f, 1.0f);
        return true;
    }
    char text[48];
    const char* asked = text;
    if (port.kind == ControlPort::toggle)
        asked = portValue > 0.0f ? port.onText.c_str() : port.offText.c_str();
    else
        PlugCore::shortestText(std::clamp(portValue, port.minimum, port.maximum), text, sizeof text);
    PlugDisplay display(plug, index);
    return PlugCore::valueForText(display, samples, asked, port.label.c_str(), normalized) ==
           PlugCore::ValueTextStatus::ok;
}

}  // namespace Lv2Format
