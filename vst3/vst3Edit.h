// The VST 3 binary interface, controller side: the edit controller and its
// host handler, units and program lists, MIDI mapping and learn, the view and
// the host's run loop.
#pragma once

#include "vst3/vst3Audio.h"

namespace Vst3 {

using UnitID = int32;
using ProgramListID = int32;
using FileDescriptor = int;
using TimerInterval = uint64;
using CString = const char8*;

constexpr UnitID kRootUnitId = 0;
constexpr UnitID kNoParentUnitId = -1;
constexpr ProgramListID kNoProgramListId = -1;
constexpr ParamID kNoParamId = 0xffffffff;

struct ParameterInfo {
    enum ParameterFlags : int32 {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;
    alignas(8) ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32 flags;
};

enum RestartFlags : int32 {
    kReloadComponent = 1 << 0,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kMidiCCAssignmentChanged = 1 << 5,
};

class IComponentHandler : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
    virtual tresult VST3CALL beginEdit(ParamID id) = 0;
    virtual tresult VST3CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult VST3CALL endEdit(ParamID id) = 0;
    virtual tresult VST3CALL restartComponent(int32 flags) = 0;
};

struct ViewRect {
    int32 left, top, right, bottom;
};

class IPlugFrame;

class IPlugView : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
    virtual tresult VST3CALL isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult VST3CALL attached(void* parent, FIDString type) = 0;
    virtual tresult VST3CALL removed() = 0;
    virtual tresult VST3CALL onWheel(float distance) = 0;
    virtual tresult VST3CALL onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult VST3CALL onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult VST3CALL getSize(ViewRect* size) = 0;
    virtual tresult VST3CALL onSize(ViewRect* newSize) = 0;
    virtual tresult VST3CALL onFocus(TBool state) = 0;
    virtual tresult VST3CALL setFrame(IPlugFrame* frame) = 0;
    virtual tresult VST3CALL canResize() = 0;
    virtual tresult VST3CALL checkSizeConstraint(ViewRect* rect) = 0;
};

class IPlugFrame : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
    virtual tresult VST3CALL resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

class IEventHandler : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
    virtual void VST3CALL onFDIsSet(FileDescriptor fd) = 0;
};

class ITimerHandler : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
    virtual void VST3CALL onTimer() = 0;
};

class IRunLoop : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
    virtual tresult VST3CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult VST3CALL unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult VST3CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
    virtual tresult VST3CALL unregisterTimer(ITimerHandler* handler) = 0;
};

constexpr const char* kPlatformTypeHWND = "HWND";
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
constexpr const char* kEditorViewType = "editor";

class IEditController : public IPluginBase {
public:
    static constexpr Iid iid = makeIid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
    virtual tresult VST3CALL setComponentState(IBStream* state) = 0;
    virtual tresult VST3CALL setState(IBStream* state) = 0;
    virtual tresult VST3CALL getState(IBStream* state) = 0;
    virtual int32 VST3CALL getParameterCount() = 0;
    virtual tresult VST3CALL getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
    virtual tresult VST3CALL getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) = 0;
    virtual tresult VST3CALL getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
    virtual ParamValue VST3CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue VST3CALL plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue VST3CALL getParamNormalized(ParamID id) = 0;
    virtual tresult VST3CALL setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult VST3CALL setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* VST3CALL createView(FIDString name) = 0;
};

struct UnitInfo {
    UnitID id;
    UnitID parentUnitId;
    String128 name;
    ProgramListID programListId;
};

struct ProgramListInfo {
    ProgramListID id;
    String128 name;
    int32 programCount;
};

class IUnitInfo : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
    virtual int32 VST3CALL getUnitCount() = 0;
    virtual tresult VST3CALL getUnitInfo(int32 unitIndex, UnitInfo& info) = 0;
    virtual int32 VST3CALL getProgramListCount() = 0;
    virtual tresult VST3CALL getProgramListInfo(int32 listIndex, ProgramListInfo& info) = 0;
    virtual tresult VST3CALL getProgramName(ProgramListID listId, int32 programIndex, String128 name) = 0;
    virtual tresult VST3CALL getProgramInfo(ProgramListID listId, int32 programIndex, CString attributeId,
                                            String128 attributeValue) = 0;
    virtual tresult VST3CALL hasProgramPitchNames(ProgramListID listId, int32 programIndex) = 0;
    virtual tresult VST3CALL getProgramPitchName(ProgramListID listId, int32 programIndex, int16 midiPitch,
                                                 String128 name) = 0;
    virtual UnitID VST3CALL getSelectedUnit() = 0;
    virtual tresult VST3CALL selectUnit(UnitID unitId) = 0;
    virtual tresult VST3CALL getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                          UnitID& unitId) = 0;
    virtual tresult VST3CALL setUnitProgramData(int32 listOrUnitId, int32 programIndex, IBStream* data) = 0;
};

class IMidiMapping : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
    virtual tresult VST3CALL getMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber midiControllerNumber,
                                                         ParamID& id) = 0;
};

class IMidiLearn : public FUnknown {
public:
    static constexpr Iid iid = makeIid(0x6B2449CC, 0x419740B5, 0xAB3C79DA, 0xC5FE5C86);
    virtual tresult VST3CALL onLiveMIDIControllerInput(int32 busIndex, int16 channel, CtrlNumber midiCC) = 0;
};

}  // namespace Vst3
