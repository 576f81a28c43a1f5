#include "tools/validator/background_audio.h"

namespace validator {

BackgroundAudio::BackgroundAudio(Rig& rig, int blockFrames)
    : rig_(rig), in_(inputSignal(rig, blockFrames, 140)), thread_([this] { run(); }) {}

void BackgroundAudio::run() {
    const int frames = in_.frames();
    while (!stopping_.load(std::memory_order_acquire)) {
        Signal out = rig_.render(in_, {frames});
        std::string bad = firstNonFinite(out);
        if (!bad.empty() && problem_.empty()) problem_ = "block " + std::to_string(blocks()) + ": " + bad;
        blocks_.fetch_add(1, std::memory_order_relaxed);
    }
}

void BackgroundAudio::waitForBlocks(int more) {
    const int target = blocks() + more;
    while (blocks() < target && thread_.joinable()) std::this_thread::yield();
}

void BackgroundAudio::stop() {
    stopping_.store(true, std::memory_order_release);
    if (thread_.joinable()) thread_.join();
}

}  // namespace validator
