// An output file that appears only when it is complete: bytes go to a
// temporary file in the target's folder, which is renamed over the target by
// commit(). Dropped without commit, the temporary file is removed.
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

    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return temporary_; }
    // The open descriptor of the temporary file; ownership passes to the caller.
    int releaseDescriptor();
    // Writes all bytes to the temporary file (closing it). Throws on failure.
    void writeAll(const std::vector<unsigned char>& bytes);
    // Renames the temporary file over the target. Throws on failure.
    void commit();

private:
    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
    bool committed_ = false;
};

}  // namespace render
