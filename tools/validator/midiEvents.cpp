#include "tools/validator/midiEvents.h"

#include "tools/vsthost/vsthost.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace validator {

void RawEventList::clear() {
    slots.clear();
}

void RawEventList::addMidi(VstInt32 deltaFrames, uint8_t status, uint8_t data1, uint8_t data2) {
    Slot slot{};
    const VstMidiEvent e = vsthost::makeMidiEvent(deltaFrames, status, data1, data2);
    std::memcpy(slot.bytes, &e, sizeof e);
    slots.push_back(std::move(slot));
}

void RawEventList::addRandom(VstInt32 deltaFrames, std::mt19937& random) {
    Slot slot{};
    const unsigned kind = random() % 16;
    if (kind < 12) {  // MIDI, every byte random (running status, data bytes above 127, ...)
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = deltaFrames;
        e.flags = static_cast<VstInt32>(random() % 2);
        e.noteLength = static_cast<VstInt32>(random());
        e.noteOffset = static_cast<VstInt32>(random());
        for (char& b : e.midiData) b = static_cast<char>(random());
        if (kind < 8) e.midiData[0] = static_cast<char>(0x80 | random());  // mostly proper status bytes
        e.detune = static_cast<char>(random());
        e.noteOffVelocity = static_cast<char>(random());
        std::memcpy(slot.bytes, &e, sizeof e);
    } else if (kind < 14) {  // SysEx with a real dump of random length
        slot.dump.resize(2 + random() % 300);
        for (char& b : slot.dump) b = static_cast<char>(random() & 0x7F);
        slot.dump.front() = static_cast<char>(0xF0);
        slot.dump.back() = static_cast<char>(0xF7);
        VstMidiSysexEvent e{};
        e.type = kVstSysExType;
        e.byteSize = sizeof(VstMidiSysexEvent);
        e.deltaFrames = deltaFrames;
        e.dumpBytes = static_cast<VstInt32>(slot.dump.size());
        std::memcpy(slot.bytes, &e, sizeof e);  // the dump pointer is set in get()
    } else {  // a type no host sends today
        VstEvent e{};
        e.type = static_cast<VstInt32>(kind == 14 ? 2 + random() % 4 : random());
        e.byteSize = sizeof(VstEvent);
        e.deltaFrames = deltaFrames;
        for (char& b : e.data) b = static_cast<char>(random());
        std::memcpy(slot.bytes, &e, sizeof e);
    }
    slots.push_back(std::move(slot));
}

VstEvents* RawEventList::get() {
    pointers.clear();
    for (Slot& slot : slots) {
        VstInt32 type;
        std::memcpy(&type, slot.bytes, sizeof type);
        if (type == kVstSysExType && !slot.dump.empty()) {
            char* dump = slot.dump.data();
            std::memcpy(slot.bytes + offsetof(VstMidiSysexEvent, sysexDump), &dump, sizeof dump);
        }
        pointers.push_back(reinterpret_cast<VstEvent*>(slot.bytes));
    }
    const size_t count = std::max<size_t>(pointers.size(), 2);
    header.assign(offsetof(VstEvents, events) + count * sizeof(VstEvent*) + alignof(VstEvents), 0);
    size_t misalign = reinterpret_cast<uintptr_t>(header.data()) % alignof(VstEvents);
    unsigned char* base = header.data() + (misalign ? alignof(VstEvents) - misalign : 0);
    VstEvents* list = reinterpret_cast<VstEvents*>(base);
    list->numEvents = static_cast<VstInt32>(pointers.size());
    list->reserved = 0;
    if (!pointers.empty())
        std::memcpy(base + offsetof(VstEvents, events), pointers.data(), pointers.size() * sizeof(VstEvent*));
    return list;
}

std::vector<VstInt32> randomPositions(int count, int frames, std::mt19937& random) {
    std::vector<VstInt32> positions(static_cast<size_t>(count));
    for (VstInt32& p : positions) p = static_cast<VstInt32>(random() % static_cast<unsigned>(frames));
    if (count > 2) positions[0] = 0;  // the first frame and the last are favourite places
    if (count > 3) positions[1] = frames - 1;
    std::sort(positions.begin(), positions.end());
    return positions;
}

}  // namespace validator
