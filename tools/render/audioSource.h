// Where the renderer's audio comes from: a file, or the demo signal generated
// on the fly.
#pragma once

#include "tools/render/audioFile.h"
#include "tools/render/demoSignal.h"
#include "tools/render/renderOptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace render {

// The sample rates the meters and the plug-in serve.
constexpr int lowestRate = 1000, highestRate = 2822400;

class Source {
public:
    // Opens the input (throws RenderError(exitInput), also for a rate outside
    // lowestRate..highestRate) or starts the demo signal.
    explicit Source(const RenderOptions& options);
    double sampleRate() const { return sourceRate; }
    int channels() const;
    int64_t declaredFrames() const;
    // The frames to come: the declared length, or unknownLength for a stream that does not say.
    int64_t expectedFrames() const;
    int64_t framesRead() const { return framesSoFar; }
    // Up to frames frames; 0 at the end.
    size_t read(double* left, double* right, size_t frames);

private:
    std::unique_ptr<AudioReader> reader;
    std::unique_ptr<DemoSignal> demoSignal;
    double sourceRate = 0;
    int64_t framesSoFar = 0;
};

}  // namespace render
