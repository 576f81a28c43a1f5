// An audio thread for the checks that need one: it processes blocks of a
// fixed input until stopped and remembers the first bad output.
#pragma once

#include "tools/validator/rig.h"

#include <atomic>
#include <string>
#include <thread>

namespace validator {

class BackgroundAudio {
public:
    // [UI thread] Starts processing at once, blockFrames per call.
    BackgroundAudio(Rig& rig, int blockFrames);
    ~BackgroundAudio() { stop(); }

    // [UI thread] Waits until at least this many more blocks have been processed.
    void waitForBlocks(int more);
    // [UI thread] Stops and joins; the results below are final afterwards.
    void stop();

    int blocks() const { return blockCount.load(std::memory_order_relaxed); }
    // The first non-finite output ("" when none). Read only after stop().
    const std::string& problem() const { return firstProblem; }

private:
    void run();
    Rig& testRig;
    Signal testInput;
    std::atomic<bool> stopping{false};
    std::atomic<int> blockCount{0};
    std::string firstProblem;
    std::thread audioThread;
};

}  // namespace validator
