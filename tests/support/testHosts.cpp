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

bool operator==(const HostCall& a, const HostCall& b) {
    return a.opcode == b.opcode && a.index == b.index && a.opt == b.opt;
}

std::ostream& operator<<(std::ostream& out, const HostCall& call) {
    return out << "{opcode " << call.opcode << ", index " << call.index << ", opt " << call.opt << "}";
}

std::vector<HostCall>& hostCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

VstIntPtr VSTCALLBACK recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion) return versionAnswer;
    hostCalls().push_back({opcode, index, opt});
    return 0;
}

size_t countHostCalls(VstInt32 opcode) {
    size_t n = 0;
    for (const HostCall& call : hostCalls()) n += call.opcode == opcode;
    return n;
}

}  // namespace testhosts
