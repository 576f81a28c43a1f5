// The VST 3 binary interface, audio side: the component, the audio processor,
// buses, process data, parameter queues and event lists.
#pragma once

#include "vst3/vst3Base.h"

namespace Vst3 {

using ParamID = uint32;
using ParamValue = double;
using Sample32 = float;
using Sample64 = double;
using SampleRate = double;
using SpeakerArrangement = uint64;
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using TSamples = int64;
using TQuarterNotes = double;
using CtrlNumber = int16;

constexpr SpeakerArrangement kStereo = 0x3;
enum MediaTypes : int32 { kAudio = 0, kEvent = 1 };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum BusFlags : uint32 { kDefaultActive = 1 << 0 };
enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch, kOffline };
constexpr uint32 kNoTail = 0;

// Structs keep the interface's own alignment: natural, with 64-bit fields on
// 8 bytes also in 32-bit Windows builds.
struct BusInfo {
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount;
    String128 name;
    BusType busType;
    uint32 flags;
};

struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel;
};

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    alignas(8) SampleRate sampleRate;
};

struct AudioBusBuffers {
    int32 numChannels;
    alignas(8) uint64 silenceFlags;
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

struct Chord {
    uint8 keyNote;
    uint8 rootNote;
    int16 chordMask;
};

struct FrameRate {
    uint32 framesPerSecond;
    uint32 flags;
};

struct ProcessContext {
    uint32 state;
    alignas(8) double sampleRate;
    alignas(8) TSamples projectTimeSamples;
    alignas(8) int64 systemTime;
    alignas(8) TSamples continousTimeSamples;
    alignas(8) TQuarterNotes projectTimeMusic;
    alignas(8) TQuarterNotes barPositionMusic;
    alignas(8) TQuarterNotes cycleStartMusic;
    alignas(8) TQuarterNotes cycleEndMusic;
    alignas(8) double tempo;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    Chord chord;
    int32 smpteOffsetSubframes;
    FrameRate frameRate;
    int32 samplesToNextClock;
};

enum ProcessContextStates : uint32 { kPlaying = 1 << 1, kTempoValid = 1 << 10, kProjectTimeMusicValid = 1 << 9 };

class IParamValueQueue : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
    virtual ParamID VST3CALL getParameterId() = 0;
    virtual int32 VST3CALL getPointCount() = 0;
    virtual tresult VST3CALL getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
    virtual tresult VST3CALL addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;
};

class IParameterChanges : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
    virtual int32 VST3CALL getParameterCount() = 0;
    virtual IParamValueQueue* VST3CALL getParameterData(int32 index) = 0;
    virtual IParamValueQueue* VST3CALL addParameterData(const ParamID& id, int32& index) = 0;
};

struct NoteOnEvent {
    int16 channel;
    int16 pitch;
    float tuning;
    float velocity;
    int32 length;
    int32 noteId;
};

struct NoteOffEvent {
    int16 channel;
    int16 pitch;
    float velocity;
    int32 noteId;
    float tuning;
};

struct DataEvent {
    uint32 size;
    uint32 type;
    const uint8* bytes;
};

struct PolyPressureEvent {
    int16 channel;
    int16 pitch;
    float pressure;
    int32 noteId;
};

struct LegacyMIDICCOutEvent {
    uint8 controlNumber;
    int8 channel;
    int8 value;
    int8 value2;
};

struct Event {
    enum EventTypes : uint16 {
        kNoteOnEvent = 0,
        kNoteOffEvent = 1,
        kDataEvent = 2,
        kPolyPressureEvent = 3,
        kLegacyMIDICCOutEvent = 65535
    };
    int32 busIndex;
    int32 sampleOffset;
    alignas(8) TQuarterNotes ppqPosition;
    uint16 flags;
    uint16 type;
    // The bodies this effect reads or writes; the others are no larger.
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        DataEvent data;
        PolyPressureEvent polyPressure;
        LegacyMIDICCOutEvent midiCCOut;
    };
};

class IEventList : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
    virtual int32 VST3CALL getEventCount() = 0;
    virtual tresult VST3CALL getEvent(int32 index, Event& e) = 0;
    virtual tresult VST3CALL addEvent(Event& e) = 0;
};

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

class IComponent : public IPluginBase {
public:
    static constexpr Iid iid = makeIid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
    virtual tresult VST3CALL getControllerClassId(TUID classId) = 0;
    virtual tresult VST3CALL setIoMode(IoMode mode) = 0;
    virtual int32 VST3CALL getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult VST3CALL getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;
    virtual tresult VST3CALL getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult VST3CALL activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;
    virtual tresult VST3CALL setActive(TBool state) = 0;
    virtual tresult VST3CALL setState(IBStream* state) = 0;
    virtual tresult VST3CALL getState(IBStream* state) = 0;
};

class IAudioProcessor : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
    virtual tresult VST3CALL setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult VST3CALL getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) = 0;
    virtual tresult VST3CALL canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 VST3CALL getLatencySamples() = 0;
    virtual tresult VST3CALL setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult VST3CALL setProcessing(TBool state) = 0;
    virtual tresult VST3CALL process(ProcessData& data) = 0;
    virtual uint32 VST3CALL getTailSamples() = 0;
};

class IProcessContextRequirements : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
    virtual uint32 VST3CALL getProcessContextRequirements() = 0;
};

}  // namespace Vst3
