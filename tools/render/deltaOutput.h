// What the plug-in removed (or added): the input minus the output as written,
// sample by sample, so that input = output + delta. Written as float (it is
// a small signal that integer formats would round away) and measured as the
// output is.
#pragma once

#include "tools/render/audioFile.h"
#include "tools/render/levelMeter.h"

#include <cstddef>
#include <vector>

namespace render {

class AtomicOutput;

class DeltaOutput {
public:
    // channels, rate and length: the output's. Throws RenderError(exitOutput).
    DeltaOutput(AtomicOutput& file, int channels, double sampleRate, int64_t frames = unknownLength);

    // The input frames in order, as read.
    void addInput(const double* left, const double* right, size_t frames);
    // The next output frames as the file holds them, aligned with the input:
    // each is paired with the oldest input frame not yet paired.
    void addOutput(const double* left, const double* right, size_t frames);
    // Writes the final header. Throws RenderError(exitOutput).
    void close();
    LevelFigures figures() const { return meter.figures(); }

private:
    AudioWriter writer;
    LevelMeter meter;
    std::vector<double> pendingLeft, pendingRight;  // input frames not yet paired (the latency)
    std::vector<double> deltaLeft, deltaRight, storedLeft, storedRight;
};

}  // namespace render
