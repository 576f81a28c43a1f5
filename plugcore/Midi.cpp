// MIDI controllers, learn and mapping (filled in with the MIDI work).
#include "plugcore/Plug.h"

namespace PlugCore {

void Plug::handleController(int16_t, int) {}

void Plug::assignMidiKey(VstInt32 index, int32_t key) {
    for (uint32_t i = 0; i < params.count; ++i)
        if (params.params[i].midiKey.load(std::memory_order_relaxed) == key)
            params.params[i].midiKey.store(-1, std::memory_order_relaxed);
    if (static_cast<uint32_t>(index) < params.count) params.params[index].midiKey.store(key, std::memory_order_relaxed);
}

int32_t Plug::getMidiKey(VstInt32 index) const {
    return static_cast<uint32_t>(index) < params.count ? params.params[index].midiKey.load(std::memory_order_relaxed)
                                                       : -1;
}

void Plug::startLearn(VstInt32 index) {
    if (static_cast<uint32_t>(index) < params.count) learnTarget.store(index, std::memory_order_relaxed);
}

void Plug::cancelLearn() { learnTarget.store(-1, std::memory_order_relaxed); }

void Plug::unlearn(VstInt32 index) {
    cancelLearn();
    if (static_cast<uint32_t>(index) < params.count) assignMidiKey(index, -1);
}

}  // namespace PlugCore
