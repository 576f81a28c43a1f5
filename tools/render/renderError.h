// Failures of the renderer, each with the exit code the command reports.
#pragma once

#include <stdexcept>
#include <string>

namespace render {

enum ExitCode {
    exitOk = 0,
    exitFailure = 1,    // anything not listed below
    exitUsage = 2,      // bad command line
    exitParameter = 3,  // unknown parameter name, value not understood or out of range
    exitInput = 4,      // input file missing, unreadable or in an unsupported format
    exitOutput = 5,     // output cannot be written, or its format is unsupported
    exitPreset = 6,     // preset file unreadable, not a preset, or for another plug-in
    exitPlugin = 7,     // plug-in cannot be loaded, created or run as asked
    exitTarget = 8,     // a loudness target or true-peak ceiling out of the parameters' reach
};

class RenderError : public std::runtime_error {
public:
    RenderError(ExitCode code, const std::string& message) : std::runtime_error(message), exitCode(code) {}
    ExitCode code() const { return exitCode; }

private:
    ExitCode exitCode;
};

}  // namespace render
