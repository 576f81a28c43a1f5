// What comes out for silence and for input no sane signal contains.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace validator {
namespace {

// Silence from the start: -120 dBFS, anything above is sound, not rounding
// residue. Silence after sound: below -100 dBFS, under the noise floor of a
// 16-bit file, once the tail is over. A plug-in that reports no tail size
// (0: unknown) gets 10 s; saturators with memory may need that long.
constexpr double silenceLimit = 1e-6;
constexpr double afterSoundLimit = 1e-5;

std::string level(double x) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3g (%.1f dBFS)", x, x > 0 ? 20 * std::log10(x) : -999.0);
    return text;
}

CheckResult silence(Context& context) {
    std::mt19937 random(context.options().seed + 606);
    const float rate = 44100.0f;
    double worstRest = 0.0;
    for (int setting = 0; setting < context.count(3, 2); ++setting) {
        std::string error;
        auto rig = Rig::createPrepared(context, error, rate, 512);
        if (!rig) return failed(error);
        const char* name = setting == 0 ? "defaults" : "random settings";
        if (setting > 0) rig->randomizeParameters(random);
        // Silence from the start.
        Signal out = rig->render(Signal(rig->inputCount(), 22050), {512});
        if (peak(out) > silenceLimit) return failed(std::string(name) + ": silence in gives " + level(peak(out)));
        // Silence after sound, once the tail is over (at most 10 s are waited for).
        rig->render(inputSignal(*rig, 22050, 60 + setting), {512});
        VstIntPtr tail = rig->plugin().dispatch(effGetTailSize);
        long wait = tail > 0 ? std::min<long>(tail + 2 * 44100, 20 * 44100) : 10 * 44100;
        out = rig->render(Signal(rig->inputCount(), static_cast<int>(wait)), {512});
        double rest = peak(out, out.frames() - 11025);
        if (!firstNonFinite(out).empty()) return failed(std::string(name) + ": " + firstNonFinite(out));
        if (rest > afterSoundLimit)
            return failed(std::string(name) + ": the last 0.25 s of " + std::to_string(wait / 44100) +
                          " s of silence after sound still peaks at " + level(rest) + " (tail " + std::to_string(tail) +
                          " frames)");
        worstRest = std::max(worstRest, rest);
    }
    return passed("silence in stays below -120 dBFS; after sound and the tail, below -100 dBFS (at most " +
                  level(worstRest) + "), defaults and random settings");
}

struct Hostile {
    const char* name;
    double value;
};

// Writes hostile values into a copy of in: every 3rd sample of the first
// quarter and a solid run in the middle.
template <typename T>
BasicSignal<T> poisoned(const BasicSignal<T>& in, T value) {
    BasicSignal<T> s = in;
    for (auto& ch : s.channels) {
        size_t n = ch.size();
        for (size_t i = 0; i < n / 4; i += 3) ch[i] = value;
        for (size_t i = n / 2; i < n / 2 + 64 && i < n; ++i) ch[i] = value;
    }
    return s;
}

template <typename T, typename Render>
std::string feedHostile(Render render, const BasicSignal<T>& clean, const std::vector<Hostile>& values) {
    for (const Hostile& h : values) {
        BasicSignal<T> out = render(poisoned(clean, static_cast<T>(h.value)));
        std::string bad = firstNonFinite(out);
        if (!bad.empty()) return std::string(h.name) + " input gives " + bad;
        out = render(clean);  // and back to normal
        bad = firstNonFinite(out);
        if (!bad.empty()) return "normal input after " + std::string(h.name) + " gives " + bad;
    }
    return {};
}

CheckResult hostileInput(Context& context) {
    std::mt19937 random(context.options().seed + 707);
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Hostile> floats = {{"denormal 1e-40", 1e-40},   {"denormal -1e-42", -1e-42},
                                         {"NaN", std::nan("")},       {"+infinity", inf},
                                         {"-infinity", -inf},         {"1e30", 1e30},
                                         {"-1e30", -1e30},            {"largest float", 3.4028234e38}};
    const std::vector<Hostile> doubles = {{"denormal 1e-310", 1e-310}, {"NaN", std::nan("")}, {"+infinity", inf},
                                          {"-infinity", -inf},         {"1e30", 1e30},        {"-1e300", -1e300}};
    for (int setting = 0; setting < 2; ++setting) {
        std::string error;
        auto rig = Rig::createPrepared(context, error);
        if (!rig) return failed(error);
        if (setting) rig->randomizeParameters(random);
        const char* name = setting ? "random settings: " : "defaults: ";
        Signal clean = inputSignal(*rig, 4096, 70);
        std::string problem = feedHostile<float>([&](const Signal& s) { return rig->render(s, {512}); }, clean, floats);
        if (!problem.empty()) return failed(std::string(name) + problem);
        if (rig->hasFlag(effFlagsCanDoubleReplacing)) {
            problem = feedHostile<double>([&](const SignalD& s) { return rig->renderDouble(s, {512}); },
                                          convertSignal<double>(clean), doubles);
            if (!problem.empty()) return failed(std::string(name) + "double precision: " + problem);
        }
    }
    return passed("denormal, NaN, infinite and huge input never gave NaN or infinity");
}

}  // namespace

void addSignalChecks(std::vector<Check>& list) {
    list.push_back({"silence", "silence in gives silence out, also after the tail of sound", silence});
    list.push_back({"hostile-input", "denormal, NaN, infinite and 1e30 input never give NaN or infinity",
                    hostileInput});
}

}  // namespace validator
