// [UI thread] The controller's units, program list and MIDI mapping: one root
// unit naming the product's programs, every controller mapped to a hidden
// parameter the processor hands to the product's MIDI handling.
#include "vst3/Vst3Controller.h"

namespace Vst3Format {

Vst3::int32 Vst3Controller::getUnitCount() { return 1; }

Vst3::tresult Vst3Controller::getUnitInfo(Vst3::int32 unitIndex, Vst3::UnitInfo& info) {
    if (unitIndex != 0) return Vst3::kInvalidArgument;
    info = Vst3::UnitInfo{};
    info.id = Vst3::kRootUnitId;
    info.parentUnitId = Vst3::kNoParentUnitId;
    copyText(info.name, 128, "Root");
    info.programListId = programCount() > 0 ? kProgramListId : Vst3::kNoProgramListId;
    return Vst3::kResultOk;
}

Vst3::int32 Vst3Controller::getProgramListCount() { return programCount() > 0 ? 1 : 0; }

Vst3::tresult Vst3Controller::getProgramListInfo(Vst3::int32 listIndex, Vst3::ProgramListInfo& info) {
    if (listIndex != 0 || programCount() <= 0) return Vst3::kInvalidArgument;
    info = Vst3::ProgramListInfo{};
    info.id = kProgramListId;
    copyText(info.name, 128, "Programs");
    info.programCount = programCount();
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Controller::getProgramName(Vst3::ProgramListID listId, Vst3::int32 programIndex,
                                             Vst3::String128 name) {
    if (listId != kProgramListId || programIndex < 0 || programIndex >= programCount() || !name)
        return Vst3::kInvalidArgument;
    copyText(name, 128, programName(programIndex));
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Controller::getProgramInfo(Vst3::ProgramListID, Vst3::int32, Vst3::CString, Vst3::String128) {
    return Vst3::kResultFalse;
}

Vst3::tresult Vst3Controller::hasProgramPitchNames(Vst3::ProgramListID, Vst3::int32) { return Vst3::kResultFalse; }

Vst3::tresult Vst3Controller::getProgramPitchName(Vst3::ProgramListID, Vst3::int32, Vst3::int16, Vst3::String128) {
    return Vst3::kResultFalse;
}

Vst3::UnitID Vst3Controller::getSelectedUnit() { return Vst3::kRootUnitId; }

Vst3::tresult Vst3Controller::selectUnit(Vst3::UnitID unitId) {
    return unitId == Vst3::kRootUnitId ? Vst3::kResultOk : Vst3::kInvalidArgument;
}

Vst3::tresult Vst3Controller::getUnitByBus(Vst3::MediaType, Vst3::BusDirection, Vst3::int32, Vst3::int32,
                                           Vst3::UnitID& unitId) {
    unitId = Vst3::kRootUnitId;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Controller::setUnitProgramData(Vst3::int32, Vst3::int32, Vst3::IBStream*) {
    return Vst3::kNotImplemented;
}

Vst3::tresult Vst3Controller::getMidiControllerAssignment(Vst3::int32 busIndex, Vst3::int16 channel,
                                                          Vst3::CtrlNumber midiControllerNumber, Vst3::ParamID& id) {
    if (busIndex != 0 || channel < 0 || channel > 15) return Vst3::kResultFalse;
    return midiParameter(midiControllerNumber, id) ? Vst3::kResultTrue : Vst3::kResultFalse;
}

// The product learns from the controller's own value, which reaches the
// processor through its hidden parameter; the model mirrors the binding so the
// editor shows it at once.
Vst3::tresult Vst3Controller::onLiveMIDIControllerInput(Vst3::int32 busIndex, Vst3::int16 channel,
                                                         Vst3::CtrlNumber midiCC) {
    Vst3::ParamID id;
    if (busIndex != 0 || channel < 0 || channel > 15 || midiCC >= kControllerCount || !midiParameter(midiCC, id))
        return Vst3::kResultFalse;
    const int32_t target = core->learnTarget();
    if (target < 0) return Vst3::kResultFalse;
    core->product().assignMidiKey(target, 0xB000 + midiCC);
    core->requestLearn(-1);
    return Vst3::kResultTrue;
}

}  // namespace Vst3Format
