// The hosts the tests create plug-ins with: plain callbacks that answer the
// version question the way a VST 2.4 host does, and little else.
#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

#include "host/vst24.h"

namespace testhosts {

// Answers the version (2400) and nothing else.
VstIntPtr VSTCALLBACK quietHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt);

// Like quietHost, and hands out the time record last given to setHostTime
// (nullptr: the host has no time to give).
VstIntPtr VSTCALLBACK timeHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt);
void setHostTime(VstTimeInfo* time);

// Answers the version and records every other call, in order.
struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    float opt;
};
bool operator==(const HostCall& a, const HostCall& b);
std::ostream& operator<<(std::ostream& out, const HostCall& call);

VstIntPtr VSTCALLBACK recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt);
std::vector<HostCall>& hostCalls();
size_t countHostCalls(VstInt32 opcode);

}  // namespace testhosts
