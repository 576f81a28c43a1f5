#include "tools/render/deltaOutput.h"

#include <algorithm>

namespace render {

DeltaOutput::DeltaOutput(AtomicOutput& file, int channels, double sampleRate, double inputGain, int64_t frames)
    : writer(file, SampleFormat::float32, Dither::none, sampleRate, FileType::byName, channels, frames),
      meter(channels, sampleRate),
      gain(inputGain) {}

void DeltaOutput::addInput(const double* left, const double* right, size_t frames) {
    pendingLeft.insert(pendingLeft.end(), left, left + frames);
    pendingRight.insert(pendingRight.end(), right, right + frames);
}

void DeltaOutput::addOutput(const double* left, const double* right, size_t frames) {
    // The output never runs ahead of the input: its tail is paired with the
    // input's last frames, read before the silence that flushed it.
    frames = std::min(frames, pendingLeft.size());
    deltaLeft.resize(frames);
    deltaRight.resize(frames);
    storedLeft.resize(frames);
    storedRight.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        deltaLeft[i] = pendingLeft[i] * gain - left[i];
        deltaRight[i] = pendingRight[i] * gain - right[i];
    }
    writer.write(deltaLeft.data(), deltaRight.data(), frames, storedLeft.data(), storedRight.data());
    meter.add(storedLeft.data(), storedRight.data(), frames);
    pendingLeft.erase(pendingLeft.begin(), pendingLeft.begin() + long(frames));
    pendingRight.erase(pendingRight.begin(), pendingRight.begin() + long(frames));
}

void DeltaOutput::close() {
    writer.close();
}

}  // namespace render
