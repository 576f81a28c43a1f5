// Plays audio through a switched-on plug-in instance block by block, the way
// a host plays a track: a moving transport position, the last block shorter.
#pragma once

#include "tools/render/audioData.h"
#include "tools/vsthost/vsthost.h"

#include <chrono>
#include <memory>

namespace render {

struct EngineSettings {
    int blockSize = 512;
    bool doublePrecision = false;  // processDoubleReplacing instead of processReplacing
};

// Silence played before the first sample and thrown away, so parameter
// smoothers reach the asked-for values before the audio starts. Orvalt's
// slowest smoother has a 0.1 s time constant; from any start to any target
// it settles to the last bit within 3.7 s at every rate (its steps round
// toward zero, so the last stretch moves one unit in the last place at a
// time). Below 1 kHz the chain keeps the coefficients of 1 kHz, where that
// takes 3708 samples: hence the floor in samples. Silence leaves every filter
// and saturator state at zero.
constexpr double settleSeconds = 5.0;
constexpr size_t settleMinimumFrames = 5000;

class RenderStream {
public:
    // The instance must be prepared for settings.blockSize and sampleRate.
    // Throws RenderError(exitPlugin) when the plug-in lacks the process call
    // asked for or has no outputs.
    RenderStream(vsthost::Plugin& plugin, const EngineSettings& settings, double sampleRate);
    ~RenderStream();
    RenderStream(const RenderStream&) = delete;
    RenderStream& operator=(const RenderStream&) = delete;

    // Plays seconds of silence (at least settleMinimumFrames) and discards
    // the output; the transport then starts again at position 0.
    void settle(double seconds);
    // Renders frames frames (any number; cut into blocks here). A mono
    // plug-in output goes to both channels.
    void process(const double* inLeft, const double* inRight, double* outLeft, double* outRight, size_t frames);
    // Time spent inside the plug-in's process calls.
    double pluginSeconds() const;

private:
    template <typename Sample>
    void run(const double* inLeft, const double* inRight, double* outLeft, double* outRight, size_t frames);
    struct Buffers;
    vsthost::Plugin& hostedPlugin;
    EngineSettings engineSettings;
    double engineRate;
    std::unique_ptr<Buffers> buffers;
    std::chrono::steady_clock::duration timeInside{};
};

// Renders all of input into output (same length and rate) after settling
// for settleSeconds. Returns the seconds spent inside the plug-in.
double renderThrough(vsthost::Plugin& plugin, const AudioData& input, AudioData& output,
                     const EngineSettings& settings);

}  // namespace render
