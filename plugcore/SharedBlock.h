// The small data block a signal chain hands to its editor (meter levels),
// guarded by a lock word that the audio side only ever tries once.
#pragma once

#include <atomic>
#include <cstdint>

namespace PlugCore {

class SharedBlock {
public:
    virtual ~SharedBlock() { delete[] shared; }

    explicit SharedBlock(uint32_t size = 0) : sharedSize(size), shared(size ? new uint8_t[size]() : nullptr) {}
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // [any thread] One attempt to take the lock; true when it was free.
    bool tryLock() { return lock.exchange(1, std::memory_order_acquire) == 0; }
    void unlock() { lock.store(0, std::memory_order_release); }

    std::atomic<int32_t> lock{0};         // 0 free, 1 held
    std::atomic<bool> sharedTaken{false};  // the editor took the current contents
    const uint32_t sharedSize;
    uint8_t* const shared;
};

}  // namespace PlugCore
