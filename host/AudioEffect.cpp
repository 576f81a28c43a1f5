#include "host/AudioEffect.h"

#include <cmath>
#include <cstring>

namespace {

AudioEffect* objectOf(AEffect* e) { return e ? static_cast<AudioEffect*>(e->object) : nullptr; }

VstIntPtr VSTCALLBACK dispatchEffClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                       float opt) {
    AudioEffect* effect = objectOf(e);
    if (!effect) return 0;
    if (opcode == effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void VSTCALLBACK setParameterClass(AEffect* e, VstInt32 index, float value) {
    if (AudioEffect* effect = objectOf(e)) effect->setParameter(index, value);
}

float VSTCALLBACK getParameterClass(AEffect* e, VstInt32 index) {
    AudioEffect* effect = objectOf(e);
    return effect ? effect->getParameter(index) : 0.0f;
}

void VSTCALLBACK processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (AudioEffect* effect = objectOf(e)) effect->process(inputs, outputs, sampleFrames);
}

void VSTCALLBACK processReplacingClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (AudioEffect* effect = objectOf(e)) effect->processReplacing(inputs, outputs, sampleFrames);
}

void VSTCALLBACK processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                             VstInt32 sampleFrames) {
    if (AudioEffect* effect = objectOf(e)) effect->processDoubleReplacing(inputs, outputs, sampleFrames);
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : audioMaster(master), numPrograms(programs), numParams(params) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode("NoEf");
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingClass;
    cEffect.processDoubleReplacing = processDoubleReplacingClass;
    canProcessReplacing();
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setEditor(AEffEditor* e) {
    // An editor may attach itself from its constructor and be attached again by
    // whoever created it: still one owner and one delete.
    if (e != editor.get()) editor.reset(e);
    setFlag(effFlagsHasEditor, e != nullptr);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getChunk(void**, bool) { return 0; }
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) { return 0; }

VstInt32 AudioEffect::getMasterVersion() {
    if (!audioMaster) return 1;
    VstInt32 v = static_cast<VstInt32>(callHost(audioMasterVersion));
    return v ? v : 1;
}
VstInt32 AudioEffect::getCurrentUniqueId() { return static_cast<VstInt32>(callHost(audioMasterCurrentId)); }
void AudioEffect::masterIdle() { callHost(audioMasterIdle); }
bool AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}
bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case effOpen: open(); return 0;
        case effClose: close(); return 0;
        case effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram: return getProgram();
        case effSetProgramName:
            if (ptr) setProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetProgramName:
            if (ptr) getProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetParamLabel:
            if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamDisplay:
            if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamName:
            if (ptr) getParameterName(index, static_cast<char*>(ptr));
            return 0;
        case effGetVu: return static_cast<VstIntPtr>(getVu() * 32767.0f);
        case effSetSampleRate: setSampleRate(opt); return 0;
        case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
        case effMainsChanged:
            if (value == 0)
                suspend();
            else
                switchOn();
            return 0;
        case effEditGetRect:
            return (editor && ptr) ? (editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0) : 0;
        case effEditOpen: return editor ? (editor->open(ptr) ? 1 : 0) : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify: return fourCharCode("NvEf");
        case effGetChunk: return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk:
            if (ptr && value >= 0 && value <= 0x7FFFFFFF)
                setChunk(ptr, static_cast<VstInt32>(value), index != 0);
            return 0;
        default: return 0;
    }
}
