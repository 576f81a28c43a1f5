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

// The static curve. A slow ramp of DC would be removed by any DC blocker in
// the chain, so the ramp is the amplitude of a 1 kHz tone rising from 0 to
// rampPeak; for each period the input amplitude is paired with the output's
// highest and lowest values (which also absorbs unreported phase delay).
TransferCurve measureCurve(PluginSetup& setup, double sampleRate, const EngineSettings& engine) {
    const double pi = 3.14159265358979323846;
    auto plugin = setup.createInstance(sampleRate);
    const size_t latency = static_cast<size_t>(std::max(0, plugin->latency()));
    const size_t frames = static_cast<size_t>(rampSeconds * sampleRate);
    const size_t period = std::max<size_t>(4, static_cast<size_t>(sampleRate / 1000.0));
    AudioData ramp;
    ramp.sampleRate = sampleRate;
    ramp.resize(frames + latency + period);
    for (size_t n = 0; n < frames; ++n) {
        double amplitude = rampPeak * double(n) / double(frames);
        ramp.channel[0][n] = ramp.channel[1][n] = amplitude * std::sin(2 * pi * double(n) / double(period));
    }
    AudioData out;
    renderThrough(*plugin, ramp, out, engine);
    TransferCurve lows, highs;
    for (size_t start = 0; start + period <= frames; start += period) {
        double amplitude = rampPeak * (double(start) + 0.5 * double(period)) / double(frames);
        double low = 0.0, high = 0.0;
        for (size_t n = start + latency; n < start + latency + period; ++n) {
            low = std::min(low, out.channel[0][n]);
            high = std::max(high, out.channel[0][n]);
        }
        lows.input.push_back(-amplitude), lows.output.push_back(low);
        highs.input.push_back(amplitude), highs.output.push_back(high);
    }
    // One curve from -rampPeak to +rampPeak.
    TransferCurve curve;
    curve.input.assign(lows.input.rbegin(), lows.input.rend());
    curve.output.assign(lows.output.rbegin(), lows.output.rend());
    curve.input.insert(curve.input.end(), highs.input.begin(), highs.input.end());
    curve.output.insert(curve.output.end(), highs.output.begin(), highs.output.end());
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
    plugin->stopProcess();
    plugin->suspend();
}

}  // namespace render
