#include "host/AudioEffectX.h"

double AudioEffectX::updateSampleRate() {
    VstIntPtr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) sampleRate = static_cast<float>(rate);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    VstIntPtr size = callHost(audioMasterGetBlockSize);
    if (size > 0) blockSize = static_cast<VstInt32>(size);
    return blockSize;
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (opcode < effProcessEvents || opcode > effGetNumMidiOutputChannels)
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    switch (opcode) {
        case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
        case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter: return string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
        case effGetNumProgramCategories: return getNumCategories();
        case effGetProgramNameIndexed:
            return getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
        case effCopyProgram: return copyProgram(index) ? 1 : 0;
        case effConnectInput: inputConnected(index, value != 0); return 1;
        case effConnectOutput: outputConnected(index, value != 0); return 1;
        case effGetInputProperties:
            return ptr ? (getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0) : 0;
        case effGetOutputProperties:
            return ptr ? (getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0) : 0;
        case effGetPlugCategory: return getPlugCategory();
        case effSetBlockSizeAndSampleRate:
            return setBlockSizeAndSampleRate(static_cast<VstInt32>(value), opt) ? 1 : 0;
        case effSetBypass: return setBypass(value != 0) ? 1 : 0;
        case effGetEffectName: return ptr ? (getEffectName(static_cast<char*>(ptr)) ? 1 : 0) : 0;
        case effGetVendorString: return ptr ? (getVendorString(static_cast<char*>(ptr)) ? 1 : 0) : 0;
        case effGetProductString: return ptr ? (getProductString(static_cast<char*>(ptr)) ? 1 : 0) : 0;
        case effGetVendorVersion: return getVendorVersion();
        case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case effCanDo: return ptr ? canDo(static_cast<char*>(ptr)) : 0;
        case effGetTailSize: return getGetTailSize();
        case effKeysRequired: return keysRequired() ? 0 : 1;
        case effGetVstVersion: return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp:
            if (editor) {
                VstKeyCode key{index, static_cast<unsigned char>(value), static_cast<unsigned char>(opt)};
                if (opcode == effEditKeyDown)
                    editor->onKeyDown(key);
                else
                    editor->onKeyUp(key);
            }
            return 0;
        case effSetEditKnobMode:
            if (editor) editor->setKnobMode(static_cast<VstInt32>(value));
            return 0;
        case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
        case effStartProcess: return startProcess();
        case effStopProcess: return stopProcess();
        case effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<VstInt32>(value));
        case effSetProcessPrecision: return setProcessPrecision(static_cast<VstInt32>(value)) ? 1 : 0;
        case effGetNumMidiInputChannels: return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
        default: return 0;
    }
}
