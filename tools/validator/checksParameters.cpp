// Names and texts, parameter fuzzing, and display texts that read back as
// the value they show.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"
#include "tools/validator/textQuery.h"

#include <cmath>
#include <cstring>
#include <random>

namespace validator {
namespace {

// Most hosts hand plug-ins 64 bytes or more for parameter texts although the
// interface's nominal size is 8; overrunning 64 corrupts real hosts.
constexpr size_t parameterTextLimit = 64;

CheckResult texts(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error);
    if (!rig) return failed(error);
    vsthost::Plugin& p = rig->plugin();
    std::string problem = overLimit(askText(p, effGetEffectName), kVstMaxEffectNameLen, "effect name");
    if (problem.empty()) problem = overLimit(askText(p, effGetVendorString), kVstMaxVendorStrLen, "vendor");
    if (problem.empty()) problem = overLimit(askText(p, effGetProductString), kVstMaxProductStrLen, "product");
    if (problem.empty()) problem = overLimit(askText(p, effGetProgramName), kVstMaxProgNameLen, "program name");
    int overNominal = 0;
    for (VstInt32 i = 0; i < p.numParams() && problem.empty(); ++i) {
        const std::string at = " of parameter " + std::to_string(i);
        for (auto [opcode, what] : {std::pair<VstInt32, const char*>{effGetParamName, "name"},
                                    {effGetParamLabel, "label"},
                                    {effGetParamDisplay, "display"}}) {
            TextAnswer a = askText(p, opcode, i);
            problem = overLimit(a, parameterTextLimit, what + at);
            if (!problem.empty()) break;
            overNominal += a.length() + 1 > kVstMaxParamStrLen;
        }
    }
    if (!problem.empty()) return failed(problem);
    return passed("every text fits its buffer; " + std::to_string(overNominal) +
                  " parameter text(s) longer than the nominal 8 bytes");
}

CheckResult parameterFuzz(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 64);
    if (!rig) return failed(error);
    vsthost::Plugin& p = rig->plugin();
    const int count = p.numParams();
    if (count == 0) return skipped("no parameters");
    std::mt19937 random(context.options().seed + 808);
    std::uniform_int_distribution<int> pick(0, count - 1);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float edges[] = {0.0f, 1.0f, 0.5f, 1e-7f, 0.99999994f, 1e-30f};
    for (VstInt32 i = 0; i < count; ++i) p.dispatch(effCanBeAutomated, i);
    const int iterations = context.count(2000, 300);
    Signal in = inputSignal(*rig, 64, 80);
    for (int n = 0; n < iterations; ++n) {
        const VstInt32 index = pick(random);
        const float value = n % 7 == 0 ? edges[(n / 7) % 6] : unit(random);
        p.setParameter(index, value);
        const float back = p.getParameter(index);
        if (!(back >= 0.0f && back <= 1.0f))
            return failed("parameter " + std::to_string(index) + " set to " + std::to_string(value) + " reads " +
                          std::to_string(back));
        TextAnswer display = askText(p, effGetParamDisplay, index);
        std::string problem = overLimit(display, parameterTextLimit, "display of parameter " + std::to_string(index));
        if (!problem.empty()) return failed(problem);
        if (n % 8 == 0) {
            std::string bad = firstNonFinite(rig->render(in, {64}));
            if (!bad.empty()) return failed("after setting parameter " + std::to_string(index) + " to " +
                                            std::to_string(value) + ": " + bad);
        }
    }
    return passed(std::to_string(iterations) + " random settings, every value read back in [0, 1]");
}

// A display text given back through effString2Parameter must land on a value
// that shows the same text: what a host's text entry field relies on.
CheckResult textRoundTrip(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error);
    if (!rig) return failed(error);
    vsthost::Plugin& p = rig->plugin();
    std::mt19937 random(context.options().seed + 909);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int supported = 0, tried = 0;
    for (VstInt32 i = 0; i < p.numParams(); ++i) {
        for (int k = 0; k < 6; ++k) {
            float v = k == 0 ? 0.0f : k == 1 ? 1.0f : unit(random);
            p.setParameter(i, v);
            std::string shown = askText(p, effGetParamDisplay, i).text;
            p.setParameter(i, k == 0 ? 0.5f : 0.0f);  // somewhere else first
            char buffer[512] = {};
            std::strncpy(buffer, shown.c_str(), sizeof buffer - 1);
            ++tried;
            if (!p.dispatch(effString2Parameter, i, 0, buffer)) continue;
            ++supported;
            std::string again = askText(p, effGetParamDisplay, i).text;
            if (again != shown)
                return failed("parameter " + std::to_string(i) + " (" + askText(p, effGetParamName, i).text +
                              "): text \"" + shown + "\" given back reads \"" + again + "\"");
        }
    }
    if (supported == 0) return skipped("effString2Parameter is not supported");
    return passed(std::to_string(supported) + " of " + std::to_string(tried) + " display texts read back exactly");
}

}  // namespace

void addParameterChecks(std::vector<Check>& list) {
    list.push_back({"texts", "names, labels and display texts fit the buffers hosts give", texts});
    list.push_back({"parameter-fuzz", "random values (and 0, 1) for every parameter read back in [0, 1]",
                    parameterFuzz});
    list.push_back({"parameter-text-round-trip", "effString2Parameter with a display text shows the same text",
                    textRoundTrip});
}

}  // namespace validator
