#include "tools/validator/check.h"

namespace validator {

const std::vector<Check>& allChecks() {
    static const std::vector<Check> list = [] {
        std::vector<Check> l;
        addLifecycleChecks(l);
        addParameterChecks(l);
        addProgramChecks(l);
        addProcessingChecks(l);
        addHostSettingChecks(l);
        addAccuracyChecks(l);
        addSignalChecks(l);
        addAutomationChecks(l);
        addStateChecks(l);
        addStateFuzzChecks(l);
        addMidiChecks(l);
        addEditorChecks(l);
        return l;
    }();
    return list;
}

}  // namespace validator
