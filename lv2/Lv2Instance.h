// One LV2 instance: the LV2 ports and atoms around a composed product
// (FormatCore::ComposedPlug), which does the work: port values are parameter
// values in their display units, the MIDI port's events and the editor's learn
// requests go to the product, the enabled port is the bypass, state is the
// bank chunk, and the lamps and latency are written to their ports.
#pragma once

#include <climits>
#include <memory>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "formatcore/ComposedPlug.h"
#include "lv2/lv2Description.h"

namespace Lv2Format {

class Lv2Instance {
public:
    // [UI thread] Null when the product cannot be built.
    static Lv2Instance* create(double rate, const LV2_Feature* const* features);
    ~Lv2Instance();

    // [any thread] Ports may be connected in any state.
    void connectPort(uint32_t port, void* data);
    // [UI thread] Switches the product on and lets it settle on the current port values.
    void activate();
    void deactivate();
    // [audio thread] No allocation, lock or wait.
    void run(uint32_t frames);

    // [UI thread] Not concurrent with run. The chunk's bank form, as the VST stores it.
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    // [UI thread] Refuses a damaged or foreign chunk before anything is applied.
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

private:
    Lv2Instance() = default;
    void applyPorts();
    void takeMidi();
    bool takeRequest(uint32_t type, const void* body, uint32_t size);
    void writeNotify();

    std::unique_ptr<FormatCore::ComposedPlug> core;
    LV2_URID_Map* map = nullptr;
    LV2_URID midiEventType = 0, chunkType = 0, chunkProperty = 0, sequenceType = 0;
    LV2_URID learnType = 0, unlearnType = 0, helloType = 0, bindingType = 0, learnTargetType = 0;

    std::vector<const float*> controlPorts;
    std::vector<float> appliedPort;  // the port value last turned into a parameter value, per parameter
    std::vector<float*> lampPorts;
    std::vector<float> lampLevels;
    const float* audioIn[2] = {};
    float* audioOut[2] = {};
    float* latencyPort = nullptr;
    const float* enabledPort = nullptr;
    const LV2_Atom_Sequence* midiPort = nullptr;
    LV2_Atom_Sequence* notifyPort = nullptr;
};

}  // namespace Lv2Format
