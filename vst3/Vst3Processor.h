// The audio half of the VST 3 edition: owns a product instance and drives it
// through its own interface. Parameter queues split the block at each point,
// mapped MIDI controllers become the product's MIDI events, state is the
// bank chunk the VST 2 edition saves.
#pragma once

#include <atomic>
#include <memory>

#include "formatcore/ComposedPlug.h"
#include "vst3/comSupport.h"
#include "vst3/parameterIds.h"
#include "vst3/processorLink.h"

namespace Vst3Format {

class Vst3Processor final : public Vst3::IComponent,
                            public Vst3::IAudioProcessor,
                            public Vst3::IConnectionPoint,
                            public Vst3::IProcessContextRequirements,
                            public IProcessorLink {
public:
    // [UI thread] Null when the product cannot be built.
    static Vst3Processor* create();

    // [any thread]
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3_REFCOUNTED

    // [UI thread]
    Vst3::tresult VST3CALL initialize(Vst3::FUnknown* context) override;
    Vst3::tresult VST3CALL terminate() override;
    Vst3::tresult VST3CALL getControllerClassId(Vst3::TUID classId) override;
    Vst3::tresult VST3CALL setIoMode(Vst3::IoMode mode) override;
    Vst3::int32 VST3CALL getBusCount(Vst3::MediaType type, Vst3::BusDirection dir) override;
    Vst3::tresult VST3CALL getBusInfo(Vst3::MediaType type, Vst3::BusDirection dir, Vst3::int32 index,
                                      Vst3::BusInfo& bus) override;
    Vst3::tresult VST3CALL getRoutingInfo(Vst3::RoutingInfo& inInfo, Vst3::RoutingInfo& outInfo) override;
    Vst3::tresult VST3CALL activateBus(Vst3::MediaType type, Vst3::BusDirection dir, Vst3::int32 index,
                                       Vst3::TBool state) override;
    // [UI thread] Activation settles the product on its settings.
    Vst3::tresult VST3CALL setActive(Vst3::TBool state) override;
    // [UI thread] A damaged or foreign state is refused before anything changes.
    Vst3::tresult VST3CALL setState(Vst3::IBStream* state) override;
    Vst3::tresult VST3CALL getState(Vst3::IBStream* state) override;

    // [UI thread, suspended]
    Vst3::tresult VST3CALL setBusArrangements(Vst3::SpeakerArrangement* inputs, Vst3::int32 numIns,
                                              Vst3::SpeakerArrangement* outputs, Vst3::int32 numOuts) override;
    Vst3::tresult VST3CALL getBusArrangement(Vst3::BusDirection dir, Vst3::int32 index,
                                             Vst3::SpeakerArrangement& arr) override;
    Vst3::tresult VST3CALL canProcessSampleSize(Vst3::int32 symbolicSampleSize) override;
    Vst3::uint32 VST3CALL getLatencySamples() override;
    Vst3::tresult VST3CALL setupProcessing(Vst3::ProcessSetup& setup) override;
    Vst3::tresult VST3CALL setProcessing(Vst3::TBool state) override;
    // [audio thread] No allocation, lock or wait.
    Vst3::tresult VST3CALL process(Vst3::ProcessData& data) override;
    Vst3::uint32 VST3CALL getTailSamples() override;
    // [UI thread] The product asks its host for no time information.
    Vst3::uint32 VST3CALL getProcessContextRequirements() override { return 0; }

    // [UI thread]
    Vst3::tresult VST3CALL connect(Vst3::IConnectionPoint* other) override;
    Vst3::tresult VST3CALL disconnect(Vst3::IConnectionPoint* other) override;
    Vst3::tresult VST3CALL notify(Vst3::IMessage* message) override;

    Vst3::uint32 VST3CALL lampLevels(float* levels, Vst3::uint32 count) override;
    void VST3CALL requestLearn(Vst3::int32 index) override;
    void VST3CALL requestUnlearn(Vst3::int32 index) override;
    Vst3::int32 VST3CALL midiKey(Vst3::int32 index) override;
    Vst3::int32 VST3CALL learnTarget() override;

    // Changes taken per process call; later ones in the same call are dropped.
    static constexpr int kMaxChanges = 1024;

private:
    Vst3Processor() = default;
    ~Vst3Processor();
    struct Change {
        Vst3::int32 offset;
        Vst3::ParamID id;
        double value;
    };
    void gatherChanges(Vst3::ProcessData& data);
    void applyChange(const Change& change);
    template <typename T>
    void runPiece(Vst3::ProcessData& data, Vst3::int32 offset, Vst3::int32 frames);
    bool rebuild(double sampleRate);

    RefCount refs;
    std::unique_ptr<FormatCore::ComposedPlug> core;
    Vst3::IConnectionPoint* peer = nullptr;
    double rate = 44100.0;
    Vst3::int32 sampleSize = Vst3::kSample32;
    bool active = false;
    bool processing = false;
    bool bypassed = false;  // the host's bypass parameter, as last applied

    // The lamps as the last process call read them, for the editor.
    static constexpr int kMaxLamps = 8;
    std::atomic<float> lamps[kMaxLamps] = {};
    float lampScratch[kMaxLamps] = {};

    Change changes[kMaxChanges];
    int changeCount = 0;
};

}  // namespace Vst3Format
