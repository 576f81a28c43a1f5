// The editor's edits on their way to the host: written on the UI thread, read
// by whichever of process or flush runs next (never both at once). A fixed
// ring of one writer and one reader, so the audio thread neither locks nor
// allocates; an edit that finds the ring full is dropped (the host then
// misses one automation point, the product still has the value).
#pragma once

#include <atomic>
#include <cstdint>

namespace ClapFormat {

struct EditEvent {
    enum Kind : uint8_t { begin, value, end } kind = value;
    int32_t index = 0;
    float normalized = 0.0f;
};

class EditQueue {
public:
    static constexpr uint32_t kCapacity = 256;

    // [UI thread] False when full.
    bool push(const EditEvent& event) {
        const uint32_t w = writeAt.load(std::memory_order_relaxed);
        if (w - readAt.load(std::memory_order_acquire) == kCapacity) return false;
        ring[w % kCapacity] = event;
        writeAt.store(w + 1, std::memory_order_release);
        return true;
    }
    // [audio thread] or [UI thread, not processing]: the oldest edit, if any,
    // left in place until pop (so one the host refuses is offered again).
    bool peek(EditEvent& event) const {
        const uint32_t r = readAt.load(std::memory_order_relaxed);
        if (r == writeAt.load(std::memory_order_acquire)) return false;
        event = ring[r % kCapacity];
        return true;
    }
    void pop() { readAt.store(readAt.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

private:
    EditEvent ring[kCapacity];
    std::atomic<uint32_t> writeAt{0};
    std::atomic<uint32_t> readAt{0};
};

}  // namespace ClapFormat
