// Level measurements for the render report.
#pragma once

#include "tools/render/audio_data.h"

#include <cstddef>

namespace render {

// Largest absolute sample over both channels.
double samplePeak(const AudioData& audio);

// Largest absolute value of the signal reconstructed at 4x the sample rate
// (a windowed-sinc interpolator): peaks between samples that a converter
// would produce. Never below samplePeak.
double truePeak(const AudioData& audio);

// Samples (counting each channel) whose magnitude reaches or exceeds level.
size_t samplesAtOrAbove(const AudioData& audio, double level);

// 20 log10(amplitude); -inf for silence.
double toDecibels(double amplitude);

}  // namespace render
