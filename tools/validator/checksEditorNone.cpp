// Builds without a window system to host editors in: the editor checks are
// reported as skipped.
#include "tools/validator/check.h"

namespace validator {
namespace {

CheckResult noWindows(Context&) {
    return skipped("editor checks run in the Windows build of the validator");
}

}  // namespace

void addEditorChecks(std::vector<Check>& list) {
    list.push_back({"editor-cycles", "50 editor open/close cycles while audio runs", noWindows});
    list.push_back({"editor-automation", "every parameter randomised 1000 times, 10 ms apart, editor open", noWindows});
    list.push_back({"editor-state-thread", "state loaded from another thread while the editor is open", noWindows});
}

}  // namespace validator
