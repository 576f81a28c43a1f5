// Our own declaration of the VST 2.4 binary interface: the effect record, the
// opcode numbers, the event, timing and pin records. Written from the public
// description of the interface; layouts use natural alignment on every target.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

using VstInt32 = int32_t;
using VstInt16 = int16_t;
using VstIntPtr = intptr_t;

struct AEffect;

using audioMasterCallback = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                     VstIntPtr value, void* ptr, float opt);
using AEffectDispatcherProc = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                       VstIntPtr value, void* ptr, float opt);
using AEffectProcessProc = void(VSTCALLBACK*)(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames);
using AEffectProcessDoubleProc = void(VSTCALLBACK*)(AEffect* effect, double** inputs, double** outputs,
                                                    VstInt32 sampleFrames);
using AEffectSetParameterProc = void(VSTCALLBACK*)(AEffect* effect, VstInt32 index, float parameter);
using AEffectGetParameterProc = float(VSTCALLBACK*)(AEffect* effect, VstInt32 index);

// Four characters as a big-endian character constant: 'VstP' == fourCharCode("VstP").
constexpr VstInt32 fourCharCode(const char (&s)[5]) {
    return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(s[3])));
}

constexpr VstInt32 kEffectMagic = 0x56737450;  // 'VstP'

struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
    effFlagsCanDoubleReplacing = 4096,
};

enum AEffectOpcodes : VstInt32 {
    effOpen = 0, effClose, effSetProgram, effGetProgram, effSetProgramName, effGetProgramName,
    effGetParamLabel, effGetParamDisplay, effGetParamName, effGetVu, effSetSampleRate, effSetBlockSize,
    effMainsChanged, effEditGetRect, effEditOpen, effEditClose, effEditDraw, effEditMouse, effEditKey,
    effEditIdle, effEditTop, effEditSleep, effIdentify, effGetChunk, effSetChunk,
    effProcessEvents = 25, effCanBeAutomated, effString2Parameter, effGetNumProgramCategories,
    effGetProgramNameIndexed, effCopyProgram, effConnectInput, effConnectOutput, effGetInputProperties,
    effGetOutputProperties, effGetPlugCategory, effGetCurrentPosition, effGetDestinationBuffer,
    effOfflineNotify, effOfflinePrepare, effOfflineRun, effProcessVarIo, effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate, effSetBypass, effGetEffectName, effGetErrorText, effGetVendorString,
    effGetProductString, effGetVendorVersion, effVendorSpecific, effCanDo, effGetTailSize, effIdle,
    effGetIcon, effSetViewPosition, effGetParameterProperties, effKeysRequired, effGetVstVersion,
    effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effGetMidiProgramName, effGetCurrentMidiProgram,
    effGetMidiProgramCategory, effHasMidiProgramsChanged, effGetMidiKeyName, effBeginSetProgram,
    effEndSetProgram, effGetSpeakerArrangement, effShellGetNextPlugin, effStartProcess, effStopProcess,
    effSetTotalSampleToProcess, effSetPanLaw, effBeginLoadBank, effBeginLoadProgram,
    effSetProcessPrecision, effGetNumMidiInputChannels, effGetNumMidiOutputChannels,
};

enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0, audioMasterVersion = 1, audioMasterCurrentId = 2, audioMasterIdle = 3,
    audioMasterPinConnected = 4, audioMasterWantMidi = 6, audioMasterGetTime = 7,
    audioMasterProcessEvents = 8, audioMasterTempoAt = 10, audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12, audioMasterIOChanged = 13, audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15, audioMasterGetSampleRate = 16, audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18, audioMasterGetOutputLatency = 19, audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21, audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23, audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25, audioMasterOfflineRead = 26, audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28, audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30, audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32, audioMasterGetProductString = 33, audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35, audioMasterCanDo = 37, audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39, audioMasterCloseWindow = 40, audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42, audioMasterBeginEdit = 43, audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45, audioMasterCloseFileSelector = 46, audioMasterGetChunkFile = 48,
    audioMasterGetInputSpeakerArrangement = 49,
};

struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;
    VstInt32 samplesToNextClock;
    VstInt32 flags;
};

enum VstTimeInfoFlags : VstInt32 {
    kVstTransportChanged = 1, kVstTransportPlaying = 2, kVstTransportCycleActive = 4,
    kVstTransportRecording = 8, kVstAutomationWriting = 64, kVstAutomationReading = 128,
    kVstNanosValid = 256, kVstPpqPosValid = 512, kVstTempoValid = 1024, kVstBarsValid = 2048,
    kVstCyclePosValid = 4096, kVstTimeSigValid = 8192, kVstSmpteValid = 16384, kVstClockValid = 32768,
};

enum VstEventTypes : VstInt32 { kVstMidiType = 1, kVstSysExType = 6 };

struct VstEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    char data[16];
};

struct VstEvents {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[2];  // really numEvents entries
};

struct VstMidiEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 noteLength;
    VstInt32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

enum VstPinPropertiesFlags : VstInt32 { kVstPinIsActive = 1, kVstPinIsStereo = 2, kVstPinUseSpeaker = 4 };

struct VstPinProperties {
    char label[64];
    VstInt32 flags;
    VstInt32 arrangementType;
    char shortLabel[8];
    char future[48];
};

struct ERect {
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

struct VstKeyCode {
    VstInt32 character;
    unsigned char virt;
    unsigned char modifier;
};

// Text lengths hosts assume for the buffers they hand over.
enum VstStringLengths {
    kVstMaxProgNameLen = 24, kVstMaxParamStrLen = 8, kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64, kVstMaxEffectNameLen = 32,
};

// Layouts hosts compile against, for both pointer widths: a record with a field
// in the wrong place reads garbage in a host built with another compiler.
namespace vst24layout {
constexpr bool wide = sizeof(void*) == 8;
static_assert(sizeof(void*) == sizeof(VstIntPtr) && (sizeof(void*) == 4 || wide), "pointer width");
constexpr size_t ptr = sizeof(void*);

// AEffect: pointer-sized fields are 4 or 8 bytes; on 64-bit the int32 before a
// pointer is followed by 4 bytes of padding (after magic, after flags).
static_assert(offsetof(AEffect, magic) == 0, "AEffect::magic");
static_assert(offsetof(AEffect, dispatcher) == (wide ? 8 : 4), "AEffect::dispatcher");
static_assert(offsetof(AEffect, process) == (wide ? 16 : 8), "AEffect::process");
static_assert(offsetof(AEffect, setParameter) == (wide ? 24 : 12), "AEffect::setParameter");
static_assert(offsetof(AEffect, getParameter) == (wide ? 32 : 16), "AEffect::getParameter");
static_assert(offsetof(AEffect, numPrograms) == (wide ? 40 : 20), "AEffect::numPrograms");
static_assert(offsetof(AEffect, numParams) == (wide ? 44 : 24), "AEffect::numParams");
static_assert(offsetof(AEffect, numInputs) == (wide ? 48 : 28), "AEffect::numInputs");
static_assert(offsetof(AEffect, numOutputs) == (wide ? 52 : 32), "AEffect::numOutputs");
static_assert(offsetof(AEffect, flags) == (wide ? 56 : 36), "AEffect::flags");
static_assert(offsetof(AEffect, resvd1) == (wide ? 64 : 40), "AEffect::resvd1");
static_assert(offsetof(AEffect, resvd2) == (wide ? 72 : 44), "AEffect::resvd2");
static_assert(offsetof(AEffect, initialDelay) == (wide ? 80 : 48), "AEffect::initialDelay");
static_assert(offsetof(AEffect, realQualities) == (wide ? 84 : 52), "AEffect::realQualities");
static_assert(offsetof(AEffect, offQualities) == (wide ? 88 : 56), "AEffect::offQualities");
static_assert(offsetof(AEffect, ioRatio) == (wide ? 92 : 60), "AEffect::ioRatio");
static_assert(offsetof(AEffect, object) == (wide ? 96 : 64), "AEffect::object");
static_assert(offsetof(AEffect, user) == (wide ? 104 : 68), "AEffect::user");
static_assert(offsetof(AEffect, uniqueID) == (wide ? 112 : 72), "AEffect::uniqueID");
static_assert(offsetof(AEffect, version) == (wide ? 116 : 76), "AEffect::version");
static_assert(offsetof(AEffect, processReplacing) == (wide ? 120 : 80), "AEffect::processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == (wide ? 128 : 84), "AEffect::processDoubleReplacing");
static_assert(offsetof(AEffect, future) == (wide ? 136 : 88), "AEffect::future");
static_assert(sizeof(AEffect) == (wide ? 192 : 144), "AEffect size");

// VstEvents: the pointer array starts at the first pointer-aligned place after reserved.
static_assert(offsetof(VstEvents, numEvents) == 0, "VstEvents::numEvents");
static_assert(offsetof(VstEvents, reserved) == ptr, "VstEvents::reserved");
static_assert(offsetof(VstEvents, events) == 2 * ptr, "VstEvents::events");
static_assert(sizeof(VstEvents) == 4 * ptr, "VstEvents size");

// The remaining records hold no pointers: the same bytes on both widths.
static_assert(offsetof(VstTimeInfo, sampleRate) == 8 && offsetof(VstTimeInfo, cycleEndPos) == 56, "VstTimeInfo doubles");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64 && offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo ints");
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");
static_assert(offsetof(VstEvent, deltaFrames) == 8 && offsetof(VstEvent, data) == 16, "VstEvent fields");
static_assert(sizeof(VstEvent) == 32, "VstEvent size");
static_assert(offsetof(VstMidiEvent, noteOffset) == 20 && offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent ints");
static_assert(offsetof(VstMidiEvent, detune) == 28 && offsetof(VstMidiEvent, reserved2) == 31, "VstMidiEvent bytes");
static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent size");
static_assert(offsetof(VstPinProperties, flags) == 64 && offsetof(VstPinProperties, arrangementType) == 68,
              "VstPinProperties ints");
static_assert(offsetof(VstPinProperties, shortLabel) == 72 && offsetof(VstPinProperties, future) == 80,
              "VstPinProperties texts");
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties size");
static_assert(offsetof(ERect, left) == 2 && offsetof(ERect, right) == 6 && sizeof(ERect) == 8, "ERect layout");
static_assert(offsetof(VstKeyCode, virt) == 4 && offsetof(VstKeyCode, modifier) == 5, "VstKeyCode fields");
static_assert(sizeof(VstKeyCode) == 8, "VstKeyCode size");
}  // namespace vst24layout
