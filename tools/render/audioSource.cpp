#include "tools/render/audioSource.h"

#include "tools/render/renderError.h"

#include <cmath>
#include <string>

namespace render {

Source::Source(const RenderOptions& options) {
    if (options.demo) {
        demoSignal = std::make_unique<DemoSignal>(options.demoRate);
        sourceRate = options.demoRate;
    } else {
        reader = std::make_unique<AudioReader>(options.inputPath);
        sourceRate = reader->sampleRate();
        // Below a kilohertz there is no audio to speak of (the loudness
        // meter's 100 ms hold under 100 samples; at 17 Hz and less it fails);
        // libebur128 takes nothing above 64 times 44.1 kHz.
        if (sourceRate < lowestRate || sourceRate > highestRate)
            throw RenderError(exitInput, (options.inputPath == "-" ? std::string("standard input") : options.inputPath) + " is at " + std::to_string(std::lround(sourceRate)) +
                                             " Hz; orvalt-render renders rates from " + std::to_string(lowestRate) +
                                             " to " + std::to_string(highestRate) + " Hz");
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
