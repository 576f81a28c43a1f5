// The processor: buses, activation, the block split at parameter points, state.
#include "vst3/Vst3Processor.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "vst3/streamBytes.h"

namespace Vst3Format {

Vst3Processor* Vst3Processor::create() {
    Vst3Processor* self = new (std::nothrow) Vst3Processor;
    if (!self) return nullptr;
    bool built = false;
    try {
        built = self->rebuild(self->rate);
    } catch (...) {
    }
    if (!built) self->release();
    return built ? self : nullptr;
}

Vst3Processor::~Vst3Processor() = default;

// A new instance at another rate keeps everything the state holds.
bool Vst3Processor::rebuild(double sampleRate) {
    std::vector<uint8_t> state;
    if (core && !core->saveState(state)) return false;
    auto fresh = FormatCore::ComposedPlug::create(sampleRate);
    if (!fresh) return false;
    if (!state.empty() && !fresh->restoreState(state.data(), state.size())) return false;
    fresh->setBypass(bypassed);
    core = std::move(fresh);
    rate = sampleRate;
    return true;
}

Vst3::tresult Vst3Processor::queryInterface(const Vst3::TUID iid, void** obj) {
    if (!obj) return Vst3::kInvalidArgument;
    if (offer<Vst3::IComponent>(this, iid, obj) || offer<Vst3::IAudioProcessor>(this, iid, obj) ||
        offer<Vst3::IConnectionPoint>(this, iid, obj) || offer<IProcessorLink>(this, iid, obj) ||
        offer<Vst3::IProcessContextRequirements>(this, iid, obj))
        return Vst3::kResultOk;
    if (Vst3::sameIid(iid, Vst3::IPluginBase::iid) || Vst3::sameIid(iid, Vst3::FUnknown::iid)) {
        *obj = static_cast<Vst3::IComponent*>(this);
        addRef();
        return Vst3::kResultOk;
    }
    *obj = nullptr;
    return Vst3::kNoInterface;
}

Vst3::tresult Vst3Processor::initialize(Vst3::FUnknown*) { return Vst3::kResultOk; }

Vst3::tresult Vst3Processor::terminate() {
    peer = nullptr;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::getControllerClassId(Vst3::TUID classId) {
    if (!classId) return Vst3::kInvalidArgument;
    std::memcpy(classId, kControllerClassId, sizeof(Vst3::TUID));
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::setIoMode(Vst3::IoMode) { return Vst3::kResultOk; }

Vst3::int32 Vst3Processor::getBusCount(Vst3::MediaType type, Vst3::BusDirection dir) {
    if (type == Vst3::kAudio) return (dir == Vst3::kInput || dir == Vst3::kOutput) ? 1 : 0;
    if (type == Vst3::kEvent) return dir == Vst3::kInput ? 1 : 0;
    return 0;
}

Vst3::tresult Vst3Processor::getBusInfo(Vst3::MediaType type, Vst3::BusDirection dir, Vst3::int32 index,
                                        Vst3::BusInfo& bus) {
    if (index != 0 || index >= getBusCount(type, dir)) return Vst3::kInvalidArgument;
    bus = Vst3::BusInfo{};
    bus.mediaType = type;
    bus.direction = dir;
    bus.busType = Vst3::kMain;
    bus.flags = Vst3::kDefaultActive;
    if (type == Vst3::kAudio) {
        bus.channelCount = 2;
        copyText(bus.name, 128, dir == Vst3::kInput ? "Stereo In" : "Stereo Out");
    } else {
        bus.channelCount = 16;
        copyText(bus.name, 128, "MIDI In");
    }
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::getRoutingInfo(Vst3::RoutingInfo&, Vst3::RoutingInfo&) {
    return Vst3::kNotImplemented;
}

Vst3::tresult Vst3Processor::activateBus(Vst3::MediaType type, Vst3::BusDirection dir, Vst3::int32 index,
                                         Vst3::TBool) {
    return index == 0 && index < getBusCount(type, dir) ? Vst3::kResultOk : Vst3::kInvalidArgument;
}

Vst3::tresult Vst3Processor::setActive(Vst3::TBool state) {
    if (state && !active) core->activate();
    if (!state && active) core->deactivate();
    active = state != 0;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::setState(Vst3::IBStream* state) {
    std::vector<uint8_t> bytes;
    if (!readAll(state, bytes)) return Vst3::kInvalidArgument;
    // A plain chunk first: a chunk that happened to end like the mark stays a chunk.
    bool bypass = false;
    if (!core->restoreState(bytes.data(), bytes.size())) {
        if (!takeBypassMark(bytes) || !core->restoreState(bytes.data(), bytes.size())) return Vst3::kResultFalse;
        bypass = true;
    }
    bypassed = bypass;
    core->setBypass(bypassed);
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::getState(Vst3::IBStream* state) {
    std::vector<uint8_t> bytes;
    if (!state) return Vst3::kInvalidArgument;
    if (!core->saveState(bytes)) return Vst3::kInternalError;
    if (bypassed) appendBypassMark(bytes);
    return writeAll(state, bytes) ? Vst3::kResultOk : Vst3::kResultFalse;
}

Vst3::tresult Vst3Processor::setBusArrangements(Vst3::SpeakerArrangement* inputs, Vst3::int32 numIns,
                                                Vst3::SpeakerArrangement* outputs, Vst3::int32 numOuts) {
    if (active) return Vst3::kResultFalse;
    // One stereo pair each way, nothing else.
    const bool stereo = numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == Vst3::kStereo &&
                        outputs[0] == Vst3::kStereo;
    return stereo ? Vst3::kResultOk : Vst3::kResultFalse;
}

Vst3::tresult Vst3Processor::getBusArrangement(Vst3::BusDirection dir, Vst3::int32 index,
                                               Vst3::SpeakerArrangement& arr) {
    if (index != 0 || (dir != Vst3::kInput && dir != Vst3::kOutput)) return Vst3::kInvalidArgument;
    arr = Vst3::kStereo;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::canProcessSampleSize(Vst3::int32 size) {
    return size == Vst3::kSample32 || size == Vst3::kSample64 ? Vst3::kResultTrue : Vst3::kResultFalse;
}

Vst3::uint32 Vst3Processor::getLatencySamples() { return core->latency(); }

Vst3::tresult Vst3Processor::setupProcessing(Vst3::ProcessSetup& setup) {
    if (active) return Vst3::kResultFalse;
    if (canProcessSampleSize(setup.symbolicSampleSize) != Vst3::kResultTrue || !(setup.sampleRate > 0.0) ||
        !std::isfinite(setup.sampleRate) || setup.maxSamplesPerBlock < 0)
        return Vst3::kInvalidArgument;
    sampleSize = setup.symbolicSampleSize;
    if (setup.sampleRate != rate) {
        try {
            if (!rebuild(setup.sampleRate)) return Vst3::kInternalError;
        } catch (const std::bad_alloc&) {
            return Vst3::kOutOfMemory;
        }
    }
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::setProcessing(Vst3::TBool state) {
    processing = state != 0;
    return Vst3::kResultOk;
}

Vst3::uint32 Vst3Processor::getTailSamples() { return Vst3::kNoTail; }

Vst3::tresult Vst3Processor::connect(Vst3::IConnectionPoint* other) {
    if (!other) return Vst3::kInvalidArgument;
    if (peer) return Vst3::kResultFalse;
    peer = other;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::disconnect(Vst3::IConnectionPoint* other) {
    if (!other || other != peer) return Vst3::kInvalidArgument;
    peer = nullptr;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Processor::notify(Vst3::IMessage* message) {
    return message ? Vst3::kResultFalse : Vst3::kInvalidArgument;
}

Vst3::uint32 Vst3Processor::lampLevels(float* levels, Vst3::uint32 count) {
    count = std::min<Vst3::uint32>({count, core->lampCount(), kMaxLamps});
    for (Vst3::uint32 k = 0; k < count; ++k) levels[k] = lamps[k].load(std::memory_order_relaxed);
    return count;
}

void Vst3Processor::requestLearn(Vst3::int32 index) { core->requestLearn(index); }
void Vst3Processor::requestUnlearn(Vst3::int32 index) { core->requestUnlearn(index); }
Vst3::int32 Vst3Processor::midiKey(Vst3::int32 index) { return core->midiKey(index); }
Vst3::int32 Vst3Processor::learnTarget() { return core->learnTarget(); }

}  // namespace Vst3Format
