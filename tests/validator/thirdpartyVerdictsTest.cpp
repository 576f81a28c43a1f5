// The validator on plug-ins from Debian: their recorded verdicts. A change
// here means either the validator or the installed plug-in changed; read the
// report before updating the lists.
#include "tests/validator/validatorRun.h"

#include <gtest/gtest.h>

#include "tests/support/skip.h"
#include <unistd.h>

namespace {

ValidatorReport validateInstalled(const char* path) {
    std::vector<std::string> args = buildArguments();
    // A hung check costs this much; the LSP limiter hangs on one. Long enough
    // that a check which only runs slowly on a busy two-core machine (the
    // silence check plays ten seconds of tail) is not taken for a hang.
    args.insert(args.end(), {"--timeout", "25", path});
    return runValidator(args);
}

std::string report(const ValidatorReport& r) {
    std::string text;
    for (const std::string& line : r.lines) text += line + "\n";
    return text;
}

TEST(ThirdPartyVerdicts, ZaMaximX2PassesEveryCheck) {
    const char* path = "/usr/lib/vst/ZaMaximX2-vst.so";
    if (access(path, R_OK) != 0) SKIP_NOT_INSTALLED("zam-plugins");
    ValidatorReport r = validateInstalled(path);
    EXPECT_EQ(r.failedChecks(), std::set<std::string>{}) << report(r);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.verdicts["double-precision"], "SKIP");  // no double-precision processing
    EXPECT_EQ(r.verdicts["state-restore"], "SKIP");     // no chunks: hosts save its parameters
}

TEST(ThirdPartyVerdicts, LspStereoLimiterFailsItsRecordedChecks) {
    const char* path = "/usr/lib/vst/lsp-plugins/limiter-stereo.so";
    if (access(path, R_OK) != 0) SKIP_NOT_INSTALLED("lsp-plugins-vst");
    ValidatorReport r = validateInstalled(path);
    // Found by the validator, each reproducible by hand with --only:
    const std::set<std::string> expected = {
        "short-blocks",     // the sound depends on how the host splits blocks
        "oversize-blocks",  // blocks longer than announced are not processed like announced ones
        "zero-rate-block",  // a sample rate of 0 ends in a double free
        "silence",          // some settings turn silence into noise near -92 dBFS
        "hostile-input",    // the largest float input with some settings never returns
        "state-fuzz",       // a truncated chunk leaves a parameter far outside [0, 1]
    };
    EXPECT_EQ(r.failedChecks(), expected) << report(r);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.details["hostile-input"].find("no answer within 25 s"), std::string::npos);
}

}  // namespace
