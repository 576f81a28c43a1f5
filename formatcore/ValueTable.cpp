// The display read once, the search run once per interval of equal answers.
#include "formatcore/ValueTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace FormatCore {
namespace {

using Text = std::string;

uint32_t bitsOf(float v) {
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}
float floatOf(uint32_t b) {
    float v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// Every text the display shows across 0..1, with the first value showing it:
// found by splitting wherever the two ends of a span show different texts.
class DisplayRuns final : public PlugCore::ParameterDisplay {
public:
    explicit DisplayRuns(PlugCore::ParameterDisplay& display) : display(display) {
        const uint32_t last = bitsOf(1.0f);
        Text first = ask(0.0f), end = ask(1.0f);
        starts.push_back(0.0f);
        texts.push_back(first);
        split(0, first, last, end);
    }
    // [UI thread] The recorded text, as the display would write it into `size` bytes.
    void text(float value, char* out, size_t size) override {
        const auto k = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), value) - starts.begin());
        const Text& t = texts[k == 0 ? 0 : k - 1];
        const size_t n = std::min(t.size(), size - 1);
        std::memcpy(out, t.data(), n);
        out[n] = 0;
    }
    std::vector<float> starts;
    std::vector<Text> texts;

private:
    Text ask(float v) {
        char buffer[PlugCore::DisplaySamples::kTextSize] = {};
        display.text(v, buffer, sizeof buffer);
        buffer[sizeof buffer - 1] = 0;
        return buffer;
    }
    void split(uint32_t a, const Text& ta, uint32_t b, const Text& tb) {
        if (ta == tb) return;
        if (b == a + 1) {
            starts.push_back(floatOf(b));
            texts.push_back(tb);
            return;
        }
        const uint32_t m = a + (b - a) / 2;
        const Text tm = ask(floatOf(m));
        split(a, ta, m, tm);
        split(m, tm, b, tb);
    }
    PlugCore::ParameterDisplay& display;
};

// The number the search reads for a value: that of its shortest decimal text.
double decimalOf(float v) {
    char text[48];
    PlugCore::shortestText(v, text, sizeof text);
    double n = 0.0;
    PlugCore::leadingNumber(text, n, nullptr);
    return n;
}

// The first value whose decimal reaches d (or passes it, when strict), near
// the float nearest d: decimals rise with the values they stand for.
float firstReaching(double d, bool strict) {
    auto reached = [&](float v) { return strict ? decimalOf(v) > d : decimalOf(v) >= d; };
    float v = static_cast<float>(d);
    while (reached(v)) v = std::nextafter(v, -INFINITY);
    while (!reached(v)) v = std::nextafter(v, INFINITY);
    return v;
}

}  // namespace

ValueTable::ValueTable(PlugCore::Plug& plug, int32_t index, const ParameterUnits& units,
                       const PlugCore::DisplaySamples& samples)
    : kind(units.kind), minimum(units.minimum), maximum(units.maximum) {
    PlugDisplay real(plug, index);
    if (kind == ParameterUnits::toggle) {
        offAnswered = FormatCore::normalizedFor(real, units, samples, 0.0f, offAnswer);
        onAnswered = FormatCore::normalizedFor(real, units, samples, 1.0f, onAnswer);
        return;
    }
    if (kind != ParameterUnits::number) return;

    DisplayRuns runs(real);
    // Where the answer may change: at every displayed number (the first value
    // reaching it and the first passing it) and at every value whose decimal
    // is a text the display shows.
    std::vector<float> cuts{minimum};
    for (const Text& t : runs.texts) {
        double d;
        if (!PlugCore::leadingNumber(t.c_str(), d, nullptr)) continue;
        cuts.push_back(firstReaching(d, false));
        cuts.push_back(firstReaching(d, true));
    }
    for (int k = 0; k <= PlugCore::DisplaySamples::kSteps; ++k) {
        double d;
        if (!PlugCore::leadingNumber(samples.text[k], d, nullptr)) continue;
        const float v = std::strtof(samples.text[k] + std::strspn(samples.text[k], " \t\n\v\f\r"), nullptr);
        cuts.push_back(v);
        cuts.push_back(std::nextafter(v, INFINITY));
    }
    std::sort(cuts.begin(), cuts.end());
    for (float cut : cuts) {
        if (cut < minimum || cut > maximum || (!starts.empty() && cut == starts.back())) continue;
        float answer = 0.0f;
        const bool ok = FormatCore::normalizedFor(runs, units, samples, cut, answer);
        starts.push_back(cut);
        answers.push_back(answer);
        answered.push_back(ok ? 1 : 0);
    }
}

bool ValueTable::normalizedFor(float displayValue, float& normalized) const {
    if (std::isnan(displayValue)) return false;
    switch (kind) {
        case ParameterUnits::normalized: normalized = std::clamp(displayValue, 0.0f, 1.0f); return true;
        case ParameterUnits::toggle:
            if (displayValue > 0.0f ? !onAnswered : !offAnswered) return false;
            normalized = displayValue > 0.0f ? onAnswer : offAnswer;
            return true;
        case ParameterUnits::number: break;
    }
    const float v = std::clamp(displayValue, minimum, maximum);
    const auto k = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), v) - starts.begin());
    if (k == 0 || !answered[k - 1]) return false;
    normalized = answers[k - 1];
    return true;
}

}  // namespace FormatCore
