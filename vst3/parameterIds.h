// The parameter identifiers hosts store in their projects and automation:
// fixed for good. The product's parameters keep their table index; the
// edition's own ones sit above them.
#pragma once

#include "vst3/vst3Edit.h"

namespace Vst3Format {

constexpr Vst3::ParamID kBypassId = 0x100;
constexpr Vst3::ParamID kProgramId = 0x101;
// Hidden parameters a host maps MIDI controllers to: 0..127 the control
// changes, 129 pitch bend (the controller numbers hosts use for them).
constexpr Vst3::ParamID kMidiIdBase = 0x200;
constexpr Vst3::int16 kControllerCount = 128;
constexpr Vst3::int16 kPitchBendController = 129;
constexpr Vst3::int32 kMidiParameterCount = kControllerCount + 1;
constexpr Vst3::ProgramListID kProgramListId = 1;

// The parameter a MIDI controller number maps to; false for one not mapped.
inline bool midiParameter(Vst3::int32 controller, Vst3::ParamID& id) {
    if ((controller < 0 || controller >= kControllerCount) && controller != kPitchBendController) return false;
    id = kMidiIdBase + static_cast<Vst3::ParamID>(controller);
    return true;
}

inline bool isMidiParameter(Vst3::ParamID id) {
    return (id >= kMidiIdBase && id < kMidiIdBase + kControllerCount) || id == kMidiIdBase + kPitchBendController;
}

// The two classes' identifiers, as 16 bytes (the same on every system).
extern const Vst3::TUID kProcessorClassId;
extern const Vst3::TUID kControllerClassId;

}  // namespace Vst3Format
