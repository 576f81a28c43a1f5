#include "tools/render/render_job.h"

#include "tools/render/atomic_output.h"
#include "tools/render/audio_file.h"
#include "tools/render/demo_signal.h"
#include "tools/render/plugin_presets.h"
#include "tools/render/plugin_setup.h"
#include "tools/render/progress_bar.h"
#include "tools/render/render_engine.h"
#include "tools/render/render_error.h"
#include "tools/render/signal_measures.h"
#include "tools/render/svg_plot.h"

#include <cmath>
#include <memory>

namespace render {
namespace {

constexpr double progressAfterSeconds = 5.0;  // shorter files finish before a bar helps
constexpr double rampSeconds = 2.0;
constexpr double rampPeak = 2.0;  // +6 dBFS: well into any clipper's ceiling

std::string demoInputPath(const std::string& outputPath) {
    size_t slash = outputPath.find_last_of('/');
    size_t dot = outputPath.find_last_of('.');
    std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? outputPath.substr(0, dot)
                           : outputPath;
    return stem + "-input.wav";
}

std::string decibelText(double amplitude) {
    double db = toDecibels(amplitude);
    if (std::isinf(db)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f dBFS", db);
    return text;
}

// The static curve: a slow ramp from -rampPeak to +rampPeak through a fresh
// instance, each output sample paired with the input it answers (latency removed).
TransferCurve measureCurve(PluginSetup& setup, double sampleRate, const EngineSettings& engine) {
    auto plugin = setup.createInstance(sampleRate);
    const int latency = std::max(0, plugin->latency());
    const size_t frames = static_cast<size_t>(rampSeconds * sampleRate);
    AudioData ramp;
    ramp.sampleRate = sampleRate;
    ramp.resize(frames + static_cast<size_t>(latency));
    for (size_t n = 0; n < ramp.frames(); ++n) {
        double x = -rampPeak + 2.0 * rampPeak * std::min(1.0, double(n) / double(frames - 1));
        ramp.channel[0][n] = ramp.channel[1][n] = x;
    }
    AudioData out;
    renderThrough(*plugin, ramp, out, engine);
    TransferCurve curve;
    for (size_t n = 0; n < frames; ++n) {
        curve.input.push_back(ramp.channel[0][n]);
        curve.output.push_back(out.channel[0][n + static_cast<size_t>(latency)]);
    }
    return curve;
}

void printReport(FILE* out, vsthost::Plugin& plugin, const RenderOptions& options, const AudioData& input,
                 const AudioData& output, int latency, double processingSeconds) {
    std::fprintf(out, "plug-in:          %s (%s), %s\n", plugin.effectName().c_str(), plugin.vendorString().c_str(),
                 options.pluginPath.c_str());
    std::fprintf(out, "input:            %s, %.2f s, %.0f Hz, %s\n",
                 options.inputPath.empty() ? "demo signal" : options.inputPath.c_str(), input.seconds(),
                 input.sampleRate, input.sourceChannels == 1 ? "mono (played on both channels)" : "stereo");
    std::fprintf(out, "output:           %s (%s, stereo)\n", options.outputPath.c_str(),
                 sampleFormatName(options.sampleFormat));
    std::string settings;
    for (int i = 0; i < plugin.numParams(); ++i) {
        std::string label = plugin.parameterLabel(i);
        settings += (i ? ", " : "") + plugin.parameterName(i) + " " + plugin.parameterDisplay(i) +
                    (label.empty() ? "" : " " + label);
    }
    std::fprintf(out, "settings:         %s\n", settings.c_str());
    std::fprintf(out, "latency:          %d sample%s%s\n", latency, latency == 1 ? "" : "s",
                 latency > 0 ? (options.compensateLatency ? " (compensated)" : " (output delayed by it)") : "");
    std::fprintf(out, "input peak:       %s\n", decibelText(samplePeak(input)).c_str());
    std::fprintf(out, "output peak:      %s\n", decibelText(samplePeak(output)).c_str());
    std::fprintf(out, "output true peak: %s (4x oversampled)\n", decibelText(truePeak(output)).c_str());
    std::fprintf(out, "clipped samples:  %zu in the output at or over 0 dBFS (input: %zu)\n",
                 samplesAtOrAbove(output, 1.0), samplesAtOrAbove(input, 1.0));
    double speed = processingSeconds > 0 ? input.seconds() / processingSeconds : 0.0;
    std::fprintf(out, "speed:            %.1fx real time (%.3f s for %.2f s; %s precision, blocks of %d)\n", speed,
                 processingSeconds, input.seconds(), options.doublePrecision ? "double" : "single",
                 options.blockSize);
}

}  // namespace

void runRender(const RenderOptions& options, FILE* out) {
    const bool rendering = !options.outputPath.empty();
    if (rendering) checkOutputFormat(options.outputPath, options.sampleFormat, 44100.0);

    AudioData input = options.inputPath.empty() ? makeDemoSignal(options.demoRate) : readAudioFile(options.inputPath);
    if (rendering) {
        checkOutputFormat(options.outputPath, options.sampleFormat, input.sampleRate);
        AtomicOutput probe(options.outputPath);  // an unwritable folder fails now, not after the work
    }

    PluginSetup setup(options);
    auto plugin = setup.createInstance(input.sampleRate);
    EngineSettings engine{options.blockSize, options.doublePrecision};

    if (rendering) {
        const int latency = std::max(0, plugin->latency());
        const size_t skip = options.compensateLatency ? static_cast<size_t>(latency) : 0;
        AudioData played = input;
        if (skip) {
            for (auto& ch : played.channel) ch.insert(ch.end(), skip, 0.0);
        }
        AudioData output;
        double seconds;
        {
            ProgressBar bar(!options.quiet && input.seconds() > progressAfterSeconds);
            seconds = renderThrough(*plugin, played, output, engine, [&](double f) { bar.update(f); });
        }
        if (skip) {
            for (auto& ch : output.channel) ch.erase(ch.begin(), ch.begin() + static_cast<long>(skip));
        }
        if (!options.quiet) printReport(out, *plugin, options, input, output, latency, seconds);

        std::unique_ptr<AtomicOutput> svg;
        if (!options.svgPath.empty()) {
            svg = std::make_unique<AtomicOutput>(options.svgPath);
            TransferCurve curve = measureCurve(setup, input.sampleRate, engine);
            std::string text = drawRenderSvg(input, output, curve, plugin->effectName() + ": " +
                                                                       (options.inputPath.empty() ? "demo signal" : options.inputPath));
            svg->writeAll(std::vector<unsigned char>(text.begin(), text.end()));
        }
        if (options.inputPath.empty()) writeAudioFile(demoInputPath(options.outputPath), input, SampleFormat::float32);
        writeAudioFile(options.outputPath, output, options.sampleFormat);
        if (svg) svg->commit();
    }
    if (!options.savePresetPath.empty()) savePreset(*plugin, options.savePresetPath, false);
    if (!options.saveBankPath.empty()) savePreset(*plugin, options.saveBankPath, true);
    plugin->suspend();
}

}  // namespace render
