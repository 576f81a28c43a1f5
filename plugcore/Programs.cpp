// The program bank: eight named snapshots of every parameter value. The live
// values are not kept inside the current program; it is brought up to date
// when the plug-in switches away from it.
#include <cstring>

#include "plugcore/Plug.h"

namespace PlugCore {

void Plug::snapshotProgram(VstInt32 program) {
    if (program < 0 || program >= numPrograms) return;
    for (uint32_t i = 0; i < params.count; ++i)
        programs[program].values[i] = params.params[i].value.load(std::memory_order_relaxed);
}

void Plug::setProgram(VstInt32 program) {
    if (program < 0 || program >= numPrograms) return;
    snapshotProgram(curProgram);
    // No host echo: the host asked for the change itself.
    for (uint32_t i = 0; i < params.count; ++i) setParameter(static_cast<VstInt32>(i), programs[program].values[i]);
    curProgram = program;
}

void Plug::setProgramName(char* name) {
    if (!name) return;
    char* target = programs[curProgram].name;
    const size_t room = sizeof(programs[curProgram].name);
    std::memset(target, 0, room);
    std::memcpy(target, name, strnlen(name, room - 1));  // at most 23 characters and the terminator
}

void Plug::getProgramName(char* name) {
    if (name) std::strcpy(name, programs[curProgram].name);
}

// Hosts can read only the current program's name.
bool Plug::getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }

}  // namespace PlugCore
