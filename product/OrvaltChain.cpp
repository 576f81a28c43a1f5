// Orvalt's signal chain. For now the block operation delays the input by one
// sample, which is what the full chain does with warm and clip off.
#include "product/Orvalt.h"

void Orvalt::sampleRateChanged() { updateParameters(); }

void Orvalt::updateParameters() {}

void Orvalt::resetState() {
    limiterDelay[0] = limiterDelay[1] = 0.0;
}

bool Orvalt::processBlock(bool paramsChanged, const PlugCore::BlockTiming*, double* const* in, double* const* out,
                          VstInt32 frames) {
    if (paramsChanged) updateParameters();
    for (VstInt32 i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const double m = in[c][i];
            out[c][i] = limiterDelay[c];
            limiterDelay[c] = m;
        }
    }
    return true;
}
