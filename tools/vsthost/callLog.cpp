// The record of host calls: a preallocated array behind a mutex, so that the
// audio thread can record without allocating.
#include "tools/vsthost/vsthost.h"

namespace vsthost {

CallLog::CallLog(size_t capacity) {
    callRecords.reserve(capacity);
    for (auto& c : opcodeCounts) c.store(0, std::memory_order_relaxed);
}

void CallLog::record(const HostCall& call) {
    if (call.opcode >= 0 && call.opcode < countedOpcodes)
        opcodeCounts[call.opcode].fetch_add(1, std::memory_order_relaxed);
    if (!recordingOn.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> guard(callsMutex);
    if (callRecords.size() < callRecords.capacity())
        callRecords.push_back(call);
    else
        droppedCount.fetch_add(1, std::memory_order_relaxed);
}

std::vector<HostCall> CallLog::snapshot() const {
    std::lock_guard<std::mutex> guard(callsMutex);
    return callRecords;
}

std::vector<HostCall> CallLog::withOpcode(VstInt32 opcode) const {
    std::lock_guard<std::mutex> guard(callsMutex);
    std::vector<HostCall> result;
    for (const HostCall& call : callRecords)
        if (call.opcode == opcode) result.push_back(call);
    return result;
}

size_t CallLog::count(VstInt32 opcode) const {
    if (opcode >= 0 && opcode < countedOpcodes) return opcodeCounts[opcode].load(std::memory_order_relaxed);
    std::lock_guard<std::mutex> guard(callsMutex);  // rare opcodes: count what was kept
    size_t n = 0;
    for (const HostCall& call : callRecords) n += call.opcode == opcode;
    return n;
}

void CallLog::clear() {
    std::lock_guard<std::mutex> guard(callsMutex);
    callRecords.clear();  // keeps the capacity
    droppedCount.store(0, std::memory_order_relaxed);
    for (auto& c : opcodeCounts) c.store(0, std::memory_order_relaxed);
}

}  // namespace vsthost
