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

// Edits (insert, delete, replace, swap two neighbours) from a to b.
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

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

std::string nearestName(const std::string& unknown, const std::vector<std::string>& names) {
    const std::string wanted = lowerCase(unknown);
    std::string best, onlyBeginning;
    size_t bestDistance = 3, beginning = 0;  // farther than two edits is a guess, not a typo
    for (const std::string& name : names) {
        const std::string candidate = lowerCase(name);
        const size_t distance = editDistance(wanted, candidate);
        if (distance < bestDistance) bestDistance = distance, best = name;
        if (wanted.size() >= 3 && candidate.compare(0, wanted.size(), wanted) == 0) ++beginning, onlyBeginning = name;
    }
    return !best.empty() ? best : beginning == 1 ? onlyBeginning : "";
}

int findParameter(vsthost::Plugin& plugin, const std::string& name) {
    std::vector<std::string> names;
    for (int i = 0; i < plugin.numParams(); ++i) {
        names.push_back(plugin.parameterName(i));
        if (sameText(names.back(), name)) return i;
    }
    char* end = nullptr;
    long index = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && *end == '\0' && index >= 0 && index < plugin.numParams()) return static_cast<int>(index);
    std::string list;
    for (const std::string& own : names) list += (list.empty() ? "" : ", ") + own;
    const std::string near = nearestName(name, names);
    throw RenderError(exitParameter, "unknown parameter '" + name + "'" + (near.empty() ? "" : " (did you mean " + near + "?)") +
                                         " (parameters: " + list + ")");
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
