// The measurements of a render's input and output, taken on other cores.
// Measuring costs more than the plug-in, so the input and the output are each
// measured on a thread of their own (BackgroundMeter) while the next chunks
// are read, rendered and written. The meters copy what they are given, so a
// chunk's buffers are free again as soon as measure() returns.
#pragma once

#include "tools/render/backgroundMeter.h"
#include "tools/render/levelMeter.h"
#include "tools/render/waveformSummary.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace render {

class ChunkMeasuring {
public:
    // One chunk's buffers: the input as read, the output as stored in the file.
    struct Chunk {
        explicit Chunk(size_t frames) : inL(frames), inR(frames), storedL(frames), storedR(frames) {}
        std::vector<double> inL, inR, storedL, storedR;
    };

    // Both sides are measured with the input's channel layout (the output
    // file keeps it). waves: also summarize both sides for the picture.
    ChunkMeasuring(size_t chunkFrames, int inputChannels, double sampleRate, bool waves);
    ChunkMeasuring(const ChunkMeasuring&) = delete;
    ChunkMeasuring& operator=(const ChunkMeasuring&) = delete;

    // The buffers chunk k is to be read and stored into.
    Chunk& chunk(size_t) { return buffers; }
    // Queues chunk k's read input frames and kept output frames for measuring.
    void measure(size_t k, size_t read, size_t kept);
    // Waits for every queued measurement; the figures and waves are then complete.
    void finish();

    LevelFigures inputFigures() { return inputMeter.figures(); }
    LevelFigures outputFigures() { return outputMeter.figures(); }

    // Null without waves; complete after finish(). Declared before the meters,
    // whose threads feed them, so they outlive them.
    std::unique_ptr<WaveformSummary> inputWave, outputWave;

private:
    Chunk buffers;
    BackgroundMeter inputMeter, outputMeter;
};

}  // namespace render
