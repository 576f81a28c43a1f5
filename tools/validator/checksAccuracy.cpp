// The same audio through the plug-in's other doors: double precision, and
// the same buffers for input and output.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"

#include <cstdio>
#include <stdexcept>
#include <random>

namespace validator {
namespace {

// Float and double paths may differ by the float path's own rounding of its
// input and output, a few units in the last place.
constexpr double allowedUlps = 4.0;

std::string ulpText(double ulps) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", ulps);
    return text;
}

CheckResult doublePrecision(Context& context) {
    std::string error;
    auto single = Rig::createPrepared(context, error);
    auto twice = Rig::createPrepared(context, error);
    if (!single || !twice) return failed(error);
    if (!single->hasFlag(effFlagsCanDoubleReplacing)) return skipped("no effFlagsCanDoubleReplacing");
    std::mt19937 random(context.options().seed + 404);
    std::vector<float> settings;
    std::string why;
    if (!reproducibleSettings(context, random, settings, why)) return skipped(why);
    for (int setting = 0; setting < 3; ++setting) {
        if (setting == 1) {
            single->setParameters(settings);
            twice->setParameters(settings);
        }
        Signal in = inputSignal(*single, context.count(16384, 4096), 40 + setting);
        Signal viaFloat = single->render(in, {512});
        SignalD viaDouble = twice->renderDouble(convertSignal<double>(in), {512});
        std::string bad = firstNonFinite(viaDouble);
        if (!bad.empty()) return failed("double-precision output has " + bad);
        double ulps = largestFloatUlps(viaFloat, convertSignal<float>(viaDouble));
        if (ulps > allowedUlps)
            return failed("single and double precision differ by " + ulpText(ulps) + " float steps (" +
                          compareSignals(viaFloat, viaDouble).describe() + ")");
    }
    return passed("single and double precision agree within float rounding over defaults and other settings");
}

template <typename T, typename Render>
std::string compareInPlace(Render render, const BasicSignal<T>& in) {
    BasicSignal<T> separate = render(in, false);
    BasicSignal<T> inPlace = render(in, true);
    std::string bad = firstNonFinite(inPlace);
    if (!bad.empty()) return "in-place output has " + bad;
    double ulps = largestFloatUlps(separate, inPlace);
    if (ulps > 0) return "in-place differs from separate buffers: " + compareSignals(separate, inPlace).describe();
    return {};
}

CheckResult inPlace(Context& context) {
    std::mt19937 random(context.options().seed + 505);
    std::vector<float> settings;
    std::string why;
    if (!reproducibleSettings(context, random, settings, why)) return skipped(why);
    // Each render on a fresh instance with the same settings.
    Context* c = &context;
    auto fresh = [c, &settings]() {
        std::string error;
        auto rig = Rig::createPrepared(*c, error);
        if (!rig) throw std::runtime_error(error);
        rig->setParameters(settings);
        return rig;
    };
    Signal in;
    {
        auto probe = fresh();
        in = inputSignal(*probe, context.count(16384, 4096), 50);
    }
    std::string problem = compareInPlace<float>([&](const Signal& s, bool place) { return fresh()->render(s, {512}, place); }, in);
    if (!problem.empty()) return failed("single precision: " + problem);
    if (!fresh()->hasFlag(effFlagsCanDoubleReplacing)) return passed("single precision in place matches exactly");
    problem = compareInPlace<double>(
        [&](const SignalD& s, bool place) { return fresh()->renderDouble(s, {512}, place); }, convertSignal<double>(in));
    if (!problem.empty()) return failed("double precision: " + problem);
    return passed("single and double precision in place match separate buffers exactly");
}

}  // namespace

void addAccuracyChecks(std::vector<Check>& list) {
    list.push_back({"double-precision", "processDoubleReplacing agrees with processReplacing within float rounding",
                    doublePrecision});
    list.push_back({"in-place", "input and output in the same buffers give the same result", inPlace});
}

}  // namespace validator
