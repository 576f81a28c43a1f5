// The validator's vocabulary: one check is a named function that drives a
// plug-in through a host scenario and answers pass, fail or skip with a
// one-line detail.
#pragma once

#include <string>
#include <vector>

namespace validator {

class Context;

enum class Outcome { pass, fail, skip };

struct CheckResult {
    Outcome outcome = Outcome::pass;
    std::string detail;
};

inline CheckResult passed(std::string detail = "") { return {Outcome::pass, std::move(detail)}; }
inline CheckResult failed(std::string detail) { return {Outcome::fail, std::move(detail)}; }
inline CheckResult skipped(std::string reason) { return {Outcome::skip, std::move(reason)}; }

using CheckFunction = CheckResult (*)(Context&);

struct Check {
    const char* name;
    const char* summary;  // what a plug-in must do to pass, for --list
    CheckFunction run;
};

// Every check in the order they run: cheap structural ones first, then
// processing, state, threads, and the editor last.
const std::vector<Check>& allChecks();

// Check groups, each defined in its own file.
void addLifecycleChecks(std::vector<Check>& list);
void addProcessingChecks(std::vector<Check>& list);
void addHostSettingChecks(std::vector<Check>& list);
void addAccuracyChecks(std::vector<Check>& list);
void addSignalChecks(std::vector<Check>& list);
void addParameterChecks(std::vector<Check>& list);
void addProgramChecks(std::vector<Check>& list);
void addAutomationChecks(std::vector<Check>& list);
void addStateChecks(std::vector<Check>& list);
void addStateFuzzChecks(std::vector<Check>& list);
void addMidiChecks(std::vector<Check>& list);
void addEditorChecks(std::vector<Check>& list);

}  // namespace validator
