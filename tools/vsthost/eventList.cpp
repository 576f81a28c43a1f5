// Building a VstEvents record from MIDI bytes.
#include "tools/vsthost/vsthost.h"

#include <cstddef>
#include <cstring>
#include <memory>

namespace vsthost {

VstMidiEvent makeMidiEvent(VstInt32 deltaFrames, unsigned char status, unsigned char data1, unsigned char data2) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

void EventList::addMidi(VstInt32 deltaFrames, unsigned char status, unsigned char data1, unsigned char data2) {
    eventRecords.push_back(makeMidiEvent(deltaFrames, status, data1, data2));
}

void EventList::reserve(size_t events) {
    eventRecords.reserve(events);
    eventsBlock.reserve(sizeof(VstEvents) + events * sizeof(VstEvent*) + alignof(VstEvents));
}

void EventList::clear() {
    eventRecords.clear();
}

VstEvents* EventList::get() {
    // The record declares two pointers; a longer list extends the array past it.
    size_t pointers = eventRecords.size() > 2 ? eventRecords.size() : 2;
    size_t bytes = offsetof(VstEvents, events) + pointers * sizeof(VstEvent*);
    eventsBlock.assign(bytes + alignof(VstEvents), 0);
    void* raw = eventsBlock.data();
    size_t space = eventsBlock.size();
    auto* list = static_cast<VstEvents*>(std::align(alignof(VstEvents), bytes, raw, space));
    list->numEvents = static_cast<VstInt32>(eventRecords.size());
    list->reserved = 0;
    // Written bytewise: indexing past the declared two entries is not allowed.
    auto* slots = reinterpret_cast<unsigned char*>(list) + offsetof(VstEvents, events);
    for (size_t i = 0; i < eventRecords.size(); ++i) {
        VstEvent* event = reinterpret_cast<VstEvent*>(&eventRecords[i]);
        std::memcpy(slots + i * sizeof(VstEvent*), &event, sizeof(event));
    }
    return list;
}

}  // namespace vsthost
