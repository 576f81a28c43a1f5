// The measurements of a render's input and output, taken chunk by chunk on
// other cores. Measuring costs more than the plug-in, so chunk k is measured
// (input and output at once) while chunk k+1 is read, rendered and written;
// two buffer sets take turns.
#pragma once

#include "tools/render/levelMeter.h"
#include "tools/render/waveformSummary.h"

#include <cstddef>
#include <future>
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
    ~ChunkMeasuring();  // waits for the measurements still running
    ChunkMeasuring(const ChunkMeasuring&) = delete;
    ChunkMeasuring& operator=(const ChunkMeasuring&) = delete;

    // The buffers chunk k is to be read and stored into; free while the
    // chunk before it is measured.
    Chunk& chunk(size_t k) { return chunks[k % 2]; }
    // Starts measuring chunk k (read input frames, kept output frames) once
    // chunk k-1 is measured.
    void measure(size_t k, size_t read, size_t kept);
    // Waits for every measurement started.
    void finish();

    LevelMeter inputMeter, outputMeter;
    std::unique_ptr<WaveformSummary> inputWave, outputWave;  // null without waves

private:
    Chunk chunks[2];
    std::future<void> measuring[2];  // last: destroyed, and so waited for, first
};

}  // namespace render
