// MIDI control changes: the controllers the framework interprets itself
// (pitch-bend range through RPN 0, all sound off, all notes off), MIDI learn,
// and moving parameters bound to a controller.
#include "plugcore/Plug.h"

namespace PlugCore {

namespace {

constexpr int kDataEntry = 6;
constexpr int kRpnLsb = 100;
constexpr int kRpnMsb = 101;
constexpr int kAllSoundOff = 120;
constexpr int kAllNotesOff = 123;  // and every mode message above it
constexpr float kControllerScale = 0.007874016f;  // the single-precision number nearest to 1/127

// Bank select, the LSB half of the 14-bit pairs (except data entry's), the
// increment/decrement and NRPN selectors, reset-all and local control.
bool isIgnoredController(int cc) {
    if (cc == 0 || cc == 121 || cc == 122) return true;
    if (cc >= 32 && cc <= 63) return cc != 38;
    return cc >= 96 && cc <= 99;
}

// Keys are held as signed 16-bit numbers widened to 32 bits (0xB007 is -20473).
int32_t normalizedKey(int32_t key) { return static_cast<int16_t>(static_cast<uint16_t>(key)); }

}  // namespace

void Plug::handleController(int16_t key, int data) {
    const int cc = key & 0xFF;
    data &= 0x7F;
    if (isIgnoredController(cc)) return;
    if (cc == kDataEntry) {
        // RPN 0 is the pitch-bend sensitivity: data entry sets whole semitones.
        if (rpnNumber == 0) bendRange = static_cast<uint16_t>(data * 128);
        return;
    }
    if (cc == kAllSoundOff) {
        resetState();
        return;
    }
    if (cc >= kAllNotesOff) {
        for (VstInt32 note = 0; note < 127; ++note) noteOff(note, 100);
        return;
    }
    if (cc == kRpnLsb) rpnNumber = static_cast<uint16_t>((rpnNumber & 0x3F80) | data);
    if (cc == kRpnMsb) rpnNumber = static_cast<uint16_t>((data * 128) | (rpnNumber & 0x7F));
    learnAndMatch(key, data);
}

void Plug::learnAndMatch(int16_t key, int data) {
    int32_t target = learnTarget.load(std::memory_order_relaxed);
    if (target != -1) {
        assignMidiKey(target, key);
        if (auto* notify = dynamic_cast<IParamNotify*>(getEditor())) notify->learnCompleted(target);
        afterLearnTargetRead(target);
        // Only our own target goes back to idle; a learn the UI asked for meanwhile stays.
        learnTarget.compare_exchange_strong(target, -1, std::memory_order_relaxed);
    }

    // The controller that completed a learn moves its new parameter at once.
    const float value = static_cast<float>(data) * kControllerScale;
    const int32_t wanted = key;
    for (uint32_t i = 0; i < params.count; ++i) {
        if (params.params[i].midiKey.load(std::memory_order_relaxed) == wanted) {
            setParameter(static_cast<VstInt32>(i), value);
            cookPending = true;
            return;
        }
    }
    controllerChanged(static_cast<uint16_t>(key), value);
}

void Plug::assignMidiKey(VstInt32 index, int32_t key) {
    Param* target = parameter(index);
    if (!target) return;
    key = normalizedKey(key);
    // A controller drives at most one parameter.
    if (key != -1) {
        for (uint32_t i = 0; i < params.count; ++i)
            if (params.params[i].midiKey.load(std::memory_order_relaxed) == key)
                params.params[i].midiKey.store(-1, std::memory_order_relaxed);
    }
    target->midiKey.store(key, std::memory_order_relaxed);
}

int32_t Plug::getMidiKey(VstInt32 index) const {
    const Param* p = parameter(index);
    return p ? p->midiKey.load(std::memory_order_relaxed) : -1;
}

void Plug::startLearn(VstInt32 index) {
    if (parameter(index)) learnTarget.store(index, std::memory_order_relaxed);
}

void Plug::cancelLearn() { learnTarget.store(-1, std::memory_order_relaxed); }

void Plug::unlearn(VstInt32 index) {
    cancelLearn();
    assignMidiKey(index, -1);
}

}  // namespace PlugCore
