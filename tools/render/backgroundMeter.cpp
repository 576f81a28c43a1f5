#include "tools/render/backgroundMeter.h"

#include "tools/render/atomicOutput.h"

namespace render {

BackgroundMeter::BackgroundMeter(int channels, double sampleRate, WaveformSummary* waveform)
    : meter(channels, sampleRate), wave(waveform), worker(threadHoldingSignals([this] { measureQueued(); })) {}

BackgroundMeter::~BackgroundMeter() {
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

void BackgroundMeter::add(const double* left, const double* right, size_t frames) {
    if (frames == 0) return;
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [this] { return queued < depth || failure; });
    rethrow();
    // The slot past the queue belongs to this thread until it is counted in.
    Block& block = blocks[(first + queued) % depth];
    hold.unlock();
    block.left.assign(left, left + frames);
    block.right.assign(right, right + frames);
    block.frames = frames;
    hold.lock();
    ++queued;
    hold.unlock();
    changed.notify_all();
}

LevelFigures BackgroundMeter::figures() {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [this] { return queued == 0 || failure; });
    rethrow();
    return meter.figures();
}

void BackgroundMeter::rethrow() {
    if (failure) std::rethrow_exception(failure);
}

void BackgroundMeter::measureQueued() {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        changed.wait(hold, [this] { return queued > 0 || stopping; });
        if (stopping) return;
        // The oldest block stays counted (so its slot is not refilled) until measured.
        Block& block = blocks[first];
        hold.unlock();
        try {
            meter.add(block.left.data(), block.right.data(), block.frames);
            if (wave) wave->add(block.left.data(), block.right.data(), block.frames);
        } catch (...) {
            hold.lock();
            failure = std::current_exception();
            changed.notify_all();
            return;
        }
        hold.lock();
        first = (first + 1) % depth;
        --queued;
        changed.notify_all();
    }
}

}  // namespace render
