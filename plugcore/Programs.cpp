// The program bank: named snapshots of every parameter value.
#include <cmath>
#include <cstring>

#include "plugcore/Plug.h"

namespace PlugCore {

void Plug::snapshotProgram(VstInt32 program) {
    if (program < 0 || program >= numPrograms) return;
    for (uint32_t i = 0; i < params.count; ++i)
        programs[program].values[i] = std::fabs(params.params[i].value.load(std::memory_order_relaxed));
}

void Plug::setProgram(VstInt32 program) {
    if (program < 0 || program >= numPrograms) return;
    snapshotProgram(curProgram);
    for (uint32_t i = 0; i < params.count; ++i) setParameter(static_cast<VstInt32>(i), programs[program].values[i]);
    curProgram = program;
}

void Plug::setProgramName(char* name) {
    if (!name) return;
    char* target = programs[curProgram].name;
    std::strncpy(target, name, sizeof(programs[curProgram].name));
    target[sizeof(programs[curProgram].name) - 1] = 0;
}

void Plug::getProgramName(char* name) {
    if (name) std::strcpy(name, programs[curProgram].name);
}

bool Plug::getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }

}  // namespace PlugCore
