// The VST 2.0 half of the host interface: the effect record, opcodes 0 to 24,
// and the defaults of every operation a plug-in may replace.
//
// Thread tags. Only two of the host's threads enter a plug-in:
//   [UI thread]    the host's user-interface thread: dispatcher requests,
//                  editor windows and their timer, chunks, the defaults file.
//   [audio thread] the host's processing thread: process calls and their events.
//   [any thread]   either of them, possibly both at once.
// A state after the comma narrows the tag: "creation" (inside the entry call,
// before the host has the record), "suspended" (between effMainsChanged 0 and
// 1: no process call can run, so allocation is allowed), "resumed" (process
// calls may run), "one at a time" (either thread, never both at once: the UI
// thread only while suspended, so the operation may touch the audio state but
// must not allocate, lock or wait).
// One tag per entry (a comment over a group of declarations tags the group);
// an override names the thread its base names. tests/host/checkThreadTags.sh
// checks both.
#pragma once

#include <memory>

#include "host/AEffEditor.h"
#include "host/vst24.h"

class AudioEffect {
public:
    // [UI thread, creation] Fills the effect record; may allocate.
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    // [UI thread, after effClose] The editor object goes with the effect.
    virtual ~AudioEffect();

    // [any thread] Opcode dispatch; opcodes outside 0..24 answer 0.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    // [UI thread, suspended] Life cycle and stream format; no process call runs
    // meanwhile, so these may allocate.
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    // What the host's switch on (effMainsChanged 1) does: resume, and anything
    // else a plug-in does before its first block.
    virtual void switchOn() { resume(); }
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }

    // [audio thread, resumed] Never allocates, locks or waits.
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double**, double**, VstInt32) {}

    // [any thread] A host automates from its audio thread as well as its UI thread.
    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }
    // [UI thread] Store plus audioMasterAutomate.
    virtual void setParameterAutomated(VstInt32 index, float value);

    // [UI thread] Programs and their names.
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) {
        if (name) *name = 0;
    }

    // [any thread] Parameter texts: the host asks from either thread, and an
    // editor shows them too; they read the table and write only into text.
    virtual void getParameterLabel(VstInt32, char* label) {
        if (label) *label = 0;
    }
    virtual void getParameterDisplay(VstInt32, char* text) {
        if (text) *text = 0;
    }
    virtual void getParameterName(VstInt32, char* text) {
        if (text) *text = 0;
    }

    // [UI thread] The state chunk: data stays valid until the next getChunk.
    virtual VstInt32 getChunk(void** data, bool isPreset = false);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false);

    // [UI thread, creation] The record's identity and capabilities.
    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 n) { cEffect.numInputs = n; }
    virtual void setNumOutputs(VstInt32 n) { cEffect.numOutputs = n; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

    // [any thread] Plain reads of fields set while suspended.
    virtual AEffEditor* getEditor() { return editor.get(); }
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }

    // [any thread] Host queries; each is one host call.
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

    // [audio thread] The accumulating process call and the VU query.
    virtual void process(float**, float**, VstInt32) {}
    virtual float getVu() { return 0.0f; }
    // [UI thread, creation] More capability flags.
    virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }

    // [UI thread, creation] Attaches the editor object; the effect owns it from
    // then on. Attaching the attached editor again changes nothing; attaching
    // another one deletes the one before.
    virtual void setEditor(AEffEditor* e);

    // [any thread] Calls the host callback, or answers 0 without calling when there is none.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

protected:
    void setFlag(VstInt32 flag, bool state) {
        if (state)
            cEffect.flags |= flag;
        else
            cEffect.flags &= ~flag;
    }

    audioMasterCallback audioMaster;
    std::unique_ptr<AEffEditor> editor;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    AEffect cEffect;
};
