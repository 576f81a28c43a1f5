// One product instance composed into a plug-in format: what every format that
// owns a PlugCore::Plug and drives it through its own interface needs, so that
// a format's folder holds only its binary interface. The instance settles on
// its settings at activation, audio and MIDI go through the VST processing
// frame unchanged, the host's bypass keeps the latency and fades, the clip
// lamps are read from the block the chain hands to an editor, state is the
// bank chunk, and parameter values travel in 0..1 or in their display units.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "formatcore/ParameterUnits.h"
#include "formatcore/ValueTable.h"
#include "plugcore/SharedBlock.h"

namespace FormatCore {

// [any thread] The number of lamp levels a product hands to its editor: its shared block read as floats.
inline uint32_t lampCount(const PlugCore::ProductInfo& product) {
    return static_cast<uint32_t>(product.editor.sharedSize / sizeof(float));
}

// The edits the product's own editor makes, for a format that opens the
// editor in-process and tells its host of them.
class EditListener {
public:
    // [UI thread] A gesture's start, each value it sets, its end.
    virtual void editBegun(int32_t index) = 0;
    virtual void valueEdited(int32_t index, float normalized) = 0;
    virtual void editEnded(int32_t index) = 0;

protected:
    ~EditListener() = default;
};

class ComposedPlug {
public:
    // Frames per call of the product's process function.
    static constexpr uint32_t kPieceFrames = 1024;
    // MIDI events taken per process call; later ones in the same call are dropped.
    static constexpr int kMaxEvents = 512;

    // The rates the chain is designed for; others are refused.
    static constexpr double kMinimumRate = 1000.0;
    static constexpr double kMaximumRate = 1.0e7;

    // [UI thread] Null when the product cannot be built or the rate is refused.
    // `edits` (may be null) hears the editor's edits; it outlives the instance.
    static std::unique_ptr<ComposedPlug> create(double rate, EditListener* edits = nullptr);
    ~ComposedPlug();
    ComposedPlug(const ComposedPlug&) = delete;
    ComposedPlug& operator=(const ComposedPlug&) = delete;

    // [UI thread] Switches the product on, settled on the current values
    // (PlugCore::Plug::switchOn); the bypass stands where setBypass put it, without a fade.
    void activate();
    void deactivate();
    // [UI thread, deactivated] A host that names the rate only at activation.
    void setSampleRate(double newRate);

    // [audio thread] One block: the events added since the last call act at
    // their frames, the audio runs in pieces of at most kPieceFrames. Null
    // channels (or frames 0) run the events alone. In-place buffers are fine.
    // No allocation, lock or wait.
    void process(const float* const in[2], float* const out[2], uint32_t frames);
    void process(const double* const in[2], double* const out[2], uint32_t frames);
    // [audio thread] A MIDI message (1 to 3 bytes) for the next process call at
    // frame `at` of its block: times out of order or beyond the block are held
    // inside it, in order. False when dropped (other size, or kMaxEvents taken).
    bool addMidi(int64_t at, const uint8_t* bytes, uint32_t size);
    // [audio thread] The host's bypass: fades over about 5 ms, keeping the latency.
    void setBypass(bool bypassed) { bypassTarget = bypassed ? 0.0f : 1.0f; }
    // [any thread]
    uint32_t latency() const { return latencySamples; }
    // [audio thread] The clip lamps as the editor would show them: lampCount()
    // levels, the last ones read when the chain has none newer.
    void readLamps(float* levels);
    uint32_t lampCount() const { return static_cast<uint32_t>(lampLevels.size()); }

    // --- parameters ---
    // [any thread]
    int32_t parameterCount() const { return static_cast<int32_t>(units.size()); }
    const ParameterUnits& parameterUnits(int32_t index) const { return units[static_cast<size_t>(index)]; }
    void setNormalized(int32_t index, float value);
    float normalized(int32_t index) const;
    // [audio thread] Moves a parameter to a value in its display units; false
    // (nothing changes) for NaN or a value the display search cannot place.
    bool setDisplayValue(int32_t index, float displayValue);
    // [any thread] The normalized value a value in display units gives: the
    // display search's answer, from a table (no text on the audio thread).
    bool normalizedForDisplay(int32_t index, float displayValue, float& normalized) const;
    // [UI thread] The value in display units that shows the same as `normalized`.
    float displayForNormalized(int32_t index, float normalized) const;
    // [any thread] The display text of a normalized value, at most size bytes.
    void text(int32_t index, float normalized, char* out, size_t size) const;
    // [any thread] The normalized value a typed text gives (a shown text, or a
    // number with or without the unit); false and nothing written when none.
    bool parseText(int32_t index, const char* text, float& normalized) const;

    // --- state ---
    // [UI thread] The bank chunk, as the VST stores it.
    bool saveState(std::vector<uint8_t>& out);
    // [UI thread] Not concurrent with process. Refuses (changing nothing) any
    // chunk but a whole bank of this product.
    bool restoreState(const void* data, size_t size);

    // --- MIDI learn ---
    // [UI thread] A learn request: an index outside the parameters cancels.
    void requestLearn(int32_t index);
    void requestUnlearn(int32_t index);
    // [any thread] The key bound to a parameter (-1 none), the learn target (-1 none).
    int32_t midiKey(int32_t index) const;
    int32_t learnTarget() const;
    // [audio thread] Hands on each binding and the learn target that changed
    // since last handed on: tell(parameter, key) for a binding, tell(-1, target)
    // for the learn target; tell returns false when it has no room (handed on
    // again next time).
    template <class Tell>
    void tellBindings(Tell&& tell);
    // [audio thread] Everything is handed on again at the next tellBindings.
    void retellBindings();

    // --- the product, for a format that opens its editor in-process ---
    // [UI thread]
    PlugCore::Plug& product() { return *plug; }
    // [UI thread] The product's editor, null when the build has none.
    AEffEditor* editor();

private:
    explicit ComposedPlug(double rate) : rate(rate) {}
    template <typename T>
    void processBlock(const T* const in[2], T* const out[2], uint32_t frames);
    template <typename T>
    void runPiece(const T* const in[2], T* const out[2], uint32_t offset, uint32_t frames, bool lastPiece);
    template <typename T>
    void mixBypass(T* const out[2], uint32_t offset, uint32_t frames);
    void queueEvents(uint32_t offset, uint32_t frames, bool lastPiece);

    std::unique_ptr<PlugCore::Plug> plug;
    PlugCore::SharedBlock* lampBlock = nullptr;  // the editor's, or one attached for the lamps
    bool ownLampBlock = false;                   // the editor is only that block
    double rate;
    uint32_t latencySamples = 0;

    std::vector<ParameterUnits> units;
    std::vector<PlugCore::DisplaySamples> displays;
    const std::vector<ValueTable>* tables = nullptr;  // shared by the process's instances
    std::vector<float> lampLevels;

    // What was last handed on: each parameter's key and the learn target
    // (INT32_MIN: not yet, so the next call hands it on).
    std::vector<int32_t> toldKeys;
    int32_t toldLearnTarget = INT32_MIN;

    // The dry signal delayed by the latency, for the host's bypass: per channel
    // `latency` frames of history, then the current piece.
    std::vector<double> dry[2];
    float bypassMix = 1.0f;  // 1 processed, 0 dry
    float bypassTarget = 1.0f;
    float bypassStep = 1.0f;

    struct EventList {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kMaxEvents];
    };
    VstMidiEvent midiEvents[kMaxEvents] = {};
    int64_t midiTimes[kMaxEvents] = {};   // as added
    uint32_t midiFrames[kMaxEvents] = {};  // positions in the block
    int midiCount = 0;
    EventList pieceEvents{};
};

template <class Tell>
void ComposedPlug::tellBindings(Tell&& tell) {
    for (size_t i = 0; i < toldKeys.size(); ++i) {
        const int32_t key = plug->getMidiKey(static_cast<VstInt32>(i));
        if (key != toldKeys[i] && tell(static_cast<int32_t>(i), key)) toldKeys[i] = key;
    }
    const int32_t target = plug->getLearnTarget();
    if (target != toldLearnTarget && tell(-1, target)) toldLearnTarget = target;
}

}  // namespace FormatCore
