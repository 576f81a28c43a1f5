// PlugCore::Plug, the framework a product is built on: parameter table,
// processing frame, programs and state chunk, defaults file, MIDI handling.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "host/AudioEffectX.h"
#include "plugcore/ParamTable.h"
#include "plugcore/ProductInfo.h"

namespace PlugCore {

class SharedBlock;

// Musical timing handed to the product with every sub-block.
struct BlockTiming {
    double tempo;
    double beatPosition;
    double beatsPerSample;
    double sampleRate;
};

// A named snapshot of every parameter value.
struct Program {
    char name[24];
    std::vector<float> values;  // one per parameter
};

// Instances sit on a 16-byte boundary (aligned new picks that up from here).
class alignas(16) Plug : public AudioEffectX, public IParamCook {
public:
    // The frame's channels: one stereo pair in, one out.
    static constexpr VstInt32 kChannels = 2;

    // [UI thread, creation] Takes the product's identity, program and parameter
    // counts from `product` (kept as a copy). May allocate; throws std::bad_alloc.
    Plug(audioMasterCallback audioMaster, const ProductInfo& product);
    // [UI thread] Deletes the editor first; the members free themselves after it.
    ~Plug() override;

    // The 32-bit Windows runtime's malloc gives only 8-byte alignment while the
    // compiler assumes 16 for plain new, so the aligned allocation is explicit.
    static void* operator new(std::size_t size) { return ::operator new(size, std::align_val_t(16)); }
    static void operator delete(void* p) noexcept { ::operator delete(p, std::align_val_t(16)); }

    // --- parameters ---
    // [any thread] Clamped store (NaN stores 0); nothing else.
    void setParameter(VstInt32 index, float value) final;
    // [any thread] Plain reads; the texts come from the record and the product.
    float getParameter(VstInt32 index) final;
    void getParameterName(VstInt32 index, char* text) final;
    void getParameterLabel(VstInt32 index, char* text) final;
    void getParameterDisplay(VstInt32 index, char* text) final;
    // [audio thread] Every change needs a full recompute; a product that can
    // tell cheaper changes apart replaces this.
    bool cookParameter(int32_t index, float value) override;
    // [UI thread] setParameterAutomated with the record's default value.
    void resetToDefault(VstInt32 index);
    // [UI thread] The poll step for the editor.
    void pollParameters(IParamNotify* notify) { PlugCore::pollParameters(params, notify); }
    // [any thread] The record of one parameter, null for an index outside the
    // table: the one place an index from a host, a chunk, MIDI or a widget is checked.
    Param* parameter(VstInt32 index) {
        return static_cast<uint32_t>(index) < params.count ? &params.params[static_cast<uint32_t>(index)] : nullptr;
    }
    const Param* parameter(VstInt32 index) const { return const_cast<Plug*>(this)->parameter(index); }
    ParamTable& parameterTable() { return params; }
    // [any thread] Fixed at construction.
    const ProductInfo& productInfo() const { return identity; }
    const char* getPluginName() const { return identity.name; }

    // --- editor ---
    // [UI thread, creation] Attaches the editor (owned from then on, see
    // AudioEffect) and hands its meter block to the signal chain, so the audio
    // side never has to look for it.
    void setEditor(AEffEditor* e) final;
    // [audio thread] The attached editor's meter block; null without an editor
    // or when the editor has none.
    SharedBlock* sharedBlock() const { return meterBlock.load(std::memory_order_acquire); }

    // --- processing frame ---
    // [UI thread, suspended] setBlockSize allocates the planar buffers; resume
    // recomputes rate constants, clears the signal state and earns the lazy
    // allocation one new attempt.
    void setSampleRate(float rate) final;
    void setBlockSize(VstInt32 size) final;
    void resume() final;
    // [UI thread, suspended] Switch on, for a host and every composed format:
    // resume, then settle, so that the first block sounds as after a long run
    // with the current values (the same bits the renderer gives from its first frame).
    void switchOn() final;
    // [UI thread, suspended] Plays kSettleSeconds of silence through the chain
    // and discards it: the parameter smoothers reach their targets, the signal
    // state stays cleared. Parameter changes while running still glide.
    void settle();
    static constexpr double kSettleSeconds = 5.0;
    // [audio thread, resumed] No allocation, lock or wait, with one stated
    // exception: a host that never sent a block size gets the buffers allocated
    // in a process call, tried once per resume. A zero-length call handles its
    // pending events (with or without buffers) and runs no sub-block; a negative
    // count is refused with its events. A call that cannot run (no buffers, a
    // channel missing) still handles its events and leaves silence in the
    // replacing outputs.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) final;
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) final;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) final;
    VstInt32 processEvents(VstEvents* events) final;

    // --- identity and pins ---
    // [UI thread]
    bool getEffectName(char* text) final;
    bool getVendorString(char* text) final;
    bool getProductString(char* text) final;
    VstInt32 canDo(char* text) final;
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) final;
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) final;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) final;

    // --- programs and chunk ---
    // [UI thread] Leaves the current program (its values are snapshotted) and loads another.
    void setProgram(VstInt32 program) final;
    // [UI thread] Names are cut at 23 characters.
    void setProgramName(char* name) final;
    // [UI thread]
    void getProgramName(char* name) final;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) final;
    // [UI thread] Points data at the chunk buffer, valid until the next getChunk.
    VstInt32 getChunk(void** data, bool isPreset) final;
    // [UI thread] Applies the records in stored order; never reads beyond byteSize. Always 0.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) final;
    // [UI thread] Copies the live values into a program.
    void snapshotProgram(VstInt32 program);
    // [UI thread] Writes the chunk into the given buffer (bank when isPreset is false).
    void writeChunk(std::vector<uint8_t>& out, bool isPreset);
    // [UI thread]
    const Program& program(VstInt32 index) const { return programs[index]; }

    // --- defaults file ---
    // [UI thread, creation] The product constructor's last step; may allocate.
    void loadDefaults();
    // Why the defaults were not saved: the file (relative to the settings folder
    // when there is none) and the system's explanation, for the user to read.
    struct SaveFailure {
        std::string file;
        std::string reason;
    };
    // [UI thread] Writes the bank to the per-user defaults file, replacing the old
    // file only once the new one is complete. False when nothing was saved; then
    // `failure`, when given, says where and why.
    bool saveDefaults(SaveFailure* failure = nullptr);

    // --- MIDI ---
    // [audio thread] One control change (key = 0xB000 + controller, held as signed 16 bits).
    void handleController(int16_t key, int data);
    // [any thread] Rebinds a key: removed from every holder first.
    void assignMidiKey(VstInt32 index, int32_t key);
    // [any thread] The key bound to a parameter, -1 when none.
    int32_t getMidiKey(VstInt32 index) const;
    // [UI thread] Learn requests from the editor.
    void startLearn(VstInt32 index);
    void cancelLearn();
    void unlearn(VstInt32 index);
    // [any thread]
    int32_t getLearnTarget() const { return learnTarget.load(std::memory_order_relaxed); }
    double getPitchBend() const { return pitchBend; }
    uint16_t getBendRange() const { return bendRange; }

    // --- product operations ---
    // [UI thread, suspended] Rate-dependent constants (from resume).
    virtual void sampleRateChanged() = 0;
    // [any thread, one at a time] Clears the signal state: from resume (UI
    // thread, suspended) and on the audio thread for the all-sound-off controller.
    virtual void resetState() = 0;
    // [audio thread] One sub-block; returns whether the beat clock runs while the transport stops.
    virtual bool processBlock(bool paramsChanged, const BlockTiming* timing, double* const* in,
                              double* const* out, VstInt32 frames) = 0;
    // [any thread] Display text of a value, cut to fit textSize bytes with its
    // terminator (the host's display call gives kVstMaxParamStrLen).
    virtual void formatParameter(VstInt32 index, char* text, size_t textSize, float value) = 0;
    // [UI thread, suspended] Samples of latency reported at resume.
    virtual VstInt32 getLatency() { return 0; }
    // [audio thread]
    virtual void noteOn(VstInt32, VstInt32) {}
    virtual void noteOff(VstInt32, VstInt32) {}
    virtual void controllerChanged(VstInt32, float) {}

protected:
    // [UI thread, creation] Product constructor helpers: names, units, default and initial value.
    void initParameter(VstInt32 index, const char* name, const char* label, float defaultValue);
    // [audio thread]
    float cookedValue(VstInt32 index) const { return params.params[index].cooked; }
    // [audio thread] Called between reading the learn target and releasing it;
    // lets tests make a learn request at the worst moment.
    virtual void afterLearnTargetRead(int32_t) {}

private:
    template <typename T>
    void runFrame(T** inputs, T** outputs, VstInt32 sampleFrames, bool accumulate);
    template <typename T>
    bool channelsPresent(T** inputs, T** outputs) const;
    void handleEventsWithoutAudio();
    bool ensureBuffers();
    void allocateBuffers(VstInt32 frames);
    void fetchTiming();
    void runPiece(double* const* out, VstInt32 offset, VstInt32 frames, bool lastPiece, int& nextEvent);
    void runSubBlock(double* const* out, VstInt32 start, VstInt32 length);
    bool cookStep();
    int dispatchEvents(int index);
    void handleMidi(const VstMidiEvent& event);
    void learnAndMatch(int16_t key, int data);
    void reportChunkError(const char* reason);
    bool acceptForeignName(const char* storedName);
    bool applyRecord(uint8_t tag, const uint8_t* body);

    const ProductInfo identity;

    // processing frame
    std::unique_ptr<double[]> planarBlock;  // every channel buffer, inputs first
    VstInt32 bufferFrames = 0;  // frames per channel buffer in planarBlock
    bool lazyAllocationSpent = false;  // the process calls have had their one allocation attempt
    double* inputBuffers[kChannels] = {};
    double* outputBuffers[kChannels] = {};
    double* inputCursor[kChannels] = {};
    double* outputCursor[kChannels] = {};
    bool sampleRateDirty = true;
    VstEvents* pendingEvents = nullptr;
    double beatPosition = 0.0;
    float frameTempo = 120.0f;
    bool framePlaying = false;
    // Bumped by every parameter store; the cook step is skipped while it holds
    // still and nothing else asked for a full cook.
    std::atomic<uint32_t> valueStores{0};
    uint32_t cookedStores = 0;  // audio thread: valueStores when the last cook ran
    bool cookEverything = true;  // audio thread: a cook that must run (first block, resume)
    std::atomic<SharedBlock*> meterBlock{nullptr};

    // MIDI state (audio thread), learn target (shared)
    uint16_t rpnNumber = 0;
    uint16_t bendRange = 256;
    double pitchBend = 0.0;
    std::atomic<int32_t> learnTarget{-1};
    bool cookPending = false;

    // programs and chunk
    std::vector<uint8_t> chunkBuffer;
    std::vector<Program> programs;

    ParamTable params;
};

}  // namespace PlugCore
