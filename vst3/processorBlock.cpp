// [audio thread] The processor's process call: every parameter point and
// event of the block in time order, the audio split at each of them, so a
// change acts on exactly the sample the host put it on.
#include <algorithm>
#include <cmath>

#include "vst3/Vst3Processor.h"

namespace Vst3Format {
namespace {

template <typename T>
T** channels(const Vst3::AudioBusBuffers& bus);
template <>
float** channels<float>(const Vst3::AudioBusBuffers& bus) { return bus.channelBuffers32; }
template <>
double** channels<double>(const Vst3::AudioBusBuffers& bus) { return bus.channelBuffers64; }

template <typename T>
bool stereo(const Vst3::AudioBusBuffers* buses, Vst3::int32 count) {
    if (count < 1 || !buses || buses[0].numChannels < 2) return false;
    T** c = channels<T>(buses[0]);
    return c && c[0] && c[1];
}

// Bit c set when channel c of the block is all zeros.
template <typename T>
Vst3::uint64 silentChannels(T* const* c, Vst3::int32 frames) {
    Vst3::uint64 flags = 0;
    for (int k = 0; k < 2; ++k) {
        bool silent = true;
        for (Vst3::int32 i = 0; i < frames && silent; ++i) silent = c[k][i] == 0;
        if (silent) flags |= Vst3::uint64{1} << k;
    }
    return flags;
}

// Event bodies held for the ordering pass: MIDI bytes packed into the value.
constexpr Vst3::ParamID kMidiBytesId = 0xFFFFFFFE;

}  // namespace

void Vst3Processor::gatherChanges(Vst3::ProcessData& data) {
    changeCount = 0;
    const Vst3::int32 last = std::max(0, data.numSamples);
    auto add = [&](Vst3::int32 offset, Vst3::ParamID id, double value) {
        if (changeCount == kMaxChanges) return;
        changes[changeCount++] = Change{std::clamp(offset, 0, last), id, value};
    };
    if (Vst3::IParameterChanges* queues = data.inputParameterChanges) {
        const Vst3::int32 count = queues->getParameterCount();
        for (Vst3::int32 q = 0; q < count; ++q) {
            Vst3::IParamValueQueue* queue = queues->getParameterData(q);
            if (!queue) continue;
            const Vst3::ParamID id = queue->getParameterId();
            const Vst3::int32 points = queue->getPointCount();
            for (Vst3::int32 k = 0; k < points; ++k) {
                Vst3::int32 offset = 0;
                Vst3::ParamValue value = 0;
                if (queue->getPoint(k, offset, value) == Vst3::kResultOk && std::isfinite(value))
                    add(offset, id, std::clamp(value, 0.0, 1.0));
            }
        }
    }
    if (Vst3::IEventList* events = data.inputEvents) {
        const Vst3::int32 count = events->getEventCount();
        for (Vst3::int32 k = 0; k < count; ++k) {
            Vst3::Event e{};
            if (events->getEvent(k, e) != Vst3::kResultOk) continue;
            uint32_t bytes;
            if (e.type == Vst3::Event::kNoteOnEvent)
                bytes = 0x90u | (e.noteOn.channel & 0xF) | (e.noteOn.pitch & 0x7F) << 8 |
                        static_cast<uint32_t>(std::clamp(std::lround(e.noteOn.velocity * 127.0f), 1L, 127L)) << 16;
            else if (e.type == Vst3::Event::kNoteOffEvent)
                bytes = 0x80u | (e.noteOff.channel & 0xF) | (e.noteOff.pitch & 0x7F) << 8 |
                        static_cast<uint32_t>(std::clamp(std::lround(e.noteOff.velocity * 127.0f), 0L, 127L)) << 16;
            else
                continue;
            add(e.sampleOffset, kMidiBytesId, bytes);
        }
    }
    // In time order, stable (points of one queue keep their order, and so do
    // equal times), without the buffer a library sort would allocate: the
    // queues come sorted, so this is a merge of a few runs.
    for (int k = 1; k < changeCount; ++k) {
        const Change moving = changes[k];
        int at = k;
        for (; at > 0 && changes[at - 1].offset > moving.offset; --at) changes[at] = changes[at - 1];
        changes[at] = moving;
    }
}

void Vst3Processor::applyChange(const Change& change) {
    const Vst3::ParamID id = change.id;
    if (id < static_cast<Vst3::ParamID>(core->parameterCount())) {
        core->setNormalized(static_cast<int32_t>(id), static_cast<float>(change.value));
    } else if (id == kBypassId) {
        bypassed = change.value >= 0.5;
        core->setBypass(bypassed);
    } else if (id == kProgramId) {
        PlugCore::Plug& plug = core->product();
        const VstInt32 last = plug.productInfo().programCount - 1;
        const auto program = static_cast<VstInt32>(std::lround(change.value * last));
        if (last >= 0 && program != plug.getProgram()) plug.setProgram(program);
    } else if (id == kMidiIdBase + kPitchBendController) {
        const auto bend = static_cast<uint32_t>(std::lround(change.value * 16383.0));
        const uint8_t bytes[3] = {0xE0, static_cast<uint8_t>(bend & 0x7F), static_cast<uint8_t>(bend >> 7)};
        core->addMidi(0, bytes, 3);
    } else if (isMidiParameter(id)) {
        const uint8_t bytes[3] = {0xB0, static_cast<uint8_t>(id - kMidiIdBase),
                                  static_cast<uint8_t>(std::lround(change.value * 127.0))};
        core->addMidi(0, bytes, 3);
    } else if (id == kMidiBytesId) {
        const auto packed = static_cast<uint32_t>(change.value);
        const uint8_t bytes[3] = {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                                  static_cast<uint8_t>(packed >> 16)};
        core->addMidi(0, bytes, 3);
    }
}

template <typename T>
void Vst3Processor::runPiece(Vst3::ProcessData& data, Vst3::int32 offset, Vst3::int32 frames) {
    const bool audio = stereo<T>(data.inputs, data.numInputs) && stereo<T>(data.outputs, data.numOutputs);
    if (!audio || frames == 0) {
        core->process(static_cast<const T* const*>(nullptr), static_cast<T* const*>(nullptr), 0);  // events alone
        return;
    }
    T** in = channels<T>(data.inputs[0]);
    T** out = channels<T>(data.outputs[0]);
    const T* pieceIn[2] = {in[0] + offset, in[1] + offset};
    T* pieceOut[2] = {out[0] + offset, out[1] + offset};
    core->process(pieceIn, pieceOut, static_cast<uint32_t>(frames));
}

Vst3::tresult Vst3Processor::process(Vst3::ProcessData& data) {
    if (data.numSamples < 0) return Vst3::kInvalidArgument;
    if (data.symbolicSampleSize != Vst3::kSample32 && data.symbolicSampleSize != Vst3::kSample64)
        return Vst3::kInvalidArgument;
    const bool doubles = data.symbolicSampleSize == Vst3::kSample64;
    gatherChanges(data);
    Vst3::int32 at = 0;
    int next = 0;
    do {
        while (next < changeCount && changes[next].offset <= at) applyChange(changes[next++]);
        const Vst3::int32 until = next < changeCount ? changes[next].offset : data.numSamples;
        if (doubles)
            runPiece<double>(data, at, until - at);
        else
            runPiece<float>(data, at, until - at);
        at = until;
    } while (at < data.numSamples || next < changeCount);

    if (core->lampCount() <= kMaxLamps) {
        core->readLamps(lampScratch);
        for (Vst3::uint32 k = 0; k < core->lampCount(); ++k) lamps[k].store(lampScratch[k], std::memory_order_relaxed);
    }
    if (data.numOutputs > 0 && data.outputs && data.numSamples > 0) {
        Vst3::AudioBusBuffers& out = data.outputs[0];
        if (doubles && stereo<double>(data.outputs, data.numOutputs))
            out.silenceFlags = silentChannels(out.channelBuffers64, data.numSamples);
        else if (!doubles && stereo<float>(data.outputs, data.numOutputs))
            out.silenceFlags = silentChannels(out.channelBuffers32, data.numSamples);
    }
    return Vst3::kResultOk;
}

}  // namespace Vst3Format
