// The renderer's command line.
#pragma once

#include "tools/render/audio_file.h"

#include <string>
#include <vector>

namespace render {

// One --set or --set-raw, kept in command-line order.
struct ParameterAssignment {
    std::string name;   // parameter name or index
    std::string value;  // display text, or a normalized number when raw
    bool raw = false;
};

struct RenderOptions {
    std::string pluginPath;
    std::string inputPath;   // empty: the built-in demo signal
    std::string outputPath;  // empty: nothing rendered (only presets saved)
    std::vector<ParameterAssignment> assignments;
    std::string presetPath;
    std::string savePresetPath;
    std::string saveBankPath;
    std::string svgPath;
    int blockSize = 512;
    bool doublePrecision = false;
    SampleFormat sampleFormat = SampleFormat::pcm24;
    double demoRate = 44100.0;
    bool compensateLatency = false;
    bool quiet = false;
    bool help = false;
};

// Parses argv. Throws RenderError(exitUsage) for anything it cannot take.
// defaultPlugin fills pluginPath when --plugin is not given.
RenderOptions parseRenderOptions(int argc, const char* const* argv, const std::string& defaultPlugin);

// The --help text.
std::string renderUsage(const std::string& defaultPlugin);

}  // namespace render
