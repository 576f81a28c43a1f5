// The hosts the tests create plug-ins with: plain callbacks that answer the
// version question the way a VST 2.4 host does, and little else.
#pragma once

#include <cstddef>
#include <vector>

#include "host/vst24.h"
#include "tools/vsthost/vsthost.h"

namespace testhosts {

// Answers the version (2400) and nothing else.
VstIntPtr VSTCALLBACK quietHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt);

// Like quietHost, and hands out the time record last given to setHostTime
// (nullptr: the host has no time to give).
VstIntPtr VSTCALLBACK timeHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt);
void setHostTime(VstTimeInfo* time);

// Answers the version and records every other call, in order, in the same
// record the host tools keep (only its header is used: nothing to link).
using HostCall = vsthost::HostCall;

VstIntPtr VSTCALLBACK recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt);
std::vector<HostCall>& hostCalls();
size_t countHostCalls(VstInt32 opcode);

}  // namespace testhosts
