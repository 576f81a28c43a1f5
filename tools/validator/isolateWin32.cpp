// Windows: no fork; checks run in the validator's own process.
#include "tools/validator/runner.h"

namespace validator {

CheckResult runIsolated(const Check& check, Context& context, int) {
    return runCheck(check, context);
}

}  // namespace validator
