// The record of host calls: a preallocated array behind a mutex, so that the
// audio thread can record without allocating.
#include "tools/vsthost/vsthost.h"

namespace vsthost {

CallLog::CallLog(size_t capacity) {
    calls_.reserve(capacity);
    for (auto& c : counts_) c.store(0, std::memory_order_relaxed);
}

void CallLog::record(const HostCall& call) {
    if (call.opcode >= 0 && call.opcode < countedOpcodes)
        counts_[call.opcode].fetch_add(1, std::memory_order_relaxed);
    if (!recording_.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> guard(mutex_);
    if (calls_.size() < calls_.capacity())
        calls_.push_back(call);
    else
        dropped_.fetch_add(1, std::memory_order_relaxed);
}

std::vector<HostCall> CallLog::snapshot() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return calls_;
}

std::vector<HostCall> CallLog::withOpcode(VstInt32 opcode) const {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<HostCall> result;
    for (const HostCall& call : calls_)
        if (call.opcode == opcode) result.push_back(call);
    return result;
}

size_t CallLog::count(VstInt32 opcode) const {
    if (opcode >= 0 && opcode < countedOpcodes) return counts_[opcode].load(std::memory_order_relaxed);
    std::lock_guard<std::mutex> guard(mutex_);  // rare opcodes: count what was kept
    size_t n = 0;
    for (const HostCall& call : calls_) n += call.opcode == opcode;
    return n;
}

void CallLog::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.clear();  // keeps the capacity
    dropped_.store(0, std::memory_order_relaxed);
    for (auto& c : counts_) c.store(0, std::memory_order_relaxed);
}

}  // namespace vsthost
