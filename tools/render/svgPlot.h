// The --svg picture: input and output waveforms one above the other on a
// time axis and a dBFS scale, and the static curve (output peak against input
// level, both in dBFS) beside them; the settings in the title.
#pragma once

#include "tools/render/waveformSummary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace render {

struct TransferCurve {
    std::vector<double> inputDb;   // input peak level, rising
    std::vector<double> outputDb;  // output peak level answering it (-inf for silence)
};

struct SvgContent {
    std::string title;     // plug-in and input
    std::string subtitle;  // the settings
    double sampleRate = 44100.0;
    uint64_t frames = 0;
    WaveformSummary const* input = nullptr;
    WaveformSummary const* output = nullptr;
    TransferCurve curve;
};

// The width in pixels of the waveform panels (columns a summary should keep).
constexpr int svgWaveWidth = 760;

// The SVG document text.
std::string drawRenderSvg(const SvgContent& content);

}  // namespace render
