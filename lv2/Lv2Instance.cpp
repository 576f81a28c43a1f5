// The LV2 instance around the composed product: ports, atoms, state properties.
#include "lv2/Lv2Instance.h"

#include <cmath>
#include <cstring>

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

namespace Lv2Format {
namespace {

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

}  // namespace

Lv2Instance* Lv2Instance::create(double sampleRate, const LV2_Feature* const* features) {
    try {
        std::unique_ptr<Lv2Instance> self(new Lv2Instance);
        self->core = FormatCore::ComposedPlug::create(sampleRate);
        if (!self->core) return nullptr;
        const PlugCore::ProductInfo& product = self->core->product().productInfo();
        self->map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
        if (self->map) {
            auto id = [&](const char* uri) { return self->map->map(self->map->handle, uri); };
            self->midiEventType = id(LV2_MIDI__MidiEvent);
            self->chunkType = id(LV2_ATOM__Chunk);
            self->chunkProperty = id(chunkKey(product).c_str());
            self->sequenceType = id(LV2_ATOM__Sequence);
            const LearnUris uris = learnUris(product);
            self->learnType = id(uris.learn.c_str());
            self->unlearnType = id(uris.unlearn.c_str());
            self->helloType = id(uris.hello.c_str());
            self->bindingType = id(uris.binding.c_str());
            self->learnTargetType = id(uris.learnTarget.c_str());
        }
        const auto count = static_cast<size_t>(self->core->parameterCount());
        self->controlPorts.assign(count, nullptr);
        self->appliedPort.assign(count, NAN);
        self->lampPorts.assign(self->core->lampCount(), nullptr);
        self->lampLevels.assign(self->core->lampCount(), 0.0f);
        return self.release();
    } catch (...) {
        return nullptr;
    }
}

Lv2Instance::~Lv2Instance() = default;

void Lv2Instance::connectPort(uint32_t port, void* data) {
    const PortLayout layout(static_cast<uint32_t>(controlPorts.size()), static_cast<uint32_t>(lampPorts.size()));
    if (port < layout.parameters) {
        controlPorts[port] = static_cast<const float*>(data);
    } else if (port == layout.audioIn(0) || port == layout.audioIn(1)) {
        audioIn[port - layout.audioIn(0)] = static_cast<const float*>(data);
    } else if (port == layout.audioOut(0) || port == layout.audioOut(1)) {
        audioOut[port - layout.audioOut(0)] = static_cast<float*>(data);
    } else if (port == layout.latency()) {
        latencyPort = static_cast<float*>(data);
    } else if (port == layout.enabled()) {
        enabledPort = static_cast<const float*>(data);
    } else if (port == layout.midiIn()) {
        midiPort = static_cast<const LV2_Atom_Sequence*>(data);
    } else if (port == layout.notify()) {
        notifyPort = static_cast<LV2_Atom_Sequence*>(data);
    } else if (port < layout.count()) {
        lampPorts[port - layout.lamp(0)] = static_cast<float*>(data);
    }
}

void Lv2Instance::applyPorts() {
    for (size_t i = 0; i < controlPorts.size(); ++i) {
        if (!controlPorts[i]) continue;
        const float v = *controlPorts[i];
        if (v == appliedPort[i] || std::isnan(v)) continue;
        core->setDisplayValue(static_cast<int32_t>(i), v);
        appliedPort[i] = v;
    }
    core->setBypass(enabledPort && *enabledPort <= 0.0f);
}

void Lv2Instance::activate() {
    applyPorts();
    core->activate();
    std::fill(lampLevels.begin(), lampLevels.end(), 0.0f);
}

void Lv2Instance::deactivate() { core->deactivate(); }

void Lv2Instance::takeMidi() {
    if (!midiPort || !map || midiPort->atom.type == 0) return;
    LV2_ATOM_SEQUENCE_FOREACH(midiPort, ev) {
        if (takeRequest(ev->body.type, LV2_ATOM_BODY_CONST(&ev->body), ev->body.size)) continue;
        if (ev->body.type != midiEventType) continue;
        if (!core->addMidi(ev->time.frames, static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body)),
                           ev->body.size) &&
            ev->body.size >= 1 && ev->body.size <= 3)
            break;  // full: the rest of this run is dropped
    }
}

void Lv2Instance::run(uint32_t frames) {
    applyPorts();
    if (latencyPort) *latencyPort = static_cast<float>(core->latency());
    takeMidi();
    const bool audio = audioIn[0] && audioIn[1] && audioOut[0] && audioOut[1];
    const float* const in[2] = {audioIn[0], audioIn[1]};
    float* const out[2] = {audioOut[0], audioOut[1]};
    core->process(audio ? in : nullptr, audio ? out : nullptr, frames);
    core->readLamps(lampLevels.data());
    for (size_t k = 0; k < lampPorts.size(); ++k)
        if (lampPorts[k]) *lampPorts[k] = lampLevels[k];
    writeNotify();
}

// The editor's learn requests act at once, before this run's controllers.
bool Lv2Instance::takeRequest(uint32_t type, const void* body, uint32_t size) {
    if (type != learnType && type != unlearnType && type != helloType) return false;
    if (size != sizeof(int32_t)) return true;
    int32_t value;
    std::memcpy(&value, body, sizeof value);
    if (type == learnType)
        core->requestLearn(value);
    else if (type == unlearnType)
        core->requestUnlearn(value);
    else
        core->retellBindings();
    return true;
}

// Tells the editor of every binding and learn state that changed since it was
// last told, as far as the host's buffer holds (the rest follows next run).
void Lv2Instance::writeNotify() {
    if (!notifyPort || !map) return;
    const uint32_t capacity = notifyPort->atom.size;
    if (capacity < sizeof(LV2_Atom_Sequence_Body)) return;
    notifyPort->atom.type = sequenceType;
    notifyPort->atom.size = sizeof(LV2_Atom_Sequence_Body);
    notifyPort->body.unit = 0;
    notifyPort->body.pad = 0;
    auto append = [&](LV2_URID type, int32_t a, int32_t b, uint32_t values) {
        const uint32_t bodySize = values * static_cast<uint32_t>(sizeof(int32_t));
        const uint32_t space = lv2_atom_pad_size(static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + bodySize);
        if (notifyPort->atom.size + space > capacity) return false;
        auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&notifyPort->body) + notifyPort->atom.size);
        ev->time.frames = 0;
        ev->body.type = type;
        ev->body.size = bodySize;
        const int32_t data[2] = {a, b};
        std::memcpy(ev + 1, data, bodySize);
        notifyPort->atom.size += space;
        return true;
    };
    core->tellBindings([&](int32_t parameter, int32_t value) {
        return parameter >= 0 ? append(bindingType, parameter, value, 2) : append(learnTargetType, value, 0, 1);
    });
}

LV2_State_Status Lv2Instance::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (!map || !store) return LV2_STATE_ERR_NO_FEATURE;
    std::vector<uint8_t> bank;
    if (!core->saveState(bank)) return LV2_STATE_ERR_UNKNOWN;
    return store(handle, chunkProperty, bank.data(), bank.size(), chunkType, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Instance::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    if (!map || !retrieve) return LV2_STATE_ERR_NO_FEATURE;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* data = retrieve(handle, chunkProperty, &size, &type, &flags);
    if (!data) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != chunkType) return LV2_STATE_ERR_BAD_TYPE;
    if (!core->restoreState(data, size)) return LV2_STATE_ERR_UNKNOWN;
    // The restored values stand until a port moves: the ports as they are now
    // count as applied.
    for (size_t i = 0; i < controlPorts.size(); ++i)
        if (controlPorts[i]) appliedPort[i] = *controlPorts[i];
    return LV2_STATE_SUCCESS;
}

}  // namespace Lv2Format
