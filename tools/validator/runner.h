// Runs the selected checks and prints one line per check and the totals.
#pragma once

#include "tools/validator/check.h"
#include "tools/validator/context.h"

#include <cstdio>
#include <string>
#include <vector>

namespace validator {

struct Selection {
    std::vector<std::string> only;  // empty: every check
    std::vector<std::string> skip;
    bool selects(const std::string& name) const;
};

struct Totals {
    int passed = 0;
    int failed = 0;
    int skipped = 0;
};

// [UI thread] One check in this process; an exception escaping it is a failure.
CheckResult runCheck(const Check& check, Context& context);

// [UI thread] One check in a child process (POSIX), so that a crash or a hang
// of the plug-in fails that check and the run goes on. Elsewhere the same as
// runCheck.
CheckResult runIsolated(const Check& check, Context& context, int timeoutSeconds);

// [UI thread] Runs every selected check and prints "PASS name: detail",
// "FAIL name: detail" or "SKIP name: reason" for each, then the line
// "N passed, N failed".
Totals runChecks(Context& context, const Selection& selection, bool isolate, int timeoutSeconds, FILE* out);

}  // namespace validator
