#include "tools/validator/runner.h"

#include "tools/validator/pluginChatter.h"

#include <algorithm>
#include <exception>

namespace validator {

bool Selection::selects(const std::string& name) const {
    if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) return false;
    return std::find(skip.begin(), skip.end(), name) == skip.end();
}

CheckResult runCheck(const Check& check, Context& context) {
    try {
        return check.run(context);
    } catch (const std::exception& e) {
        return failed(std::string("exception escaped: ") + e.what());
    } catch (...) {
        return failed("unknown exception escaped");
    }
}

static const char* outcomeWord(Outcome o) {
    return o == Outcome::pass ? "PASS" : o == Outcome::fail ? "FAIL" : "SKIP";
}

Totals runChecks(Context& context, const Selection& selection, bool isolate, int timeoutSeconds, FILE* out) {
    Totals totals;
    for (const Check& check : allChecks()) {
        if (!selection.selects(check.name)) continue;
        PluginChatter::clearCapture();
        CheckResult r = isolate ? runIsolated(check, context, timeoutSeconds) : runCheck(check, context);
        std::string detail = r.detail;
        std::replace(detail.begin(), detail.end(), '\n', ' ');
        std::fprintf(out, "%s %s%s%s\n", outcomeWord(r.outcome), check.name, detail.empty() ? "" : ": ",
                     detail.c_str());
        std::fflush(out);
        if (r.outcome == Outcome::pass) ++totals.passed;
        if (r.outcome == Outcome::fail) ++totals.failed;
        if (r.outcome == Outcome::skip) ++totals.skipped;
    }
    std::fprintf(out, "%d passed, %d failed\n", totals.passed, totals.failed);
    std::fflush(out);
    return totals;
}

}  // namespace validator
