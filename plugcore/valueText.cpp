// The display-text search: sample the display, then bisect toward the edges of
// the values that show the asked-for text or number.
#include "plugcore/valueText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace PlugCore {
namespace {

constexpr int kBisectionSteps = 40;  // far below float resolution
constexpr int kSteps = DisplaySamples::kSteps;

bool blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// [begin, end) of text without surrounding blanks.
void trimmedRange(const char* text, const char*& begin, const char*& end) {
    begin = text;
    end = text + std::strlen(text);
    while (begin < end && blank(*begin)) ++begin;
    while (end > begin && blank(end[-1])) --end;
}

// Finds where matches(v) changes between a (matching) and b (not matching),
// from either side; returns the matching side of the edge.
template <typename Predicate>
float boundary(float a, float b, Predicate matches) {
    for (int i = 0; i < kBisectionSteps; ++i) {
        float mid = 0.5f * (a + b);
        if (mid == a || mid == b) break;
        (matches(mid) ? a : b) = mid;
    }
    return a;
}

// Asks the display and keeps the answer in a buffer of its own.
struct Probe {
    ParameterDisplay& display;
    char buffer[DisplaySamples::kTextSize];
    const char* text(float v) {
        buffer[0] = 0;
        display.text(v, buffer, sizeof buffer);
        buffer[sizeof buffer - 1] = 0;
        return buffer;
    }
    // The displayed number; 0 when the text holds none.
    double number(float v) {
        double n = 0.0;
        leadingNumber(text(v), n, nullptr);
        return n;
    }
};

float valueForChoice(Probe& probe, const DisplaySamples& samples, const char* text) {
    int first = -1, last = -1;
    for (int k = 0; k <= kSteps; ++k) {
        if (sameText(samples.text[k], text)) {
            if (first < 0) first = k;
            last = k;
        } else if (first >= 0) {
            break;  // the first run of matching samples
        }
    }
    // Ends of the range keep the value exact for switches: off is 0, on is 1.
    if (first == 0) return 0.0f;
    if (last == kSteps) return 1.0f;
    auto matches = [&](float v) { return sameText(probe.text(v), text); };
    float low = boundary(float(first) / kSteps, float(first - 1) / kSteps, matches);
    float high = boundary(float(last) / kSteps, float(last + 1) / kSteps, matches);
    return 0.5f * (low + high);
}

}  // namespace

bool sameText(const char* a, const char* b) {
    const char *a0, *a1, *b0, *b1;
    trimmedRange(a, a0, a1);
    trimmedRange(b, b0, b1);
    if (a1 - a0 != b1 - b0) return false;
    for (; a0 < a1; ++a0, ++b0)
        if (std::tolower(static_cast<unsigned char>(*a0)) != std::tolower(static_cast<unsigned char>(*b0)))
            return false;
    return true;
}

bool leadingNumber(const char* text, double& number, const char** rest) {
    const char *begin, *end;
    trimmedRange(text, begin, end);
    if (begin == end) return false;
    char* stop = nullptr;
    const double n = std::strtod(begin, &stop);
    if (stop == begin || std::isnan(n)) return false;
    number = n;
    while (*stop && blank(*stop)) ++stop;
    if (rest) *rest = stop;
    return true;
}

void shortestText(float value, char* out, size_t size) {
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(out, size, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(out, nullptr) == value) return;
    }
}

void sampleDisplay(ParameterDisplay& display, DisplaySamples& samples) {
    for (int k = 0; k <= kSteps; ++k) {
        char* text = samples.text[k];
        text[0] = 0;
        display.text(float(k) / kSteps, text, DisplaySamples::kTextSize);
        text[DisplaySamples::kTextSize - 1] = 0;
    }
}

ValueTextStatus valueForText(ParameterDisplay& display, const DisplaySamples& samples, const char* text,
                             const char* label, float& value) {
    Probe probe{display, {}};
    for (int k = 0; k <= kSteps; ++k) {
        if (sameText(samples.text[k], text)) {
            value = valueForChoice(probe, samples, text);
            return ValueTextStatus::ok;
        }
    }

    double target;
    const char* unit = nullptr;
    if (!leadingNumber(text, target, &unit)) return ValueTextStatus::unknownText;
    if (*unit && !sameText(unit, label ? label : "")) return ValueTextStatus::wrongUnit;

    double numbers[kSteps + 1];
    for (int k = 0; k <= kSteps; ++k)
        if (!leadingNumber(samples.text[k], numbers[k], nullptr)) return ValueTextStatus::textsNotNumbers;
    // The display must move one way only, or no number names a single value.
    const double direction = numbers[kSteps] - numbers[0];
    for (int k = 1; k <= kSteps; ++k)
        if ((numbers[k] - numbers[k - 1]) * direction < 0 || direction == 0) return ValueTextStatus::notMonotonic;
    const double low = std::min(numbers[0], numbers[kSteps]), high = std::max(numbers[0], numbers[kSteps]);
    if (target < low || target > high) return ValueTextStatus::outOfRange;

    // Displayed numbers rise with sign(direction); flip so they always rise.
    const double sign = direction > 0 ? 1.0 : -1.0;
    auto shown = [&](float v) { return sign * probe.number(v); };
    const double goal = sign * target;
    // An end of the range that shows the goal is the exact value (limit 0 dB is 1.0).
    for (float end : {0.0f, 1.0f}) {
        if (shown(end) == goal) {
            value = end;
            return ValueTextStatus::ok;
        }
    }
    // Smallest v showing at least the goal, and largest v showing at most it.
    auto atLeast = [&](float v) { return shown(v) >= goal; };
    auto atMost = [&](float v) { return shown(v) <= goal; };
    const float firstAtLeast = atLeast(0.0f) ? 0.0f : boundary(1.0f, 0.0f, atLeast);
    const float lastAtMost = atMost(1.0f) ? 1.0f : boundary(0.0f, 1.0f, atMost);
    value = std::clamp(0.5f * (firstAtLeast + lastAtMost), 0.0f, 1.0f);
    return ValueTextStatus::ok;
}

}  // namespace PlugCore
