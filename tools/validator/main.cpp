// vstvalidate: runs a VST 2.4 plug-in library through the checks a careful
// host makes and reports one line per check.
#include "tools/validator/check.h"
#include "tools/validator/context.h"
#include "tools/validator/runner.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage(FILE* out) {
    std::fprintf(out,
                 "usage: vstvalidate [options] PLUGIN\n"
                 "Checks a VST 2.4 plug-in library the way a careful host uses it.\n"
                 "Prints 'PASS|FAIL|SKIP name: detail' per check and 'N passed, N failed' last.\n"
                 "  --quick        fewer cycles and iterations (for sanitizer builds)\n"
                 "  --only NAME    run only this check (repeatable)\n"
                 "  --skip NAME    leave this check out (repeatable)\n"
                 "  --seed N       seed of every random choice (default 1)\n"
                 "  --no-fork      run checks in this process (POSIX runs each in a child by default)\n"
                 "  --timeout S    a check without an answer after S seconds fails as hung (default 120)\n"
                 "  --list         print the checks and what they demand\n"
                 "Exit codes: 0 every check passed or was skipped, 1 a check failed, 2 usage error.\n");
    return out == stdout ? 0 : 2;
}

bool knownCheck(const std::string& name) {
    for (const validator::Check& c : validator::allChecks())
        if (name == c.name) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    validator::Options options;
    validator::Selection selection;
    bool isolate = true;
    int timeoutSeconds = 120;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") return usage(stdout);
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--no-fork") {
            isolate = false;
        } else if (arg == "--list") {
            for (const validator::Check& c : validator::allChecks()) std::printf("%-26s %s\n", c.name, c.summary);
            return 0;
        } else if ((arg == "--only" || arg == "--skip") && hasValue) {
            std::string name = argv[++i];
            if (!knownCheck(name)) {
                std::fprintf(stderr, "vstvalidate: error: no check named '%s' (see --list)\n", name.c_str());
                return 2;
            }
            (arg == "--only" ? selection.only : selection.skip).push_back(name);
        } else if (arg == "--timeout" && hasValue) {
            timeoutSeconds = std::atoi(argv[++i]);
            if (timeoutSeconds <= 0) return usage(stderr);
        } else if (arg == "--seed" && hasValue) {
            char* end = nullptr;
            unsigned long seed = std::strtoul(argv[++i], &end, 10);
            if (*end != '\0') return usage(stderr);
            options.seed = static_cast<uint32_t>(seed);
        } else if (arg[0] == '-' || !path.empty()) {
            return usage(stderr);
        } else {
            path = arg;
        }
    }
    if (path.empty()) return usage(stderr);
    validator::Context context(path, options);
    validator::Totals totals = validator::runChecks(context, selection, isolate, timeoutSeconds, stdout);
    return totals.failed == 0 ? 0 : 1;
}
