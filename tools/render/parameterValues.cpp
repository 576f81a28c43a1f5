#include "tools/render/parameterValues.h"

#include "tools/render/renderError.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace render {
namespace {

constexpr int sampleSteps = 64;      // display samples across 0..1 before refining
constexpr int bisectionSteps = 40;   // far below float resolution

std::string trimmed(const std::string& text) {
    size_t a = 0, b = text.size();
    while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
    return text.substr(a, b - a);
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool sameText(const std::string& a, const std::string& b) {
    return lower(trimmed(a)) == lower(trimmed(b));
}

// The leading number of text; false when it does not start with one.
bool leadingNumber(const std::string& text, double& number, std::string& rest) {
    std::string t = trimmed(text);
    if (t.empty()) return false;
    const char* begin = t.c_str();
    char* end = nullptr;
    number = std::strtod(begin, &end);
    if (end == begin || std::isnan(number)) return false;
    rest = trimmed(std::string(end));
    return true;
}

class DisplayProbe {
public:
    DisplayProbe(vsthost::Plugin& plugin, int index) : hostedPlugin(plugin), parameterIndex(index) {}
    std::string text(float v) {
        hostedPlugin.setParameter(parameterIndex, v);
        return hostedPlugin.parameterDisplay(parameterIndex);
    }
    bool number(float v, double& out) {
        std::string rest;
        return leadingNumber(text(v), out, rest);
    }

private:
    vsthost::Plugin& hostedPlugin;
    int parameterIndex;
};

std::string describeTexts(const std::vector<std::string>& texts) {
    std::vector<std::string> distinct;
    for (const auto& t : texts)
        if (std::find(distinct.begin(), distinct.end(), t) == distinct.end()) distinct.push_back(t);
    if (distinct.size() > 8) return distinct.front() + " .. " + distinct.back();
    std::string list;
    for (const auto& t : distinct) list += (list.empty() ? "" : ", ") + t;
    return list;
}

// Finds where matches(v) changes between a (matching) and b (not matching),
// from either side; returns the matching side of the edge.
template <typename Predicate>
float boundary(float a, float b, Predicate matches) {
    for (int i = 0; i < bisectionSteps; ++i) {
        float mid = 0.5f * (a + b);
        if (mid == a || mid == b) break;
        (matches(mid) ? a : b) = mid;
    }
    return a;
}

float valueForChoice(DisplayProbe& probe, const std::vector<std::string>& samples, const std::string& text) {
    int first = -1, last = -1;
    for (int k = 0; k <= sampleSteps; ++k) {
        if (sameText(samples[static_cast<size_t>(k)], text)) {
            if (first < 0) first = k;
            last = k;
        } else if (first >= 0) {
            break;  // the first run of matching samples
        }
    }
    // Ends of the range keep the value exact for switches: off is 0, on is 1.
    if (first == 0) return 0.0f;
    if (last == sampleSteps) return 1.0f;
    auto matches = [&](float v) { return sameText(probe.text(v), text); };
    float low = boundary(float(first) / sampleSteps, float(first - 1) / sampleSteps, matches);
    float high = boundary(float(last) / sampleSteps, float(last + 1) / sampleSteps, matches);
    return 0.5f * (low + high);
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
    DisplayProbe probe(plugin, index);
    const std::string name = plugin.parameterName(index);
    std::vector<std::string> samples;
    for (int k = 0; k <= sampleSteps; ++k) samples.push_back(probe.text(float(k) / sampleSteps));

    for (const auto& s : samples) {
        if (sameText(s, text)) {
            float v = valueForChoice(probe, samples, text);
            plugin.setParameter(index, v);
            return v;
        }
    }

    double target;
    std::string unit;
    if (!leadingNumber(text, target, unit))
        throw RenderError(exitParameter, "'" + text + "' is not a value of " + name + " (" + describeTexts(samples) + ")");
    if (!unit.empty() && !sameText(unit, plugin.parameterLabel(index)))
        throw RenderError(exitParameter, "'" + text + "': " + name + " is measured in '" + plugin.parameterLabel(index) + "'");

    std::vector<double> numbers;
    for (const auto& s : samples) {
        double n;
        std::string rest;
        if (!leadingNumber(s, n, rest))
            throw RenderError(exitParameter, name + " shows texts, not numbers (" + describeTexts(samples) + ")");
        numbers.push_back(n);
    }
    // The display must move one way only, or no number names a single value.
    double direction = numbers.back() - numbers.front();
    for (size_t k = 1; k < numbers.size(); ++k)
        if ((numbers[k] - numbers[k - 1]) * direction < 0 || direction == 0)
            throw RenderError(exitParameter, "the display of " + name + " does not change in one direction");
    double low = std::min(numbers.front(), numbers.back()), high = std::max(numbers.front(), numbers.back());
    if (target < low || target > high) {
        std::string label = plugin.parameterLabel(index);
        throw RenderError(exitParameter, "'" + text + "' is out of range for " + name + " (" + samples.front() + " .. " +
                                             samples.back() + (label.empty() ? "" : " " + label) + ")");
    }
    // Displayed numbers rise with sign(direction); flip so they always rise.
    double sign = direction > 0 ? 1.0 : -1.0;
    auto shown = [&](float v) {
        double n = 0;
        probe.number(v, n);
        return sign * n;
    };
    double goal = sign * target;
    // An end of the range that shows the goal is the exact value (limit 0 dB is 1.0).
    for (float end : {0.0f, 1.0f}) {
        if (shown(end) == goal) {
            plugin.setParameter(index, end);
            return end;
        }
    }
    // Smallest v showing at least the goal, and largest v showing at most it.
    auto atLeast = [&](float v) { return shown(v) >= goal; };
    auto atMost = [&](float v) { return shown(v) <= goal; };
    float firstAtLeast = atLeast(0.0f) ? 0.0f : boundary(1.0f, 0.0f, atLeast);
    float lastAtMost = atMost(1.0f) ? 1.0f : boundary(0.0f, 1.0f, atMost);
    float v = std::clamp(0.5f * (firstAtLeast + lastAtMost), 0.0f, 1.0f);
    plugin.setParameter(index, v);
    return v;
}

}  // namespace render
