// The edit controller of the VST 3 edition: the parameters a host lists,
// automates and shows, the program list, MIDI mapping and learn, and the
// editor. It keeps a model instance of the product that holds the values the
// host last set (and the state the processor last reported), so texts,
// programs and the editor come from the product itself.
#pragma once

#include <memory>
#include <vector>

#include "formatcore/ComposedPlug.h"
#include "vst3/comSupport.h"
#include "vst3/parameterIds.h"
#include "vst3/processorLink.h"

namespace PlugEdit {
class Edit;
}

namespace Vst3Format {

class Vst3Controller final : public Vst3::IEditController,
                             public Vst3::IConnectionPoint,
                             public Vst3::IUnitInfo,
                             public Vst3::IMidiMapping,
                             public Vst3::IMidiLearn,
                             public FormatCore::EditListener {
public:
    // [UI thread] Null when the product cannot be built.
    static Vst3Controller* create();

    // [any thread]
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3_REFCOUNTED

    // Everything below: [UI thread]
    Vst3::tresult VST3CALL initialize(Vst3::FUnknown* context) override;
    Vst3::tresult VST3CALL terminate() override;

    // A damaged or foreign state is refused before anything changes.
    Vst3::tresult VST3CALL setComponentState(Vst3::IBStream* state) override;
    Vst3::tresult VST3CALL setState(Vst3::IBStream* state) override;
    Vst3::tresult VST3CALL getState(Vst3::IBStream* state) override;
    Vst3::int32 VST3CALL getParameterCount() override;
    Vst3::tresult VST3CALL getParameterInfo(Vst3::int32 paramIndex, Vst3::ParameterInfo& info) override;
    Vst3::tresult VST3CALL getParamStringByValue(Vst3::ParamID id, Vst3::ParamValue valueNormalized,
                                                 Vst3::String128 string) override;
    Vst3::tresult VST3CALL getParamValueByString(Vst3::ParamID id, Vst3::TChar* string,
                                                 Vst3::ParamValue& valueNormalized) override;
    Vst3::ParamValue VST3CALL normalizedParamToPlain(Vst3::ParamID id, Vst3::ParamValue valueNormalized) override;
    Vst3::ParamValue VST3CALL plainParamToNormalized(Vst3::ParamID id, Vst3::ParamValue plainValue) override;
    Vst3::ParamValue VST3CALL getParamNormalized(Vst3::ParamID id) override;
    Vst3::tresult VST3CALL setParamNormalized(Vst3::ParamID id, Vst3::ParamValue value) override;
    Vst3::tresult VST3CALL setComponentHandler(Vst3::IComponentHandler* handler) override;
    Vst3::IPlugView* VST3CALL createView(Vst3::FIDString name) override;

    Vst3::tresult VST3CALL connect(Vst3::IConnectionPoint* other) override;
    Vst3::tresult VST3CALL disconnect(Vst3::IConnectionPoint* other) override;
    Vst3::tresult VST3CALL notify(Vst3::IMessage* message) override;

    Vst3::int32 VST3CALL getUnitCount() override;
    Vst3::tresult VST3CALL getUnitInfo(Vst3::int32 unitIndex, Vst3::UnitInfo& info) override;
    Vst3::int32 VST3CALL getProgramListCount() override;
    Vst3::tresult VST3CALL getProgramListInfo(Vst3::int32 listIndex, Vst3::ProgramListInfo& info) override;
    Vst3::tresult VST3CALL getProgramName(Vst3::ProgramListID listId, Vst3::int32 programIndex,
                                          Vst3::String128 name) override;
    Vst3::tresult VST3CALL getProgramInfo(Vst3::ProgramListID listId, Vst3::int32 programIndex,
                                          Vst3::CString attributeId, Vst3::String128 attributeValue) override;
    Vst3::tresult VST3CALL hasProgramPitchNames(Vst3::ProgramListID listId, Vst3::int32 programIndex) override;
    Vst3::tresult VST3CALL getProgramPitchName(Vst3::ProgramListID listId, Vst3::int32 programIndex,
                                               Vst3::int16 midiPitch, Vst3::String128 name) override;
    Vst3::UnitID VST3CALL getSelectedUnit() override;
    Vst3::tresult VST3CALL selectUnit(Vst3::UnitID unitId) override;
    Vst3::tresult VST3CALL getUnitByBus(Vst3::MediaType type, Vst3::BusDirection dir, Vst3::int32 busIndex,
                                        Vst3::int32 channel, Vst3::UnitID& unitId) override;
    Vst3::tresult VST3CALL setUnitProgramData(Vst3::int32 listOrUnitId, Vst3::int32 programIndex,
                                              Vst3::IBStream* data) override;

    Vst3::tresult VST3CALL getMidiControllerAssignment(Vst3::int32 busIndex, Vst3::int16 channel,
                                                       Vst3::CtrlNumber midiControllerNumber,
                                                       Vst3::ParamID& id) override;
    Vst3::tresult VST3CALL onLiveMIDIControllerInput(Vst3::int32 busIndex, Vst3::int16 channel,
                                                     Vst3::CtrlNumber midiCC) override;

    // The model instance the editor works on.
    FormatCore::ComposedPlug& model() { return *core; }
    // The host's handler, null before the host gives one.
    Vst3::IComponentHandler* handler() const { return componentHandler; }
    // [UI thread] The open editor's periodic work: the processor's lamps and
    // learn state in, the editor's learn requests out, then its idle.
    void pumpEditor(PlugEdit::Edit& editor);

private:
    Vst3Controller() = default;
    ~Vst3Controller();
    Vst3::int32 productCount() const { return core->parameterCount(); }
    Vst3::int32 programCount() const { return core->product().productInfo().programCount; }
    bool isProduct(Vst3::ParamID id) const { return id < static_cast<Vst3::ParamID>(productCount()); }
    bool textOf(Vst3::ParamID id, double value, char* out, size_t size);
    bool valueOf(Vst3::ParamID id, const char* text, double& value);
    void selectProgram(Vst3::int32 program);
    // A program's name, held by the product (at most 23 characters).
    const char* programName(Vst3::int32 program) const { return core->product().program(program).name; }
    void dropLink();
    // [UI thread] The editor's edits, for the host's handler.
    void editBegun(int32_t index) override;
    void valueEdited(int32_t index, float normalized) override;
    void editEnded(int32_t index) override;
    // The host's handler when an edit of index is to be told, else null.
    Vst3::IComponentHandler* editHandler(int32_t index) const;

    RefCount refs;
    std::unique_ptr<FormatCore::ComposedPlug> core;
    std::vector<float> defaults;  // each product parameter's normalized value before any state
    Vst3::IComponentHandler* componentHandler = nullptr;
    Vst3::IConnectionPoint* peer = nullptr;
    // Off while the host itself moves the model (state, program, values): only
    // the editor's own edits go back to the host.
    bool relayEdits = true;
    IProcessorLink* link = nullptr;  // the processor in this process, when it answers
    Vst3::int32 sentLearn = -1;      // the learn target the processor was last asked for
    std::vector<Vst3::int32> knownKeys;  // the bindings as both sides last agreed
    double bypass = 0.0;
    double midiValues[kMidiParameterCount] = {};
};

}  // namespace Vst3Format
