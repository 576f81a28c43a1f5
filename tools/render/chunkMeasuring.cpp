#include "tools/render/chunkMeasuring.h"

#include "tools/render/svgPlot.h"

namespace render {

ChunkMeasuring::ChunkMeasuring(size_t chunkFrames, int inputChannels, double sampleRate, bool waves)
    : inputMeter(inputChannels, sampleRate), outputMeter(inputChannels, sampleRate), chunks{Chunk(chunkFrames), Chunk(chunkFrames)} {
    if (waves) {
        inputWave = std::make_unique<WaveformSummary>(svgWaveWidth);
        outputWave = std::make_unique<WaveformSummary>(svgWaveWidth);
    }
}

ChunkMeasuring::~ChunkMeasuring() {
    for (auto& task : measuring)
        if (task.valid()) task.wait();
}

void ChunkMeasuring::finish() {
    for (auto& task : measuring)
        if (task.valid()) task.get();
}

void ChunkMeasuring::measure(size_t k, size_t read, size_t kept) {
    finish();  // chunk k-1, which used the other buffers
    Chunk& c = chunk(k);
    measuring[0] = std::async(std::launch::async, [this, &c, read] {
        inputMeter.add(c.inL.data(), c.inR.data(), read);
        if (inputWave) inputWave->add(c.inL.data(), c.inR.data(), read);
    });
    measuring[1] = std::async(std::launch::async, [this, &c, kept] {
        outputMeter.add(c.storedL.data(), c.storedR.data(), kept);
        if (outputWave) outputWave->add(c.storedL.data(), c.storedR.data(), kept);
    });
}

}  // namespace render
