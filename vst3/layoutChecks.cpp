// The struct layouts hosts compile against, pinned for every target this builds for.
#include <cstddef>

#include "vst3/vst3Edit.h"

namespace Vst3 {
namespace {

constexpr bool k64 = sizeof(void*) == 8;

static_assert(sizeof(PFactoryInfo) == 452 && offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116 && offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440 && offsetof(PClassInfo2, classFlags) == 116 &&
              offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696 && offsetof(PClassInfoW, classFlags) == 180 &&
              offsetof(PClassInfoW, vendor) == 312 && offsetof(PClassInfoW, sdkVersion) == 568);
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);
static_assert(sizeof(RoutingInfo) == 12);
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, silenceFlags) == 8 &&
              offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(ProcessData) == (k64 ? 80 : 48) && offsetof(ProcessData, inputs) == (k64 ? 24 : 20) &&
              offsetof(ProcessData, inputParameterChanges) == (k64 ? 40 : 28) &&
              offsetof(ProcessData, inputEvents) == (k64 ? 56 : 36) &&
              offsetof(ProcessData, processContext) == (k64 ? 72 : 44));
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, sampleRate) == 8 &&
              offsetof(ProcessContext, tempo) == 72 && offsetof(ProcessContext, chord) == 88 &&
              offsetof(ProcessContext, frameRate) == 96 && offsetof(ProcessContext, samplesToNextClock) == 104);
static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, shortTitle) == 260 &&
              offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772 &&
              offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, flags) == 788);
static_assert(sizeof(ViewRect) == 16);
static_assert(sizeof(NoteOnEvent) == 20 && sizeof(NoteOffEvent) == 16 && offsetof(NoteOffEvent, tuning) == 12);
static_assert(sizeof(DataEvent) == (k64 ? 16 : 12) && offsetof(DataEvent, bytes) == 8);
static_assert(sizeof(LegacyMIDICCOutEvent) == 4);
static_assert(sizeof(UnitInfo) == 268 && offsetof(UnitInfo, programListId) == 264);
static_assert(sizeof(ProgramListInfo) == 264 && offsetof(ProgramListInfo, programCount) == 260);
static_assert(sizeof(Event) == (k64 ? 48 : 40) && offsetof(Event, ppqPosition) == 8 && offsetof(Event, flags) == 16 &&
              offsetof(Event, type) == 18 && offsetof(Event, noteOn) == (k64 ? 24 : 20));

}  // namespace
}  // namespace Vst3
