// The built-in demo material: eight seconds of stereo that a clipper has work
// with. Kick drums (sharp transients and 50 Hz body), a bass line, snare
// bursts panned apart, a sine sweep from 30 Hz to 15 kHz, and a last bar that
// swells to about +4 dBFS. Deterministic: the same bytes on every run.
#pragma once

#include "tools/render/audio_data.h"

namespace render {

constexpr double demoSeconds = 8.0;

AudioData makeDemoSignal(double sampleRate);

}  // namespace render
