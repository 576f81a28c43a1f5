// The parameter table: one record per parameter, shared lock-free between the
// host, the audio thread (cook step) and the editor (poll step).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace PlugCore {

struct Param {
    float cooked = -1.0f;    // last value the cook step handed on (audio thread only)
    float notified = 0.0f;   // last value the poll step delivered (UI thread only)
    float defaultValue = 0.0f;
    // Current normalized value, written from any thread, and only through
    // Plug::setParameter: the frame skips the cook step while that setter's
    // store count holds still.
    std::atomic<float> value{0.0f};
    const char* name = nullptr;
    const char* label = nullptr;
    std::atomic<int32_t> midiKey{-1};  // bound controller key, -1 for none
};

struct ParamTable {
    std::unique_ptr<Param[]> params;
    uint32_t count = 0;
    uint8_t allDirty = 1;
};

// Reaches the product's processing from the cook step.
class IParamCook {
public:
    virtual ~IParamCook() = default;
    // [audio thread] True when the change needs the product to recompute its processing state.
    virtual bool cookParameter(int32_t index, float value) = 0;
};

// Reaches the editor from the poll step and from MIDI learn.
class IParamNotify {
public:
    virtual ~IParamNotify() = default;
    // [UI thread] False only when the editor is busy and the change must be offered again.
    virtual bool parameterChanged(int32_t index, float value) = 0;
    // [audio thread] MIDI learn for that parameter has finished.
    virtual void learnCompleted(int32_t index) = 0;
};

// Clamps to [0, 1]. A value that is not a number becomes 0: stored as it is, it
// would read back as NaN to the host, never compare equal to the editor's copy
// (so the editor would repaint for ever) and count as 0 in the sound anyway.
// -0 becomes +0 as well, so a stored value never carries a sign and readers
// need no absolute value.
inline float clampUnit(float v) {
    if (!(v > 0.0f)) return 0.0f;  // NaN, negatives and both zeros
    if (v > 1.0f) return 1.0f;
    return v;
}

// [audio thread] The cook step: visits every parameter whose value moved.
bool cookParameters(ParamTable& table, IParamCook* cook);
// [UI thread] The poll step: offers every changed value to the editor.
void pollParameters(ParamTable& table, IParamNotify* notify);

}  // namespace PlugCore
