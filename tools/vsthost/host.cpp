// The host callback: finds the Host of the calling instance, answers, records.
#include "tools/vsthost/hostRegistry.h"
#include "tools/vsthost/vsthost.h"

#include <cstring>

namespace vsthost {

Host::Host(const HostOptions& options) : hostOptions(options), callLog(options.logCapacity) {}

void Host::setTimeInfo(const VstTimeInfo* info) {
    if (info) {
        timeRecord = *info;
        hasTime = true;
    } else {
        hasTime = false;
    }
}

void Host::advanceTime(VstInt32 frames) {
    if (hasTime) timeRecord.samplePos += frames;
}

VstIntPtr Host::answer(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    switch (opcode) {
    case audioMasterVersion:
        return hostOptions.versionAnswer;
    case audioMasterGetTime:
        return hasTime ? reinterpret_cast<VstIntPtr>(&timeRecord) : 0;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(hostOptions.sampleRate);
    case audioMasterGetBlockSize:
        return hostOptions.blockSize;
    case audioMasterGetVendorString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "Quillmarsh");
        return ptr ? 1 : 0;
    case audioMasterGetProductString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "vsthost");
        return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
        return 1;
    case audioMasterCanDo: {
        if (!ptr) return 0;
        const char* text = static_cast<const char*>(ptr);
        for (const char* offered : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo"})
            if (std::strcmp(text, offered) == 0) return 1;
        return 0;
    }
    default:
        return 0;
    }
}

VstIntPtr VSTCALLBACK Host::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                     float opt) {
    Host* host = effect ? registry::find(effect) : nullptr;
    if (!host) host = registry::creating();  // calls made inside the entry
    if (!host) {
        // An instance we do not know (a thread the plug-in started on its own
        // during creation): answer like a plain VST 2.4 host.
        return opcode == audioMasterVersion ? 2400 : 0;
    }
    VstIntPtr result = host->answer(effect, opcode, index, value, ptr, opt);
    host->callLog.record(HostCall{effect, opcode, index, value, ptr, opt, result});
    return result;
}

}  // namespace vsthost
