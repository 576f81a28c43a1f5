#include "tools/validator/stateObservation.h"
#include "tools/validator/textQuery.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace validator {

static std::vector<std::string> displayTexts(vsthost::Plugin& p) {
    std::vector<std::string> texts;
    for (VstInt32 i = 0; i < p.numParams(); ++i) texts.push_back(askText(p, effGetParamDisplay, i).text);
    return texts;
}

StateObservation observeState(Rig& rig, bool withPrograms) {
    vsthost::Plugin& p = rig.plugin();
    StateObservation s;
    s.currentProgram = static_cast<VstInt32>(p.dispatch(effGetProgram));
    s.live = rig.parameters();
    s.liveTexts = displayTexts(p);
    if (!withPrograms) return s;
    for (VstInt32 n = 0; n < p.numPrograms(); ++n) {
        p.dispatch(effSetProgram, 0, n);
        s.programNames.push_back(askText(p, effGetProgramName).text);
        s.programValues.push_back(rig.parameters());
        s.programTexts.push_back(displayTexts(p));
    }
    return s;
}

static std::string compareValues(const std::vector<float>& a, const std::vector<float>& b,
                                 const std::vector<std::string>& aTexts, const std::vector<std::string>& bTexts,
                                 float tolerance, const std::string& what) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (std::fabs(a[i] - b[i]) <= tolerance) continue;
        const bool sameText = i < aTexts.size() && i < bTexts.size() && aTexts[i] == bTexts[i];
        if (sameText) continue;
        char text[200];
        std::snprintf(text, sizeof text, "%s parameter %zu was %.7g, is %.7g", what.c_str(), i, a[i], b[i]);
        std::string result = text;
        if (i < aTexts.size() && i < bTexts.size()) result += " (\"" + aTexts[i] + "\" became \"" + bTexts[i] + "\")";
        return result;
    }
    return a.size() == b.size() ? "" : what + " parameter count differs";
}

std::string compareStates(const StateObservation& a, const StateObservation& b, float tolerance) {
    if (a.currentProgram != b.currentProgram)
        return "current program was " + std::to_string(a.currentProgram) + ", is " + std::to_string(b.currentProgram);
    std::string problem = compareValues(a.live, b.live, a.liveTexts, b.liveTexts, tolerance, "live");
    if (!problem.empty()) return problem;
    for (size_t n = 0; n < a.programNames.size() && n < b.programNames.size(); ++n) {
        if (a.programNames[n] != b.programNames[n])
            return "program " + std::to_string(n) + " was named \"" + a.programNames[n] + "\", is \"" +
                   b.programNames[n] + "\"";
        problem = compareValues(a.programValues[n], b.programValues[n], a.programTexts[n], b.programTexts[n], tolerance,
                                "program " + std::to_string(n));
        if (!problem.empty()) return problem;
    }
    return {};
}

void scrambleState(Rig& rig, uint32_t seed, const char* namePrefix) {
    vsthost::Plugin& p = rig.plugin();
    std::mt19937 random(seed);
    for (VstInt32 n = 0; n < p.numPrograms(); ++n) {
        p.dispatch(effSetProgram, 0, n);
        rig.randomizeParameters(random);
        char name[kVstMaxProgNameLen] = {};
        std::snprintf(name, sizeof name, "%s %d", namePrefix, n);
        p.dispatch(effSetProgramName, 0, 0, name);
    }
    if (p.numPrograms() > 1) p.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(random() % p.numPrograms()));
    rig.randomizeParameters(random);
}

}  // namespace validator
