// The host side every editor test shares: a host callback that records the
// calls an editor makes when the user edits a parameter.
#pragma once

#include <vector>

#include "host/vst24.h"

namespace testsupport {

// One host call that matters to the editor: automate (0), begin edit (43), end edit (44).
struct EditCall {
    int opcode;
    int index;
    float value;
};

inline std::vector<EditCall>& editCalls() {
    static std::vector<EditCall> calls;
    return calls;
}

// [UI thread] Answers the version question and records every edit call.
inline VstIntPtr VSTCALLBACK recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterAutomate:
        case audioMasterBeginEdit:
        case audioMasterEndEdit: editCalls().push_back({opcode, index, opt}); return 0;
        default: return 0;
    }
}

}  // namespace testsupport
