#include "tests/support/testHosts.h"

namespace testhosts {

namespace {
constexpr VstIntPtr versionAnswer = 2400;
VstTimeInfo* currentTime = nullptr;
}  // namespace

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? versionAnswer : 0;
}

VstIntPtr VSTCALLBACK timeHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterVersion) return versionAnswer;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(currentTime);
    return 0;
}

void setHostTime(VstTimeInfo* time) { currentTime = time; }

std::vector<HostCall>& hostCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

VstIntPtr VSTCALLBACK recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
    if (opcode == audioMasterVersion) return versionAnswer;
    hostCalls().push_back({effect, opcode, index, value, ptr, opt, 0});
    return 0;
}

size_t countHostCalls(VstInt32 opcode) {
    size_t n = 0;
    for (const HostCall& call : hostCalls()) n += call.opcode == opcode;
    return n;
}

}  // namespace testhosts
