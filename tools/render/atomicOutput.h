// An output file that appears only when it is complete: bytes go to a
// temporary file in the target's folder, which is renamed over the target by
// commit(). Dropped without commit, the temporary file is removed; so is
// every temporary file still open when SIGINT or SIGTERM arrives (see
// removeTemporariesOnSignal). An existing target that is not a regular file
// (a device, a pipe) is written directly instead.
#pragma once

#include <string>
#include <vector>

namespace render {

class AtomicOutput {
public:
    // Creates the temporary file now, so an unwritable folder is reported
    // before any work is done. Throws RenderError(exitOutput).
    explicit AtomicOutput(const std::string& target);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    const std::string& target() const { return targetPath; }
    const std::string& temporaryPath() const { return temporaryFile; }
    // The open descriptor of the temporary file; ownership passes to the caller.
    int releaseDescriptor();
    // Writes all bytes to the temporary file (closing it). Throws on failure.
    void writeAll(const std::vector<unsigned char>& bytes);
    // Renames the temporary file over the target. Throws on failure.
    void commit();

private:
    int cleanupSlot = -1;  // in the list the signal handler clears
    std::string targetPath;
    std::string temporaryFile;
    int fileDescriptor = -1;
    bool committed = false;
};

// Installs handlers for SIGINT and SIGTERM that remove the temporary files of
// all live AtomicOutputs and end the process with 130 or 143.
void removeTemporariesOnSignal();

}  // namespace render
