// Plays audio through a switched-on plug-in instance block by block, the way
// a host plays a track: a moving transport position, the last block shorter.
#pragma once

#include "tools/render/audio_data.h"
#include "tools/vsthost/vsthost.h"

#include <functional>

namespace render {

struct EngineSettings {
    int blockSize = 512;
    bool doublePrecision = false;  // processDoubleReplacing instead of processReplacing
};

// Called now and then with the fraction done (0..1).
using ProgressCallback = std::function<void(double fraction)>;

// Renders input into output (same length and rate). Returns the seconds spent
// inside the plug-in's process calls. The instance must be prepared for
// settings.blockSize. Throws RenderError(exitPlugin) when the plug-in lacks
// the process call asked for or has no outputs.
double renderThrough(vsthost::Plugin& plugin, const AudioData& input, AudioData& output,
                     const EngineSettings& settings, const ProgressCallback& progress = nullptr);

}  // namespace render
