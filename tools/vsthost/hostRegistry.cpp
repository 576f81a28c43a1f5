// A fixed table of (effect, host) pairs: writers hold a mutex, readers scan
// atomics. A pair is published by storing the host before the effect key.
#include "tools/vsthost/hostRegistry.h"

#include <atomic>
#include <mutex>

namespace vsthost {
namespace registry {
namespace {

constexpr int slotCount = 1024;  // live instances at once; tests create a few dozen at most
std::atomic<AEffect*> keys[slotCount];
std::atomic<Host*> hosts[slotCount];
std::atomic<int> slotsInUse{0};  // readers scan only this far
std::mutex writers;
thread_local Host* hostBeingCreated = nullptr;

}  // namespace

bool add(AEffect* effect, Host* host) {
    std::lock_guard<std::mutex> guard(writers);
    for (int i = 0; i < slotCount; ++i) {
        if (keys[i].load(std::memory_order_relaxed) == nullptr) {
            hosts[i].store(host, std::memory_order_release);
            keys[i].store(effect, std::memory_order_release);
            if (i >= slotsInUse.load(std::memory_order_relaxed)) slotsInUse.store(i + 1, std::memory_order_release);
            return true;
        }
    }
    return false;
}

void remove(AEffect* effect) {
    std::lock_guard<std::mutex> guard(writers);
    for (int i = 0; i < slotCount; ++i) {
        if (keys[i].load(std::memory_order_relaxed) == effect) {
            keys[i].store(nullptr, std::memory_order_release);
            hosts[i].store(nullptr, std::memory_order_release);
        }
    }
}

Host* find(AEffect* effect) {
    int used = slotsInUse.load(std::memory_order_acquire);
    for (int i = 0; i < used; ++i)
        if (keys[i].load(std::memory_order_acquire) == effect) return hosts[i].load(std::memory_order_acquire);
    return nullptr;
}

void setCreating(Host* host) {
    hostBeingCreated = host;
}

Host* creating() {
    return hostBeingCreated;
}

}  // namespace registry
}  // namespace vsthost
