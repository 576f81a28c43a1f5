// What the processing removed (or added): the input times the settings'
// static gain (see staticGain.h) minus the output as written, sample by
// sample, so a signal the clipper and the warm stage leave alone gives
// silence; with a gain of 1 (--delta-mode raw) input = output + delta.
// Written as float (it is a small signal that integer formats would round
// away) and measured as the output is.
#pragma once

#include "tools/render/audioFile.h"
#include "tools/render/levelMeter.h"

#include <cstddef>
#include <vector>

namespace render {

class AtomicOutput;

class DeltaOutput {
public:
    // channels, rate and length: the output's; inputGain: what the input is
    // multiplied by. Throws RenderError(exitOutput).
    DeltaOutput(AtomicOutput& file, int channels, double sampleRate, double inputGain,
                int64_t frames = unknownLength);

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
    double gain;
    std::vector<double> pendingLeft, pendingRight;  // input frames not yet paired (the latency)
    std::vector<double> deltaLeft, deltaRight, storedLeft, storedRight;
};

}  // namespace render
