// A LevelMeter (and optionally a WaveformSummary) fed on a thread of its
// own, so a render measures its input and its output on other cores while it
// reads, renders and writes. Blocks wait in a queue a few deep: the render
// stops only when the queue is full, the meter only when it is empty, so
// neither keeps step with the other block by block (on a busy machine every
// such step costs a wait for the scheduler).
#pragma once

#include "tools/render/levelMeter.h"
#include "tools/render/waveformSummary.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace render {

class BackgroundMeter {
public:
    // channels and sampleRate as for LevelMeter; waveform (may be null) is
    // fed too and must outlive the meter. Throws RenderError(exitFailure)
    // when the meter cannot be set up.
    BackgroundMeter(int channels, double sampleRate, WaveformSummary* waveform);
    // Stops the thread; blocks still queued are dropped.
    ~BackgroundMeter();
    BackgroundMeter(const BackgroundMeter&) = delete;
    BackgroundMeter& operator=(const BackgroundMeter&) = delete;

    // Queues a copy of frames frames; returns at once unless the queue is
    // full. [one producer thread]
    void add(const double* left, const double* right, size_t frames);
    // Waits until every queued block is measured, then the figures (the
    // waveform is complete too). Rethrows what the measuring thread threw.
    // [the producer thread]
    LevelFigures figures();

private:
    static constexpr size_t depth = 4;
    struct Block {
        std::vector<double> left, right;
        size_t frames = 0;
    };
    void measureQueued();  // [measuring thread]
    void rethrow();

    LevelMeter meter;
    WaveformSummary* wave;
    Block blocks[depth];
    size_t first = 0;   // the oldest queued block
    size_t queued = 0;  // blocks waiting or being measured
    bool stopping = false;
    std::exception_ptr failure;
    std::mutex lock;
    std::condition_variable changed;
    std::thread worker;  // last: started once everything above exists
};

}  // namespace render
