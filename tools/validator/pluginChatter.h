// Keeps what a plug-in says to the user out of the validator's report while a
// check provokes it on purpose (corrupt chunks): on POSIX its standard error
// goes to a capture file, on Windows its message boxes are answered No (or OK)
// as soon as they appear, so that no box ever waits for a user.
#pragma once

#include <string>

namespace validator {

class PluginChatter {
public:
    // [any thread] Starts capturing on the calling thread (message boxes) or
    // for the whole process (standard error).
    PluginChatter();
    ~PluginChatter();
    PluginChatter(const PluginChatter&) = delete;
    PluginChatter& operator=(const PluginChatter&) = delete;

    // What was captured so far: "" when nothing, else e.g. "12 lines on
    // standard error, first: ..." or "3 message boxes answered, first: ...".
    std::string summary();

    // [UI thread] The tail of the capture file, for a report after a crash
    // (POSIX; empty elsewhere). Called by the runner between checks.
    static std::string lastCapturedText(size_t maxBytes);
    // [UI thread] Empties the capture file before the next check.
    static void clearCapture();

private:
    struct State;
    State* state;
};

}  // namespace validator
