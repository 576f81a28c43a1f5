#include "tools/validator/backgroundAudio.h"

namespace validator {

BackgroundAudio::BackgroundAudio(Rig& rig, int blockFrames)
    : testRig(rig), testInput(inputSignal(rig, blockFrames, 140)), audioThread([this] { run(); }) {}

void BackgroundAudio::run() {
    const int frames = testInput.frames();
    while (!stopping.load(std::memory_order_acquire)) {
        Signal out = testRig.render(testInput, {frames});
        std::string bad = firstNonFinite(out);
        if (!bad.empty() && firstProblem.empty()) firstProblem = "block " + std::to_string(blocks()) + ": " + bad;
        blockCount.fetch_add(1, std::memory_order_relaxed);
    }
}

void BackgroundAudio::waitForBlocks(int more) {
    const int target = blocks() + more;
    while (blocks() < target && audioThread.joinable()) std::this_thread::yield();
}

void BackgroundAudio::stop() {
    stopping.store(true, std::memory_order_release);
    if (audioThread.joinable()) audioThread.join();
}

}  // namespace validator
