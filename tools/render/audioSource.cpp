#include "tools/render/audioSource.h"

namespace render {

Source::Source(const RenderOptions& options) {
    if (options.demo) {
        demoSignal = std::make_unique<DemoSignal>(options.demoRate);
        sourceRate = options.demoRate;
    } else {
        reader = std::make_unique<AudioReader>(options.inputPath);
        sourceRate = reader->sampleRate();
    }
}

int Source::channels() const { return reader ? reader->channels() : 2; }

int64_t Source::declaredFrames() const {
    return reader ? reader->declaredFrames() : static_cast<int64_t>(demoSignal->totalFrames());
}

int64_t Source::expectedFrames() const {
    return reader && !reader->lengthKnown() ? unknownLength : declaredFrames();
}

size_t Source::read(double* left, double* right, size_t frames) {
    size_t n = reader ? reader->read(left, right, frames) : demoSignal->generate(left, right, frames);
    framesSoFar += static_cast<int64_t>(n);
    return n;
}

}  // namespace render
