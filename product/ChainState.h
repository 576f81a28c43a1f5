// The running state of the stereo chain, in one place: every recursive filter
// state and smoother, both channels of a quantity side by side in one SSE2
// register (left in the low lane). The block loop copies the whole record into
// registers with one assignment and back with another.
#pragma once

#include <emmintrin.h>

namespace ChainStage {

// One quantity for both channels; pair[c] reads channel c (0 left, 1 right).
// Only 8-byte alignment is assumed: a 32-bit runtime may place the plug-in
// object on an 8-byte boundary, so the state is read and written with the
// unaligned forms (as fast as the aligned ones on current processors).
typedef double Pair __attribute__((vector_size(16), aligned(8)));

// One first-order allpass section: previous input and previous output.
struct Allpass {
    Pair x1;
    Pair y1;
};

// The lattice equalizer's smoothed coefficients and its two states.
struct EqualizerState {
    Pair k0Smoothed;
    Pair k1Smoothed;
    Pair gainSmoothed;
    Pair z1;
    Pair z2;
};

struct ChainState {
    // Half-band resamplers, sections in the order A1, A2, B1, B2.
    Allpass upsampler[4];
    Allpass downsampler[4];
    EqualizerState bassEq;
    Pair satPrevIn;     // saturator: previous equalizer output
    Pair satPrevOut;    // saturator: previous saturated value
    Pair dcPrevOut;     // DC blocker: previous output
    Pair gainHistory1;  // clipper: gain factor of the previous sample
    Pair gainHistory2;  // clipper: gain factor of the sample before that
    Pair limiterDelay;  // clipper: the previous sample (one sample of look-ahead)
    Pair clipEnvelope;  // clip activity, 0..1
    double inputGain = 1.0;  // smoothed input gain, shared by both channels
    double driveGain = 1.0;  // smoothed drive, shared by both channels
};

}  // namespace ChainStage
