// What the controller asks of its processor when both live in one process
// (every Linux host, most others): the lamp levels and the MIDI learn of the
// instance that plays. Our own interface, found through the processor's
// connection point; a host that keeps the two apart (or puts a proxy between
// them) leaves the lamps dark and learning to the controller's model.
#pragma once

#include "vst3/vst3Base.h"

namespace Vst3Format {

class IProcessorLink : public Vst3::FUnknown {
public:
    static constexpr Vst3::Iid iid = Vst3::makeIid(0x7C1E52A0, 0x4F8B4D21, 0x9E3A6B15, 0xD04C88F3);
    // [UI thread] The lamp levels of the last process call; count at most lampCount.
    virtual Vst3::uint32 VST3CALL lampLevels(float* levels, Vst3::uint32 count) = 0;
    // [UI thread] Learn for parameter index (outside the parameters: cancel); forget its controller.
    virtual void VST3CALL requestLearn(Vst3::int32 index) = 0;
    virtual void VST3CALL requestUnlearn(Vst3::int32 index) = 0;
    // [UI thread] The key bound to a parameter (-1 none) and the learn target (-1 none).
    virtual Vst3::int32 VST3CALL midiKey(Vst3::int32 index) = 0;
    virtual Vst3::int32 VST3CALL learnTarget() = 0;
};

}  // namespace Vst3Format
