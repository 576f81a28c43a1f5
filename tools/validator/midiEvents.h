// Event lists of any content for effProcessEvents: MIDI messages with any
// bytes, SysEx dumps, and event types the interface does not define.
#pragma once

#include "host/vst24.h"

#include <cstdint>
#include <random>
#include <vector>

namespace validator {

// The SysEx event record of the interface (type 6).
struct VstMidiSysexEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr resvd1;
    char* sysexDump;
    VstIntPtr resvd2;
};

class RawEventList {
public:
    void clear();
    void addMidi(VstInt32 deltaFrames, uint8_t status, uint8_t data1, uint8_t data2);
    // Adds one random event at deltaFrames: mostly MIDI with random bytes,
    // some SysEx, some of unknown types.
    void addRandom(VstInt32 deltaFrames, std::mt19937& random);
    size_t size() const { return slots.size(); }
    // The list; valid until the next change. Events are in the order added.
    VstEvents* get();

private:
    struct Slot {
        alignas(8) unsigned char bytes[sizeof(VstMidiSysexEvent) > sizeof(VstEvent) ? sizeof(VstMidiSysexEvent)
                                                                                    : sizeof(VstEvent)];
        std::vector<char> dump;
    };
    std::vector<Slot> slots;
    std::vector<VstEvent*> pointers;
    std::vector<unsigned char> header;
};

// Sorted random frame positions in [0, frames).
std::vector<VstInt32> randomPositions(int count, int frames, std::mt19937& random);

}  // namespace validator
