// The VST 2.x half of the host interface: opcodes 25 to 79, the host-call
// wrappers, and the defaults of the 2.x operations a plug-in may replace.
// Deprecated operations nobody reaches here are reduced to their defaults.
#pragma once

#include "host/AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    // [any thread] Handles 25..79, passes everything else to AudioEffect.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    // [UI thread] Parameter queries.
    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool string2parameter(VstInt32, char*) { return false; }
    virtual bool getParameterProperties(VstInt32, void*) { return false; }
    // [UI thread] Host calls 43 and 44 around a user's edit of one parameter.
    virtual bool beginEdit(VstInt32 index) { return callHost(audioMasterBeginEdit, index) != 0; }
    virtual bool endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }

    // [UI thread] Program and bank transfers.
    virtual bool getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual VstInt32 beginLoadBank(void*) { return 0; }
    virtual VstInt32 beginLoadProgram(void*) { return 0; }

    // [UI thread] Host calls about the stream format.
    virtual bool ioChanged() { return callHost(audioMasterIOChanged) != 0; }
    virtual double updateSampleRate();
    virtual VstInt32 updateBlockSize();
    virtual VstInt32 getInputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetInputLatency)); }
    virtual VstInt32 getOutputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency)); }

    // [UI thread] Pins and processing options; precision arrives while suspended.
    virtual bool getInputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool getOutputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool setBypass(bool) { return false; }
    virtual bool setProcessPrecision(VstInt32) { return false; }
    virtual VstInt32 getNumMidiInputChannels() { return 0; }
    virtual VstInt32 getNumMidiOutputChannels() { return 0; }

    // [audio thread] Host call 7 with a request mask; null when the host gives no timing.
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter) {
        return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
    }
    // [any thread] Host queries that answer from either thread.
    virtual VstInt32 getCurrentProcessLevel() {
        return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
    }
    virtual VstInt32 getAutomationState() { return static_cast<VstInt32>(callHost(audioMasterGetAutomationState)); }
    // [audio thread] The events of the next process call, valid until it returns.
    virtual VstInt32 processEvents(VstEvents*) { return 0; }
    // [any thread] Hosts differ on the thread that brackets processing.
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }

    // [any thread] Host identity queries, one host call each.
    virtual bool getHostVendorString(char* text) { return callHost(audioMasterGetVendorString, 0, 0, text) != 0; }
    virtual bool getHostProductString(char* text) { return callHost(audioMasterGetProductString, 0, 0, text) != 0; }
    virtual VstInt32 getHostVendorVersion() { return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion)); }
    virtual VstIntPtr hostVendorSpecific(VstInt32 l1, VstIntPtr l2, void* p, float f) {
        return callHost(audioMasterVendorSpecific, l1, l2, p, f);
    }
    virtual VstInt32 canHostDo(char* text) { return static_cast<VstInt32>(callHost(audioMasterCanDo, 0, 0, text)); }
    virtual VstInt32 getHostLanguage() { return static_cast<VstInt32>(callHost(audioMasterGetLanguage)); }
    // [UI thread, creation] Capability flags.
    virtual void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }
    // [UI thread]
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual void* getDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }

    // [UI thread] Identity, capabilities and the vendor-specific call.
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
    virtual VstInt32 canDo(char*) { return 0; }
    virtual VstInt32 getVstVersion() { return 2400; }
    virtual VstInt32 getPlugCategory() { return (cEffect.flags & effFlagsIsSynth) ? 2 : 0; }

    // [UI thread] Display and idle requests to the host.
    virtual VstInt32 getCurrentMidiProgram(VstInt32, void*) { return -1; }
    virtual bool updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
    virtual bool sizeWindow(VstInt32 width, VstInt32 height) {
        return callHost(audioMasterSizeWindow, width, height) != 0;
    }

    // [UI thread] Old requests to the host and the program categories.
    virtual bool wantEvents(VstInt32 filter = 1) { return callHost(audioMasterWantMidi, 0, filter) != 0; }
    virtual VstInt32 getNumCategories() { return 1; }
    virtual bool copyProgram(VstInt32) { return false; }
    virtual bool needIdle() { return callHost(audioMasterNeedIdle) != 0; }
    // [UI thread, suspended] Pin connection changes.
    virtual void inputConnected(VstInt32, bool) {}
    virtual void outputConnected(VstInt32, bool) {}
    // [any thread]
    virtual VstInt32 willProcessReplacing() {
        return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
    }
    // [UI thread, creation]
    virtual void wantAsyncOperation(bool state = true) { setFlag(effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state = true) { setFlag(effFlagsExtHasBuffer, state); }
    // [UI thread, suspended] May allocate.
    virtual bool setBlockSizeAndSampleRate(VstInt32 size, float rate) {
        setBlockSize(size);
        setSampleRate(rate);
        return true;
    }
    // [UI thread]
    virtual bool keysRequired() { return false; }
};
