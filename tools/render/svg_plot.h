// The --svg picture: input and output waveforms one above the other, and the
// static input-to-output curve beside them.
#pragma once

#include "tools/render/audio_data.h"

#include <string>
#include <vector>

namespace render {

struct TransferCurve {
    std::vector<double> input;   // input level, rising
    std::vector<double> output;  // output level answering it
};

// The SVG document text.
std::string drawRenderSvg(const AudioData& input, const AudioData& output, const TransferCurve& curve,
                          const std::string& title);

}  // namespace render
