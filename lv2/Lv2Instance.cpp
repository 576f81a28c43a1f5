// The LV2 instance around the product: ports, pieces, MIDI, bypass, lamps, state.
#include "lv2/Lv2Instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include "plugcore/ChunkFormat.h"
#include "plugcore/productEntry.h"

namespace Lv2Format {
namespace {

// [any thread] The few host calls a product makes: the version it expects
// to hear; automation, edits and time have no LV2 counterpart here (the host
// owns the control ports, and no time is given: the frame's defaults apply).
VstIntPtr VSTCALLBACK answerHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The lamp levels for a product whose build has no editor object: the chain
// hands its levels to whatever editor the instance holds, so the wrapper gives
// it one that is never opened and only carries the block.
class LampBlock final : public AEffEditor, public PlugCore::SharedBlock {
public:
    explicit LampBlock(uint32_t size) : SharedBlock(size) {}
};

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

}  // namespace

Lv2Instance* Lv2Instance::create(double sampleRate, const LV2_Feature* const* features) {
    try {
        std::unique_ptr<Lv2Instance> self(new Lv2Instance);
        self->plug.reset(PlugCore::createPlug(answerHost));
        PlugCore::Plug& plug = *self->plug;
        self->rate = sampleRate;
        self->map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
        if (self->map) {
            self->midiEventType = self->map->map(self->map->handle, LV2_MIDI__MidiEvent);
            self->chunkType = self->map->map(self->map->handle, LV2_ATOM__Chunk);
            self->chunkProperty = self->map->map(self->map->handle, chunkKey(plug.productInfo()).c_str());
            self->sequenceType = self->map->map(self->map->handle, LV2_ATOM__Sequence);
            const LearnUris uris = learnUris(plug.productInfo());
            self->learnType = self->map->map(self->map->handle, uris.learn.c_str());
            self->unlearnType = self->map->map(self->map->handle, uris.unlearn.c_str());
            self->helloType = self->map->map(self->map->handle, uris.hello.c_str());
            self->bindingType = self->map->map(self->map->handle, uris.binding.c_str());
            self->learnTargetType = self->map->map(self->map->handle, uris.learnTarget.c_str());
        }

        const int32_t count = plug.getAeffect()->numParams;
        self->displays.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            PlugDisplay display(plug, i);
            PlugCore::sampleDisplay(display, self->displays[static_cast<size_t>(i)]);
            self->controls.push_back(describeParameter(plug, i, self->displays[static_cast<size_t>(i)], plug.getParameter(i)));
        }
        self->controlPorts.assign(static_cast<size_t>(count), nullptr);
        self->appliedPort.assign(static_cast<size_t>(count), NAN);
        self->toldKeys.assign(static_cast<size_t>(count), INT32_MIN);

        const uint32_t lamps = lampCount(plug.productInfo());
        self->lampPorts.assign(lamps, nullptr);
        self->lampLevels.assign(lamps, 0.0f);
        self->lampBlock = dynamic_cast<PlugCore::SharedBlock*>(plug.getEditor());
        if (!self->lampBlock && lamps > 0 && !plug.getEditor()) {
            auto* block = new LampBlock(plug.productInfo().editor.sharedSize);
            plug.setEditor(block);
            self->lampBlock = block;
        }

        self->latency = static_cast<uint32_t>(std::max<VstInt32>(0, plug.getLatency()));
        for (auto& channel : self->dry) channel.assign(self->latency + kPieceFrames, 0.0f);
        plug.setSampleRate(static_cast<float>(sampleRate));
        plug.setBlockSize(static_cast<VstInt32>(kPieceFrames));
        // About 5 ms from processed to dry and back: short enough to follow the
        // switch, long enough not to click.
        self->bypassStep = 1.0f / static_cast<float>(std::max(1.0, std::round(0.005 * sampleRate)));
        return self.release();
    } catch (...) {
        return nullptr;
    }
}

Lv2Instance::~Lv2Instance() = default;

void Lv2Instance::connectPort(uint32_t port, void* data) {
    const PortLayout layout(static_cast<uint32_t>(controls.size()), static_cast<uint32_t>(lampPorts.size()));
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

bool Lv2Instance::applyPorts() {
    bool moved = false;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!controlPorts[i]) continue;
        const float v = *controlPorts[i];
        if (v == appliedPort[i] || std::isnan(v)) continue;
        float normalized;
        const auto index = static_cast<int32_t>(i);
        if (normalizedFor(*plug, index, controls[i], displays[i], v, normalized)) plug->setParameter(index, normalized);
        appliedPort[i] = v;
        moved = true;
    }
    return moved;
}

void Lv2Instance::activate() {
    plug->resume();
    applyPorts();
    // The chain starts as if long running with these settings: its smoothers
    // reach their targets on silence, the same settling the renderer does.
    float silence[kPieceFrames] = {};
    float scratch[2][kPieceFrames];
    float* in[2] = {silence, silence};
    float* out[2] = {scratch[0], scratch[1]};
    const auto total = static_cast<uint64_t>(std::ceil(kSettleSeconds * rate));
    for (uint64_t done = 0; done < total; done += kPieceFrames)
        plug->processReplacing(in, out, static_cast<VstInt32>(std::min<uint64_t>(kPieceFrames, total - done)));
    for (auto& channel : dry) std::fill(channel.begin(), channel.end(), 0.0f);
    bypassMix = (enabledPort && *enabledPort <= 0.0f) ? 0.0f : 1.0f;
    if (lampBlock) lampBlock->sharedTaken.store(true, std::memory_order_release);  // ready for the first levels
    std::fill(lampLevels.begin(), lampLevels.end(), 0.0f);
}

void Lv2Instance::deactivate() { plug->suspend(); }

void Lv2Instance::takeMidi(uint32_t frames) {
    midiCount = 0;
    if (!midiPort || !map || midiPort->atom.type == 0) return;
    LV2_ATOM_SEQUENCE_FOREACH(midiPort, ev) {
        if (takeRequest(ev->body.type, LV2_ATOM_BODY_CONST(&ev->body), ev->body.size)) continue;
        if (ev->body.type != midiEventType || ev->body.size == 0 || ev->body.size > 3) continue;
        if (midiCount == kMaxEvents) break;
        VstMidiEvent& e = midiEvents[midiCount];
        e = VstMidiEvent{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        std::memcpy(e.midiData, LV2_ATOM_BODY_CONST(&ev->body), ev->body.size);
        // Out-of-order or out-of-range times are held inside the run, in order.
        const int64_t earliest = midiCount > 0 ? midiFrames[midiCount - 1] : 0;
        midiFrames[midiCount] = static_cast<uint32_t>(std::clamp<int64_t>(ev->time.frames, earliest, frames));
        ++midiCount;
    }
}

void Lv2Instance::run(uint32_t frames) {
    applyPorts();
    if (latencyPort) *latencyPort = static_cast<float>(latency);
    takeMidi(frames);
    if (frames == 0) {
        runPiece(0, 0, true);  // events still act
    } else {
        for (uint32_t offset = 0; offset < frames; offset += kPieceFrames) {
            const uint32_t n = std::min(kPieceFrames, frames - offset);
            runPiece(offset, n, offset + n == frames);
        }
    }
    readLamps();
    writeNotify();
}

// The editor's learn requests act at once, before this run's controllers.
bool Lv2Instance::takeRequest(uint32_t type, const void* body, uint32_t size) {
    if (type != learnType && type != unlearnType && type != helloType) return false;
    if (size != sizeof(int32_t)) return true;
    int32_t value;
    std::memcpy(&value, body, sizeof value);
    const auto count = static_cast<int32_t>(controls.size());
    if (type == learnType) {
        if (value >= 0 && value < count)
            plug->startLearn(value);
        else
            plug->cancelLearn();
    } else if (type == unlearnType) {
        if (value >= 0 && value < count) plug->unlearn(value);
    } else {
        std::fill(toldKeys.begin(), toldKeys.end(), INT32_MIN);
        toldLearnTarget = INT32_MIN;
    }
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
    for (size_t i = 0; i < toldKeys.size(); ++i) {
        const int32_t key = plug->getMidiKey(static_cast<VstInt32>(i));
        if (key != toldKeys[i] && append(bindingType, static_cast<int32_t>(i), key, 2)) toldKeys[i] = key;
    }
    const int32_t target = plug->getLearnTarget();
    if (target != toldLearnTarget && append(learnTargetType, target, 0, 1)) toldLearnTarget = target;
}

void Lv2Instance::runPiece(uint32_t offset, uint32_t frames, bool lastPiece) {
    // The events of this piece, positions relative to it; the last piece also
    // takes those at the very end of the run, which act after its audio.
    pieceEvents.numEvents = 0;
    for (int k = 0; k < midiCount; ++k) {
        const uint32_t at = midiFrames[k];
        if (at < offset || at > offset + frames || (at == offset + frames && !lastPiece)) continue;
        midiEvents[k].deltaFrames = static_cast<VstInt32>(at - offset);
        pieceEvents.events[pieceEvents.numEvents++] = reinterpret_cast<VstEvent*>(&midiEvents[k]);
    }
    plug->processEvents(reinterpret_cast<VstEvents*>(&pieceEvents));

    const bool audio = audioIn[0] && audioIn[1] && audioOut[0] && audioOut[1];
    if (!audio) {
        plug->processReplacing(nullptr, nullptr, 0);  // events only
        return;
    }
    // Copied before the product runs, so the dry signal survives in-place buffers.
    for (int c = 0; c < 2; ++c) std::copy(audioIn[c] + offset, audioIn[c] + offset + frames, dry[c].begin() + latency);
    float* in[2] = {const_cast<float*>(audioIn[0] + offset), const_cast<float*>(audioIn[1] + offset)};
    float* out[2] = {audioOut[0] + offset, audioOut[1] + offset};
    plug->processReplacing(in, out, static_cast<VstInt32>(frames));
    mixBypass(offset, frames);
    for (auto& channel : dry) std::copy(channel.begin() + frames, channel.begin() + frames + latency, channel.begin());
}

void Lv2Instance::mixBypass(uint32_t offset, uint32_t frames) {
    const float target = (enabledPort && *enabledPort <= 0.0f) ? 0.0f : 1.0f;
    if (bypassMix == 1.0f && target == 1.0f) return;  // processed, untouched
    for (uint32_t i = 0; i < frames; ++i) {
        bypassMix = target > bypassMix ? std::min(target, bypassMix + bypassStep) : std::max(target, bypassMix - bypassStep);
        for (int c = 0; c < 2; ++c) {
            const float d = dry[c][i];
            float& o = audioOut[c][offset + i];
            o = bypassMix == 0.0f ? d : bypassMix == 1.0f ? o : d + bypassMix * (o - d);
        }
    }
}

void Lv2Instance::readLamps() {
    if (lampBlock && lampBlock->tryLock()) {
        if (!lampBlock->sharedTaken.load(std::memory_order_acquire)) {
            const size_t bytes = std::min<size_t>(lampBlock->sharedSize, lampLevels.size() * sizeof(float));
            if (lampBlock->shared) std::memcpy(lampLevels.data(), lampBlock->shared, bytes);
            lampBlock->sharedTaken.store(true, std::memory_order_release);
        }
        lampBlock->unlock();
    }
    for (size_t k = 0; k < lampPorts.size(); ++k)
        if (lampPorts[k]) *lampPorts[k] = lampLevels[k];
}

LV2_State_Status Lv2Instance::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (!map || !store) return LV2_STATE_ERR_NO_FEATURE;
    void* data = nullptr;
    const VstInt32 size = plug->getChunk(&data, false);
    if (size <= 0 || !data) return LV2_STATE_ERR_UNKNOWN;
    return store(handle, chunkProperty, data, static_cast<size_t>(size), chunkType,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Instance::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    if (!map || !retrieve) return LV2_STATE_ERR_NO_FEATURE;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* data = retrieve(handle, chunkProperty, &size, &type, &flags);
    if (!data) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != chunkType) return LV2_STATE_ERR_BAD_TYPE;
    if (size > 0x7FFFFFFF ||
        PlugCore::chunk::check(static_cast<const uint8_t*>(data), size, plug->getPluginName()) !=
            PlugCore::chunk::Verdict::whole)
        return LV2_STATE_ERR_UNKNOWN;
    plug->setChunk(const_cast<void*>(data), static_cast<VstInt32>(size), false);
    // The restored values stand until a port moves: the ports as they are now
    // count as applied.
    for (size_t i = 0; i < controls.size(); ++i)
        if (controlPorts[i]) appliedPort[i] = *controlPorts[i];
    return LV2_STATE_SUCCESS;
}

}  // namespace Lv2Format
