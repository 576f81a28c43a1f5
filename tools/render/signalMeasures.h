// Simple level measurements of audio held in memory (the streaming
// measurements of the render report are in levelMeter).
#pragma once

#include "tools/render/audioData.h"

#include <cstddef>

namespace render {

// Largest absolute sample over both channels.
double samplePeak(const AudioData& audio);

// Samples (counting each channel) whose magnitude reaches or exceeds level.
size_t samplesAtOrAbove(const AudioData& audio, double level);

// 20 log10(amplitude); -inf for silence.
double toDecibels(double amplitude);

}  // namespace render
