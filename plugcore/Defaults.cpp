// The per-user defaults file (filled in with the programs work).
#include "plugcore/Plug.h"

namespace PlugCore {

void Plug::loadDefaults() {
    for (VstInt32 p = 0; p < numPrograms; ++p) snapshotProgram(p);
}

void Plug::saveDefaults() {}

}  // namespace PlugCore
