// A small VST 3 host: loads a bundle's module for this system, creates the
// processor and the controller its factory names, connects them the way hosts
// do, and drives them with host objects written here (memory stream, parameter
// queues, event list, a recording component handler). Tests and tools use it
// so the edition is always exercised through its binary interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vst3/vst3Edit.h"

namespace vst3host {

// Host objects live as long as the host says: their counting does nothing.
#define VST3HOST_UNCOUNTED                                            \
    Vst3::uint32 VST3CALL addRef() override { return 1; }            \
    Vst3::uint32 VST3CALL release() override { return 1; }

class MemoryStream final : public Vst3::IBStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3HOST_UNCOUNTED
    Vst3::tresult VST3CALL read(void* buffer, Vst3::int32 numBytes, Vst3::int32* numBytesRead) override;
    Vst3::tresult VST3CALL write(void* buffer, Vst3::int32 numBytes, Vst3::int32* numBytesWritten) override;
    Vst3::tresult VST3CALL seek(Vst3::int64 pos, Vst3::int32 mode, Vst3::int64* result) override;
    Vst3::tresult VST3CALL tell(Vst3::int64* pos) override;

    std::vector<uint8_t> bytes;
    size_t position = 0;
    Vst3::int32 mostPerCall = 0x7FFFFFFF;  // a host stream may move less than asked
};

class ParamQueue final : public Vst3::IParamValueQueue {
public:
    explicit ParamQueue(Vst3::ParamID id) : id(id) {}
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3HOST_UNCOUNTED
    Vst3::ParamID VST3CALL getParameterId() override { return id; }
    Vst3::int32 VST3CALL getPointCount() override { return static_cast<Vst3::int32>(points.size()); }
    Vst3::tresult VST3CALL getPoint(Vst3::int32 index, Vst3::int32& sampleOffset, Vst3::ParamValue& value) override;
    Vst3::tresult VST3CALL addPoint(Vst3::int32 sampleOffset, Vst3::ParamValue value, Vst3::int32& index) override;

    Vst3::ParamID id;
    std::vector<std::pair<Vst3::int32, double>> points;
};

class ParamChanges final : public Vst3::IParameterChanges {
public:
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3HOST_UNCOUNTED
    Vst3::int32 VST3CALL getParameterCount() override { return static_cast<Vst3::int32>(queues.size()); }
    Vst3::IParamValueQueue* VST3CALL getParameterData(Vst3::int32 index) override;
    Vst3::IParamValueQueue* VST3CALL addParameterData(const Vst3::ParamID& id, Vst3::int32& index) override;
    // A point on the queue of id (made when missing).
    void add(Vst3::ParamID id, Vst3::int32 offset, double value);

    std::vector<std::unique_ptr<ParamQueue>> queues;
};

class EventList final : public Vst3::IEventList {
public:
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3HOST_UNCOUNTED
    Vst3::int32 VST3CALL getEventCount() override { return static_cast<Vst3::int32>(events.size()); }
    Vst3::tresult VST3CALL getEvent(Vst3::int32 index, Vst3::Event& e) override;
    Vst3::tresult VST3CALL addEvent(Vst3::Event& e) override;
    std::vector<Vst3::Event> events;
};

// Every call the controller makes on its handler, as text ("begin 3", "perform 3 0.5", ...).
class RecordingHandler final : public Vst3::IComponentHandler {
public:
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3HOST_UNCOUNTED
    Vst3::tresult VST3CALL beginEdit(Vst3::ParamID id) override;
    Vst3::tresult VST3CALL performEdit(Vst3::ParamID id, Vst3::ParamValue valueNormalized) override;
    Vst3::tresult VST3CALL endEdit(Vst3::ParamID id) override;
    Vst3::tresult VST3CALL restartComponent(Vst3::int32 flags) override;
    std::vector<std::string> calls;
};

// One loaded module: its factory, entered and left as hosts do.
class Module {
public:
    // The module of a bundle (or a module file itself); null with `error` set.
    static std::shared_ptr<Module> load(const std::string& path, std::string& error);
    ~Module();
    Vst3::IPluginFactory* factory() const { return pluginFactory; }
    // [UI thread] The first class of `category`; false when none.
    bool classOf(const char* category, Vst3::TUID cid) const;
    // The module file inside a bundle for this system.
    static std::string moduleIn(const std::string& bundle);

private:
    void* handle = nullptr;
    Vst3::IPluginFactory* pluginFactory = nullptr;
    bool (*moduleExit)() = nullptr;
};

// A processor and its controller, connected, the controller told the state.
class Effect {
public:
    static std::unique_ptr<Effect> create(std::shared_ptr<Module> module, std::string& error);
    ~Effect();

    // [UI thread] setupProcessing, then setActive(true) and setProcessing(true).
    bool start(double rate, Vst3::int32 maxBlock, Vst3::int32 sampleSize = Vst3::kSample32);
    void stop();
    // [audio thread] One process call on stereo buffers (in may equal out).
    Vst3::tresult process(float* const in[2], float* const out[2], Vst3::int32 frames,
                          ParamChanges* changes = nullptr, EventList* events = nullptr);
    Vst3::tresult process(double* const in[2], double* const out[2], Vst3::int32 frames,
                          ParamChanges* changes = nullptr, EventList* events = nullptr);
    Vst3::uint64 lastSilenceFlags() const { return outputBus.silenceFlags; }

    // [UI thread] The parameter a controller lists under `title` (any case); kNoParamId when none.
    Vst3::ParamID findParameter(const std::string& title);
    // [UI thread] The normalized value the controller reads from text; false when refused.
    bool valueForText(Vst3::ParamID id, const std::string& text, double& value);
    std::string textForValue(Vst3::ParamID id, double value);

    std::vector<uint8_t> state();
    Vst3::tresult setState(const std::vector<uint8_t>& bytes);

    Vst3::IComponent* component = nullptr;
    Vst3::IAudioProcessor* processor = nullptr;
    Vst3::IEditController* controller = nullptr;
    RecordingHandler handler;

private:
    template <typename T>
    Vst3::tresult run(T* const in[2], T* const out[2], Vst3::int32 frames, ParamChanges* changes, EventList* events);
    std::shared_ptr<Module> module;
    Vst3::IConnectionPoint* componentPoint = nullptr;
    Vst3::IConnectionPoint* controllerPoint = nullptr;
    Vst3::AudioBusBuffers inputBus{}, outputBus{};
    Vst3::int32 sampleSize = Vst3::kSample32;
    bool active = false;
};

}  // namespace vst3host
