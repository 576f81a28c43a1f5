#include "tools/render/parameterValues.h"

#include "plugcore/valueText.h"
#include "tools/render/renderError.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <vector>

namespace render {
namespace {

std::string trimmed(const std::string& text) {
    size_t a = 0, b = text.size();
    while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
    return text.substr(a, b - a);
}

bool sameText(const std::string& a, const std::string& b) { return PlugCore::sameText(a.c_str(), b.c_str()); }

// The hosted plug-in's display of one parameter, asked through its value.
class HostedDisplay final : public PlugCore::ParameterDisplay {
public:
    HostedDisplay(vsthost::Plugin& plugin, int index) : hostedPlugin(plugin), parameterIndex(index) {}
    void text(float v, char* out, size_t size) override {
        hostedPlugin.setParameter(parameterIndex, v);
        const std::string shown = hostedPlugin.parameterDisplay(parameterIndex);
        const size_t n = std::min(shown.size(), size - 1);
        shown.copy(out, n);
        out[n] = 0;
    }

private:
    vsthost::Plugin& hostedPlugin;
    int parameterIndex;
};

std::string describeTexts(const PlugCore::DisplaySamples& samples) {
    std::vector<std::string> distinct;
    for (const auto& t : samples.text)
        if (std::find(distinct.begin(), distinct.end(), t) == distinct.end()) distinct.push_back(t);
    if (distinct.size() > 8) return distinct.front() + " .. " + distinct.back();
    std::string list;
    for (const auto& t : distinct) list += (list.empty() ? "" : ", ") + t;
    return list;
}

}  // namespace

bool splitAssignment(const std::string& text, std::string& name, std::string& value) {
    size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    name = trimmed(text.substr(0, eq));
    value = trimmed(text.substr(eq + 1));
    return !name.empty() && !value.empty();
}

int findParameter(vsthost::Plugin& plugin, const std::string& name) {
    std::string names;
    for (int i = 0; i < plugin.numParams(); ++i) {
        std::string own = plugin.parameterName(i);
        if (sameText(own, name)) return i;
        names += (names.empty() ? "" : ", ") + own;
    }
    char* end = nullptr;
    long index = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && *end == '\0' && index >= 0 && index < plugin.numParams()) return static_cast<int>(index);
    throw RenderError(exitParameter, "unknown parameter '" + name + "' (parameters: " + names + ")");
}

float valueForText(vsthost::Plugin& plugin, int index, const std::string& text) {
    HostedDisplay display(plugin, index);
    const std::string name = plugin.parameterName(index);
    const std::string label = plugin.parameterLabel(index);
    auto samples = std::make_unique<PlugCore::DisplaySamples>();
    PlugCore::sampleDisplay(display, *samples);
    float v = 0.0f;
    const std::string first = samples->text[0], last = samples->text[PlugCore::DisplaySamples::kSteps];
    switch (PlugCore::valueForText(display, *samples, text.c_str(), label.c_str(), v)) {
        case PlugCore::ValueTextStatus::ok: break;
        case PlugCore::ValueTextStatus::unknownText:
            throw RenderError(exitParameter, "'" + text + "' is not a value of " + name + " (" + describeTexts(*samples) + ")");
        case PlugCore::ValueTextStatus::wrongUnit:
            throw RenderError(exitParameter, "'" + text + "': " + name + " is measured in '" + label + "'");
        case PlugCore::ValueTextStatus::textsNotNumbers:
            throw RenderError(exitParameter, name + " shows texts, not numbers (" + describeTexts(*samples) + ")");
        case PlugCore::ValueTextStatus::notMonotonic:
            throw RenderError(exitParameter, "the display of " + name + " does not change in one direction");
        case PlugCore::ValueTextStatus::outOfRange:
            throw RenderError(exitParameter, "'" + text + "' is out of range for " + name + " (" + first + " .. " + last +
                                                 (label.empty() ? "" : " " + label) + ")");
    }
    plugin.setParameter(index, v);
    return v;
}

}  // namespace render
