// Where the tests find plug-ins: ours from the build, third-party ones where
// Debian installs them (tests that need them skip when they are missing).
#pragma once

#include <string>
#include <sys/stat.h>

#include "tests/support/skip.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// The installed third-party plug-ins keep a few allocations for good; those are
// not ours to report. Hold one of these while a test uses them.
using ThirdPartyLeakScope = __lsan::ScopedDisabler;
#else
struct ThirdPartyLeakScope {
    ThirdPartyLeakScope() {}  // user-provided, so a held scope is not an unused variable
};
#endif

namespace toolstest {

inline bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

inline std::string orvaltPlugin() {
#ifdef ORVALT_PLUGIN_PATH
    return ORVALT_PLUGIN_PATH;
#else
    return "";
#endif
}

// Linux builds of them: a Windows test under Wine cannot load these.
#ifdef _WIN32
inline const char* zamMaximizer() { return ""; }
inline const char* lspLimiter() { return ""; }
#else
inline const char* zamMaximizer() { return "/usr/lib/vst/ZaMaximX2-vst.so"; }
inline const char* lspLimiter() { return "/usr/lib/vst/lsp-plugins/limiter-stereo.so"; }
#endif

}  // namespace toolstest

// No path: the plug-in is not part of this build (a Linux plug-in in the
// Windows build), a quiet skip. A path without a file: a package the test
// command installs is missing, reported as skipped.
#define REQUIRE_PLUGIN(path)                                                         \
    do {                                                                             \
        if (std::string(path).empty()) GTEST_SKIP() << "not in this build";          \
        if (!toolstest::fileExists(path)) SKIP_NOT_INSTALLED(std::string(path));     \
    } while (0)
