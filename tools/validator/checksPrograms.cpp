// Switching through every program and naming them.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"
#include "tools/validator/textQuery.h"

#include <cstring>

namespace validator {
namespace {

void switchProgram(vsthost::Plugin& p, VstInt32 program) {
    // Hosts bracket a program change like this.
    p.dispatch(effBeginSetProgram);
    p.dispatch(effSetProgram, 0, program);
    p.dispatch(effEndSetProgram);
}

CheckResult programs(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error);
    if (!rig) return failed(error);
    vsthost::Plugin& p = rig->plugin();
    const VstInt32 count = p.numPrograms();
    if (count <= 0) return skipped("no programs");
    Signal in = inputSignal(*rig, 1024, 90);
    std::vector<std::string> names;
    for (VstInt32 n = 0; n < count; ++n) {
        switchProgram(p, n);
        const std::string at = "program " + std::to_string(n);
        if (p.dispatch(effGetProgram) != n)
            return failed("after switching to " + at + " effGetProgram answers " +
                          std::to_string(p.dispatch(effGetProgram)));
        TextAnswer name = askText(p, effGetProgramName);
        std::string problem = overLimit(name, kVstMaxProgNameLen, "name of " + at);
        if (!problem.empty()) return failed(problem);
        names.push_back(name.text);
        for (float v : rig->parameters())
            if (!(v >= 0.0f && v <= 1.0f)) return failed(at + " has a parameter value of " + std::to_string(v));
        std::string bad = firstNonFinite(rig->render(in, {512}));
        if (!bad.empty()) return failed(at + ": output has " + bad);
        char indexed[512] = {};
        if (p.dispatch(effGetProgramNameIndexed, n, -1, indexed) && names.back() != indexed)
            return failed("effGetProgramNameIndexed gives \"" + std::string(indexed) + "\" for " + at + " named \"" +
                          names.back() + "\"");
    }
    // Renaming: each program keeps its own new name.
    int renamed = 0;
    for (VstInt32 n = 0; n < count && n < 16; ++n) {
        switchProgram(p, n);
        char text[kVstMaxProgNameLen] = {};
        std::snprintf(text, sizeof text, "Checked %d", n);
        p.dispatch(effSetProgramName, 0, 0, text);
        renamed += askText(p, effGetProgramName).text == text;
    }
    for (VstInt32 n = 0; n < count && n < 16; ++n) {
        switchProgram(p, n);
        char text[kVstMaxProgNameLen] = {};
        std::snprintf(text, sizeof text, "Checked %d", n);
        std::string now = askText(p, effGetProgramName).text;
        if (renamed == std::min<VstInt32>(count, 16) && now != text)
            return failed("program " + std::to_string(n) + " renamed \"" + text + "\" reads \"" + now +
                          "\" after switching through the others");
    }
    std::string note = renamed ? "" : "; names cannot be changed";
    return passed(std::to_string(count) + " programs switched, names within 24 bytes" + note);
}

}  // namespace

void addProgramChecks(std::vector<Check>& list) {
    list.push_back({"programs", "switching to every program, names fit 24 bytes and keep renames", programs});
}

}  // namespace validator
