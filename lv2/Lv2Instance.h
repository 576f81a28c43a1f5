// One LV2 instance: owns a product instance (PlugCore::Plug) and drives it
// through its own interface: port values become parameter values by the
// display search every format shares, audio and MIDI go through the VST
// processing frame unchanged, state is the bank chunk, and the clip lamps are
// read from the shared block the chain already hands to an editor.
#pragma once

#include <atomic>
#include <climits>
#include <memory>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "lv2/lv2Description.h"
#include "plugcore/SharedBlock.h"

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

    // Frames per call of the product's process function.
    static constexpr uint32_t kPieceFrames = 1024;
    // MIDI events taken per run; later ones in the same run are dropped.
    static constexpr int kMaxEvents = 512;
    // Seconds of silence the chain plays at activation to settle on its settings.
    static constexpr double kSettleSeconds = 5.0;

private:
    Lv2Instance() = default;
    bool applyPorts();
    void takeMidi(uint32_t frames);
    void runPiece(uint32_t offset, uint32_t frames, bool lastPiece);
    void mixBypass(uint32_t offset, uint32_t frames);
    void readLamps();
    bool takeRequest(uint32_t type, const void* body, uint32_t size);
    void writeNotify();

    std::unique_ptr<PlugCore::Plug> plug;
    PlugCore::SharedBlock* lampBlock = nullptr;  // the editor's, or one attached for the lamps
    LV2_URID_Map* map = nullptr;
    LV2_URID midiEventType = 0, chunkType = 0, chunkProperty = 0, sequenceType = 0;
    LV2_URID learnType = 0, unlearnType = 0, helloType = 0, bindingType = 0, learnTargetType = 0;
    double rate = 44100.0;
    uint32_t latency = 0;

    std::vector<ControlPort> controls;
    std::vector<PlugCore::DisplaySamples> displays;
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
    // What the editor was last told: each parameter's key and the learn target
    // (INT32_MIN: not yet, so the next run tells it).
    std::vector<int32_t> toldKeys;
    int32_t toldLearnTarget = INT32_MIN;

    // The dry signal delayed by the latency, for the host's bypass: per channel
    // `latency` frames of history, then the current piece.
    std::vector<float> dry[2];
    float bypassMix = 1.0f;  // 1 processed, 0 dry
    float bypassStep = 1.0f;

    struct EventList {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kMaxEvents];
    };
    VstMidiEvent midiEvents[kMaxEvents] = {};
    uint32_t midiFrames[kMaxEvents] = {};  // positions in the run
    int midiCount = 0;
    EventList pieceEvents{};
};

}  // namespace Lv2Format
