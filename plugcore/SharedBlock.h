// The small data block a signal chain hands to its editor (meter levels),
// guarded by a lock word that the audio side only ever tries once.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace PlugCore {

class SharedBlock {
    std::unique_ptr<uint8_t[]> storage;  // owns the bytes; first, so it exists before the view below

public:
    // [UI thread, creation] size bytes, cleared; none for size 0.
    explicit SharedBlock(uint32_t size = 0)
        : storage(size ? std::make_unique<uint8_t[]>(size) : nullptr), sharedSize(size), shared(storage.get()) {}
    virtual ~SharedBlock() = default;
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // [any thread] One attempt to take the lock; true when it was free.
    bool tryLock() { return lock.exchange(1, std::memory_order_acquire) == 0; }
    // [any thread] Only by the holder.
    void unlock() { lock.store(0, std::memory_order_release); }

    std::atomic<int32_t> lock{0};         // 0 free, 1 held
    std::atomic<bool> sharedTaken{false};  // the editor took the current contents
    const uint32_t sharedSize;
    uint8_t* const shared;  // sharedSize bytes, read and written only under the lock
};

}  // namespace PlugCore
