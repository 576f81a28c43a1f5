// The product instance composed into a format: settle, pieces, MIDI, bypass, lamps, state, values.
#include "formatcore/ComposedPlug.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "plugcore/ChunkFormat.h"
#include "plugcore/productEntry.h"

namespace FormatCore {
namespace {

// [any thread] The few host calls a product makes: the version it expects
// to hear, and its editor's edits for the format's listener (the record's
// user field; null while a state is restored, whose values the format reads
// back itself). No time is given: the frame's defaults apply.
VstIntPtr VSTCALLBACK answerHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion) return 2400;
    auto* edits = effect ? static_cast<EditListener*>(effect->user) : nullptr;
    if (!edits) return 0;
    if (opcode == audioMasterBeginEdit) edits->editBegun(index);
    if (opcode == audioMasterAutomate) edits->valueEdited(index, opt);
    if (opcode == audioMasterEndEdit) edits->editEnded(index);
    return 0;
}

// The lamp levels for a product whose build has no editor object: the chain
// hands its levels to whatever editor the instance holds, so the format gives
// it one that is never opened and only carries the block.
class LampBlock final : public AEffEditor, public PlugCore::SharedBlock {
public:
    explicit LampBlock(uint32_t size) : SharedBlock(size) {}
};

}  // namespace

std::unique_ptr<ComposedPlug> ComposedPlug::create(double rate, EditListener* edits) {
    // A rate the chain is not designed for would also make the settle endless
    // (NaN or negative) or take minutes.
    if (!(rate >= kMinimumRate && rate <= kMaximumRate)) return nullptr;
    try {
        std::unique_ptr<ComposedPlug> self(new ComposedPlug(rate));
        self->plug.reset(PlugCore::createPlug(answerHost));
        PlugCore::Plug& plug = *self->plug;
        plug.getAeffect()->user = edits;

        const int32_t count = plug.getAeffect()->numParams;
        self->displays.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            PlugDisplay display(plug, i);
            PlugCore::sampleDisplay(display, self->displays[static_cast<size_t>(i)]);
            self->units.push_back(
                describeParameter(plug, i, self->displays[static_cast<size_t>(i)], plug.getParameter(i)));
        }
        // The tables read the whole display, the same for every instance: one per process.
        static const std::vector<ValueTable> tables = [&] {
            std::vector<ValueTable> built;
            for (int32_t i = 0; i < count; ++i)
                built.emplace_back(plug, i, self->units[static_cast<size_t>(i)], self->displays[static_cast<size_t>(i)]);
            return built;
        }();
        self->tables = &tables;
        self->toldKeys.assign(static_cast<size_t>(count), INT32_MIN);

        const uint32_t lamps = FormatCore::lampCount(plug.productInfo());
        self->lampLevels.assign(lamps, 0.0f);
        self->lampBlock = dynamic_cast<PlugCore::SharedBlock*>(plug.getEditor());
        if (!self->lampBlock && lamps > 0 && !plug.getEditor()) {
            auto* block = new LampBlock(plug.productInfo().editor.sharedSize);
            plug.setEditor(block);
            self->lampBlock = block;
            self->ownLampBlock = true;
        }

        self->latencySamples = static_cast<uint32_t>(std::max<VstInt32>(0, plug.getLatency()));
        for (auto& channel : self->dry) channel.assign(self->latencySamples + kPieceFrames, 0.0);
        plug.setBlockSize(static_cast<VstInt32>(kPieceFrames));
        self->setSampleRate(rate);
        return self;
    } catch (...) {
        return nullptr;
    }
}

ComposedPlug::~ComposedPlug() = default;

void ComposedPlug::setSampleRate(double newRate) {
    rate = newRate;
    plug->setSampleRate(static_cast<float>(rate));
    // About 5 ms from processed to dry and back: short enough to follow the
    // switch, long enough not to click.
    bypassStep = 1.0f / static_cast<float>(std::max(1.0, std::round(0.005 * rate)));
}

void ComposedPlug::activate() {
    plug->switchOn();  // settled on the current values, as a host's switch on
    for (auto& channel : dry) std::fill(channel.begin(), channel.end(), 0.0);
    bypassMix = bypassTarget;
    if (lampBlock) lampBlock->sharedTaken.store(true, std::memory_order_release);  // ready for the first levels
    std::fill(lampLevels.begin(), lampLevels.end(), 0.0f);
}

void ComposedPlug::deactivate() { plug->suspend(); }

bool ComposedPlug::addMidi(int64_t at, const uint8_t* bytes, uint32_t size) {
    if (size == 0 || size > 3 || !bytes || midiCount == kMaxEvents) return false;
    VstMidiEvent& e = midiEvents[midiCount];
    e = VstMidiEvent{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    std::memcpy(e.midiData, bytes, size);
    midiTimes[midiCount++] = at;
    return true;
}

void ComposedPlug::process(const float* const in[2], float* const out[2], uint32_t frames) {
    processBlock(in, out, frames);
}

void ComposedPlug::process(const double* const in[2], double* const out[2], uint32_t frames) {
    processBlock(in, out, frames);
}

template <typename T>
void ComposedPlug::processBlock(const T* const in[2], T* const out[2], uint32_t frames) {
    // Out-of-order or out-of-range times are held inside the block, in order.
    for (int k = 0; k < midiCount; ++k) {
        const int64_t earliest = k > 0 ? midiFrames[k - 1] : 0;
        midiFrames[k] = static_cast<uint32_t>(std::clamp<int64_t>(midiTimes[k], earliest, frames));
    }
    if (frames == 0) {
        runPiece(in, out, 0, 0, true);  // events still act
    } else {
        for (uint32_t offset = 0; offset < frames; offset += kPieceFrames) {
            const uint32_t n = std::min(kPieceFrames, frames - offset);
            runPiece(in, out, offset, n, offset + n == frames);
        }
    }
    midiCount = 0;
}

// The events of this piece, positions relative to it; the last piece also
// takes those at the very end of the block, which act after its audio.
void ComposedPlug::queueEvents(uint32_t offset, uint32_t frames, bool lastPiece) {
    pieceEvents.numEvents = 0;
    for (int k = 0; k < midiCount; ++k) {
        const uint32_t at = midiFrames[k];
        if (at < offset || at > offset + frames || (at == offset + frames && !lastPiece)) continue;
        midiEvents[k].deltaFrames = static_cast<VstInt32>(at - offset);
        pieceEvents.events[pieceEvents.numEvents++] = reinterpret_cast<VstEvent*>(&midiEvents[k]);
    }
    plug->processEvents(reinterpret_cast<VstEvents*>(&pieceEvents));
}

template <typename T>
void ComposedPlug::runPiece(const T* const in[2], T* const out[2], uint32_t offset, uint32_t frames,
                            bool lastPiece) {
    queueEvents(offset, frames, lastPiece);
    const bool audio = in && out && in[0] && in[1] && out[0] && out[1];
    if (!audio) {
        plug->processReplacing(nullptr, nullptr, 0);  // events only
        return;
    }
    // Copied before the product runs, so the dry signal survives in-place
    // buffers. While the bypass rests on the processed signal only the last
    // `latency` frames are kept, the history a fade would start from.
    const bool mixing = bypassMix != 1.0f || bypassTarget != 1.0f;
    for (int c = 0; c < 2; ++c) {
        auto& d = dry[c];
        if (mixing) {
            std::copy(in[c] + offset, in[c] + offset + frames, d.begin() + latencySamples);
        } else if (frames >= latencySamples) {
            std::copy(in[c] + offset + frames - latencySamples, in[c] + offset + frames, d.begin());
        } else {
            std::copy(d.begin() + frames, d.begin() + latencySamples, d.begin());
            std::copy(in[c] + offset, in[c] + offset + frames, d.begin() + (latencySamples - frames));
        }
    }
    T* pieceIn[2] = {const_cast<T*>(in[0] + offset), const_cast<T*>(in[1] + offset)};
    T* pieceOut[2] = {out[0] + offset, out[1] + offset};
    if constexpr (std::is_same_v<T, float>)
        plug->processReplacing(pieceIn, pieceOut, static_cast<VstInt32>(frames));
    else
        plug->processDoubleReplacing(pieceIn, pieceOut, static_cast<VstInt32>(frames));
    if (!mixing) return;
    mixBypass(out, offset, frames);
    for (auto& channel : dry)
        std::copy(channel.begin() + frames, channel.begin() + frames + latencySamples, channel.begin());
}

template <typename T>
void ComposedPlug::mixBypass(T* const out[2], uint32_t offset, uint32_t frames) {
    const float target = bypassTarget;
    if (bypassMix == 1.0f && target == 1.0f) return;  // processed, untouched
    for (uint32_t i = 0; i < frames; ++i) {
        bypassMix = target > bypassMix ? std::min(target, bypassMix + bypassStep) : std::max(target, bypassMix - bypassStep);
        for (int c = 0; c < 2; ++c) {
            const auto d = static_cast<T>(dry[c][i]);
            T& o = out[c][offset + i];
            o = bypassMix == 0.0f ? d : bypassMix == 1.0f ? o : d + static_cast<T>(bypassMix) * (o - d);
        }
    }
}

void ComposedPlug::readLamps(float* levels) {
    if (lampBlock && lampBlock->tryLock()) {
        if (!lampBlock->sharedTaken.load(std::memory_order_acquire)) {
            const size_t bytes = std::min<size_t>(lampBlock->sharedSize, lampLevels.size() * sizeof(float));
            if (lampBlock->shared) std::memcpy(lampLevels.data(), lampBlock->shared, bytes);
            lampBlock->sharedTaken.store(true, std::memory_order_release);
        }
        lampBlock->unlock();
    }
    std::copy(lampLevels.begin(), lampLevels.end(), levels);
}

void ComposedPlug::setNormalized(int32_t index, float value) {
    if (index >= 0 && index < parameterCount()) plug->setParameter(index, value);
}

float ComposedPlug::normalized(int32_t index) const {
    return index >= 0 && index < parameterCount() ? plug->getParameter(index) : 0.0f;
}

bool ComposedPlug::setDisplayValue(int32_t index, float displayValue) {
    float value;
    if (!normalizedForDisplay(index, displayValue, value)) return false;
    plug->setParameter(index, value);
    return true;
}

bool ComposedPlug::normalizedForDisplay(int32_t index, float displayValue, float& value) const {
    if (index < 0 || index >= parameterCount()) return false;
    return (*tables)[static_cast<size_t>(index)].normalizedFor(displayValue, value);
}

float ComposedPlug::displayForNormalized(int32_t index, float value) const {
    if (index < 0 || index >= parameterCount()) return 0.0f;
    return displayValueFor(*plug, index, units[static_cast<size_t>(index)], value);
}

void ComposedPlug::text(int32_t index, float value, char* out, size_t size) const {
    if (!out || size == 0) return;
    out[0] = 0;
    if (index >= 0 && index < parameterCount()) PlugDisplay(*plug, index).text(value, out, size);
}

bool ComposedPlug::parseText(int32_t index, const char* typed, float& value) const {
    if (index < 0 || index >= parameterCount() || !typed) return false;
    const auto i = static_cast<size_t>(index);
    PlugDisplay display(*plug, index);
    return PlugCore::valueForText(display, displays[i], typed, units[i].label.c_str(), value) ==
           PlugCore::ValueTextStatus::ok;
}

bool ComposedPlug::saveState(std::vector<uint8_t>& out) {
    void* data = nullptr;
    const VstInt32 size = plug->getChunk(&data, false);
    if (size <= 0 || !data) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    out.assign(bytes, bytes + size);
    return true;
}

bool ComposedPlug::restoreState(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    const AEffect& effect = *plug->getAeffect();
    if (!data || size > 0x7FFFFFFF ||
        PlugCore::chunk::check(bytes, size, plug->getPluginName()) != PlugCore::chunk::Verdict::whole ||
        !PlugCore::chunk::completeBank(bytes, size, static_cast<uint32_t>(effect.numParams),
                                       static_cast<uint32_t>(effect.numPrograms)))
        return false;
    AEffect* record = plug->getAeffect();
    void* edits = record->user;
    record->user = nullptr;  // a restore is not an edit
    plug->setChunk(const_cast<void*>(data), static_cast<VstInt32>(size), false);
    record->user = edits;
    return true;
}

void ComposedPlug::requestLearn(int32_t index) {
    if (index >= 0 && index < parameterCount())
        plug->startLearn(index);
    else
        plug->cancelLearn();
}

void ComposedPlug::requestUnlearn(int32_t index) {
    if (index >= 0 && index < parameterCount()) plug->unlearn(index);
}

int32_t ComposedPlug::midiKey(int32_t index) const {
    return index >= 0 && index < parameterCount() ? plug->getMidiKey(index) : -1;
}

int32_t ComposedPlug::learnTarget() const { return plug->getLearnTarget(); }

void ComposedPlug::retellBindings() {
    std::fill(toldKeys.begin(), toldKeys.end(), INT32_MIN);
    toldLearnTarget = INT32_MIN;
}

AEffEditor* ComposedPlug::editor() { return ownLampBlock ? nullptr : plug->getEditor(); }

}  // namespace FormatCore
