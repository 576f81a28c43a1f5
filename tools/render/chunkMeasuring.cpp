#include "tools/render/chunkMeasuring.h"

#include "tools/render/svgPlot.h"

namespace render {
namespace {

std::unique_ptr<WaveformSummary> waveIf(bool waves) {
    return waves ? std::make_unique<WaveformSummary>(svgWaveWidth) : nullptr;
}

}  // namespace

ChunkMeasuring::ChunkMeasuring(size_t chunkFrames, int inputChannels, double sampleRate, bool waves)
    : inputWave(waveIf(waves)), outputWave(waveIf(waves)), buffers(chunkFrames),
      inputMeter(inputChannels, sampleRate, inputWave.get()), outputMeter(inputChannels, sampleRate, outputWave.get()) {}

void ChunkMeasuring::measure(size_t, size_t read, size_t kept) {
    inputMeter.add(buffers.inL.data(), buffers.inR.data(), read);
    outputMeter.add(buffers.storedL.data(), buffers.storedR.data(), kept);
}

void ChunkMeasuring::finish() {
    inputMeter.figures();
    outputMeter.figures();
}

}  // namespace render
