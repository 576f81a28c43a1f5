// An output file that appears only when it is complete: bytes go to a
// temporary file in the target's folder, which is renamed over the target by
// commit(). Dropped without commit, the temporary file is removed; so is
// every temporary file still open when a terminating signal arrives (see
// removeTemporariesOnSignal). An existing target that is not a regular file
// (a device, a pipe) is written directly instead, and so is "-", standard
// output. A target that is a symbolic link is followed: the file it points
// to is replaced and the link stays.
#pragma once

#include <csignal>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace render {

class AtomicOutput {
public:
    // Creates the temporary file now, so an unwritable folder or a
    // write-protected target is reported before any work is done. An
    // existing target is refused when mayReplace is false. Throws
    // RenderError(exitOutput).
    explicit AtomicOutput(const std::string& target, bool mayReplace = true);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // The name as given, for messages ("standard output" for "-").
    const std::string& target() const { return targetName; }
    const std::string& temporaryPath() const { return temporaryFile; }
    // The open descriptor of the temporary file (or of the device, pipe or
    // standard output written directly); ownership passes to the caller.
    int releaseDescriptor();
    // Writes all bytes to the temporary file (closing it). Throws on failure.
    void writeAll(const std::vector<unsigned char>& bytes);
    // Renames the temporary file over the target, the file's bytes and then
    // the folder synced to disk. Throws on failure.
    void commit();
    // Takes a committed output that replaced nothing (mayReplace false) out
    // again, when another output of the run could not be put in place.
    void withdrawCommit();

private:
    int cleanupSlot = -1;  // in the list the signal handler clears
    std::string targetName;
    std::string writtenPath;  // the target with its symbolic links followed
    std::string temporaryFile;
    int fileDescriptor = -1;
    bool replaceAllowed = true;
    bool committed = false;
};

// The signals that end the process unless caught and that a thread may hold:
// HUP, INT, QUIT, TERM, USR1, USR2, ALRM, PIPE, XFSZ, XCPU, VTALRM, PROF, IO,
// PWR, STKFLT and the real-time signals.
sigset_t terminatingSignals();

// Installs a handler for every terminating signal not ignored at start (a
// run under nohup keeps ignoring SIGHUP), and for ABRT, SEGV, BUS, ILL, FPE,
// SYS and TRAP, that removes the temporary files of all live AtomicOutputs.
// The first twelve of terminatingSignals() then end the process with 128 +
// the signal number; every other signal ends it as it would have uncaught.
void removeTemporariesOnSignal();

// Room for count temporary files at once (32 without it). [main thread,
// before any other thread starts] A temporary beyond the room fails its output.
void reserveTemporaries(size_t count);

// While one lives, the terminating signals wait in the calling thread, so a
// group of steps (creating and listing a temporary file, putting every
// output in place) is never cut in the middle.
class TerminatingSignalsHeld {
public:
    TerminatingSignalsHeld();
    ~TerminatingSignalsHeld();
    TerminatingSignalsHeld(const TerminatingSignalsHeld&) = delete;
    TerminatingSignalsHeld& operator=(const TerminatingSignalsHeld&) = delete;

private:
    sigset_t previous;
};

// While one lives (with the terminating signals held), a signal handler
// running on another thread waits for the outputs being put in place.
class CommitGroup {
public:
    CommitGroup();
    ~CommitGroup();
    CommitGroup(const CommitGroup&) = delete;
    CommitGroup& operator=(const CommitGroup&) = delete;
};

// A thread that holds the terminating signals from its first instruction, so
// their handler runs only on the main thread.
template <typename Function>
std::thread threadHoldingSignals(Function&& function) {
    TerminatingSignalsHeld held;  // the new thread inherits the mask
    return std::thread(std::forward<Function>(function));
}

}  // namespace render
