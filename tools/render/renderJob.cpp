#include "tools/render/renderJob.h"

#include "tools/render/atomicOutput.h"
#include "tools/render/audioFile.h"
#include "tools/render/backgroundMeter.h"
#include "tools/render/demoSignal.h"
#include "tools/render/fileIdentity.h"
#include "tools/render/pluginPresets.h"
#include "tools/render/pluginSetup.h"
#include "tools/render/progressBar.h"
#include "tools/render/renderEngine.h"
#include "tools/render/renderError.h"
#include "tools/render/renderReport.h"
#include "tools/render/signalMeasures.h"
#include "tools/render/svgPlot.h"
#include "tools/render/waveformSummary.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

namespace render {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double progressAfterSeconds = 5.0;  // shorter files finish before a bar helps
constexpr size_t chunkFrames = 32768;         // frames read, rendered and written at a time
constexpr double rampSeconds = 2.0;
constexpr double rampLowDb = -36.0, rampHighDb = 6.0;  // +6 dBFS: well into any clipper's ceiling

// Where the audio comes from: a file, or the demo signal generated on the fly.
class Source {
public:
    explicit Source(const RenderOptions& options) {
        if (options.demo) {
            demoSignal = std::make_unique<DemoSignal>(options.demoRate);
            sourceRate = options.demoRate;
        } else {
            reader = std::make_unique<AudioReader>(options.inputPath);
            sourceRate = reader->sampleRate();
        }
    }
    double sampleRate() const { return sourceRate; }
    int channels() const { return reader ? reader->channels() : 2; }
    int64_t declaredFrames() const { return reader ? reader->declaredFrames() : static_cast<int64_t>(demoSignal->totalFrames()); }
    int64_t framesRead() const { return framesSoFar; }
    size_t read(double* left, double* right, size_t frames) {
        size_t n = reader ? reader->read(left, right, frames) : demoSignal->generate(left, right, frames);
        framesSoFar += static_cast<int64_t>(n);
        return n;
    }

private:
    std::unique_ptr<AudioReader> reader;
    std::unique_ptr<DemoSignal> demoSignal;
    double sourceRate = 0;
    int64_t framesSoFar = 0;
};

// Every output file of the run, held as temporaries until all are complete.
struct Outputs {
    std::unique_ptr<AtomicOutput> audio, demoInput, svg, json, preset, bank;
    void commitAll() {
        for (auto* o : {&audio, &demoInput, &svg, &json, &preset, &bank})
            if (*o) (*o)->commit();
    }
};

std::unique_ptr<AtomicOutput> prepare(const std::string& path) {
    if (path.empty() || path == "-") return nullptr;
    return std::make_unique<AtomicOutput>(path);
}

// The static curve, with the settings settled as in the render. A slow ramp
// of DC would be removed by any DC blocker in the chain, so the ramp is the
// amplitude of a 1 kHz tone rising evenly in dB; each period's input level is
// paired with the output's largest magnitude in it (which also absorbs
// unreported phase delay).
TransferCurve measureCurve(PluginSetup& setup, double sampleRate, const EngineSettings& engine) {
    const double pi = 3.14159265358979323846;
    auto plugin = setup.createInstance(sampleRate);
    const size_t latency = static_cast<size_t>(std::max(0, plugin->latency()));
    const size_t frames = static_cast<size_t>(rampSeconds * sampleRate);
    const size_t period = std::max<size_t>(4, static_cast<size_t>(sampleRate / 1000.0));
    auto levelAt = [&](double n) { return rampLowDb + (rampHighDb - rampLowDb) * n / double(frames); };
    AudioData ramp;
    ramp.sampleRate = sampleRate;
    ramp.resize(frames + latency + period);
    for (size_t n = 0; n < frames; ++n)
        ramp.channel[0][n] = ramp.channel[1][n] =
            std::pow(10.0, levelAt(double(n)) / 20.0) * std::sin(2 * pi * double(n) / double(period));
    AudioData out;
    renderThrough(*plugin, ramp, out, engine);
    TransferCurve curve;
    for (size_t start = 0; start + period <= frames; start += period) {
        double high = 0.0;
        for (size_t n = start + latency; n < start + latency + period; ++n)
            high = std::max({high, std::fabs(out.channel[0][n]), std::fabs(out.channel[1][n])});
        curve.inputDb.push_back(levelAt(double(start) + 0.5 * double(period)));
        curve.outputDb.push_back(toDecibels(high));
    }
    return curve;
}

std::vector<SettingText> settingsOf(vsthost::Plugin& plugin) {
    std::vector<SettingText> settings;
    for (int i = 0; i < plugin.numParams(); ++i) {
        std::string label = plugin.parameterLabel(i);
        settings.push_back(SettingText{plugin.parameterName(i),
                                       plugin.parameterDisplay(i) + (label.empty() ? "" : " " + label),
                                       plugin.getParameter(i)});
    }
    return settings;
}

void warn(const std::string& text) {
    std::fprintf(stderr, "orvalt-render: warning: %s\n", text.c_str());
}

std::string framesText(int64_t frames, double rate) {
    char text[80];
    std::snprintf(text, sizeof text, "%lld frames (%.2f s)", static_cast<long long>(frames), double(frames) / rate);
    return text;
}

}  // namespace

void runRender(const RenderOptions& options, FILE* out) {
    const Clock::time_point started = Clock::now();
    refuseSharedFiles(filesOfRun(options));
    const bool rendering = !options.outputPath.empty();
    if (rendering) checkOutputFormat(options.outputPath, options.sampleFormat, 44100.0);

    std::unique_ptr<Source> source;
    double rate = options.demoRate;
    if (rendering) {
        source = std::make_unique<Source>(options);
        rate = source->sampleRate();
        checkOutputFormat(options.outputPath, options.sampleFormat, rate);
    }
    // Every output is prepared now: an unwritable folder fails before the work.
    Outputs outputs;
    outputs.audio = prepare(options.outputPath);
    if (rendering && options.demo) outputs.demoInput = prepare(demoInputPath(options.outputPath));
    outputs.svg = prepare(options.svgPath);
    outputs.json = prepare(options.jsonPath);
    outputs.preset = prepare(options.savePresetPath);
    outputs.bank = prepare(options.saveBankPath);

    PluginSetup setup(options);
    auto plugin = setup.createInstance(rate);
    EngineSettings engine{options.blockSize, options.doublePrecision};

    RenderReport report;
    uint64_t notFinite = 0;
    if (rendering) {
        const int latency = std::max(0, plugin->latency());
        std::unique_ptr<WaveformSummary> inputWave, outputWave;
        if (outputs.svg) {
            inputWave = std::make_unique<WaveformSummary>(svgWaveWidth);
            outputWave = std::make_unique<WaveformSummary>(svgWaveWidth);
        }
        // Measuring costs more than the plug-in: input and output are each
        // measured on a thread of their own while the next chunks are read,
        // rendered and written.
        BackgroundMeter inputMeter(source->channels(), rate, inputWave.get());
        BackgroundMeter outputMeter(2, rate, outputWave.get());
        AudioWriter writer(*outputs.audio, options.sampleFormat, options.dither, rate);
        std::unique_ptr<AudioWriter> demoWriter;
        if (outputs.demoInput)
            demoWriter = std::make_unique<AudioWriter>(*outputs.demoInput, SampleFormat::float32, Dither::none, rate);

        RenderStream stream(*plugin, engine, rate);
        stream.settle(settleSeconds);
        struct Chunk {
            std::vector<double> inL = std::vector<double>(chunkFrames), inR = std::vector<double>(chunkFrames);
            std::vector<double> storedL = std::vector<double>(chunkFrames), storedR = std::vector<double>(chunkFrames);
        } c;
        std::vector<double> outL(chunkFrames), outR(chunkFrames);
        size_t skip = options.compensateLatency ? static_cast<size_t>(latency) : 0;
        size_t tail = skip;  // silence played after the end, so the output keeps the input's length
        uint64_t pluginOver = 0;
        const double total = static_cast<double>(std::max<int64_t>(1, source->declaredFrames()));
        ProgressBar bar(!options.quiet && total / rate > progressAfterSeconds);
        for (;;) {
            size_t n = source->read(c.inL.data(), c.inR.data(), chunkFrames);
            const size_t read = n;
            if (n > 0) {
                if (demoWriter) demoWriter->write(c.inL.data(), c.inR.data(), n);
            } else if (tail > 0) {
                n = std::min(tail, chunkFrames);
                std::fill(c.inL.begin(), c.inL.begin() + long(n), 0.0);
                std::fill(c.inR.begin(), c.inR.begin() + long(n), 0.0);
                tail -= n;
            } else {
                break;
            }
            stream.process(c.inL.data(), c.inR.data(), outL.data(), outR.data(), n);
            const size_t dropped = std::min(skip, n);
            skip -= dropped;
            const size_t kept = n - dropped;
            const double* l = outL.data() + dropped;
            const double* r = outR.data() + dropped;
            for (size_t i = 0; i < kept; ++i) pluginOver += (std::fabs(l[i]) >= 1.0) + (std::fabs(r[i]) >= 1.0);
            writer.write(l, r, kept, c.storedL.data(), c.storedR.data());
            inputMeter.add(c.inL.data(), c.inR.data(), read);
            outputMeter.add(c.storedL.data(), c.storedR.data(), kept);
            bar.update(std::min(1.0, static_cast<double>(source->framesRead()) / total));
        }
        bar.finish();
        writer.close();
        if (demoWriter) demoWriter->close();

        report.inputPath = options.inputPath;
        report.inputChannels = source->channels();
        report.declaredFrames = source->declaredFrames();
        report.sampleRate = rate;
        report.outputPath = options.outputPath;
        report.format = options.sampleFormat;
        report.dithered = dithers(options.sampleFormat, options.dither);
        report.settings = settingsOf(*plugin);
        report.latency = latency;
        report.compensated = options.compensateLatency;
        report.input = inputMeter.figures();
        report.output = outputMeter.figures();
        report.pluginOverFullScale = pluginOver;
        report.clippedByFormat = writer.clippedByFormat();
        notFinite = writer.notFinite();
        report.pluginSeconds = stream.pluginSeconds();
        report.doublePrecision = options.doublePrecision;
        report.blockSize = options.blockSize;
        report.pluginName = plugin->effectName();
        report.pluginVendor = plugin->vendorString();
        report.pluginPath = options.pluginPath;

        if (outputs.svg) {
            SvgContent picture;
            picture.title = report.pluginName + ": " + (options.demo ? "demo signal" : options.inputPath);
            picture.subtitle = settingsText(report.settings);
            picture.sampleRate = rate;
            picture.frames = report.input.frames;
            picture.input = inputWave.get();
            picture.output = outputWave.get();
            picture.curve = measureCurve(setup, rate, engine);
            std::string svg = drawRenderSvg(picture);
            outputs.svg->writeAll(std::vector<unsigned char>(svg.begin(), svg.end()));
        }
    }
    if (outputs.preset) savePreset(*plugin, *outputs.preset, false);
    if (outputs.bank) savePreset(*plugin, *outputs.bank, true);
    plugin->stopProcess();
    plugin->suspend();

    report.totalSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::string json = rendering && !options.jsonPath.empty() ? jsonReport(report) : "";
    if (outputs.json) outputs.json->writeAll(std::vector<unsigned char>(json.begin(), json.end()));
    outputs.commitAll();

    // Only now, with every file in place, is there anything to report.
    if (!rendering) return;
    if (source->framesRead() < source->declaredFrames())
        warn(options.inputPath + " is shorter than its header declares: rendered the " +
             framesText(source->framesRead(), rate) + " it holds of " + framesText(source->declaredFrames(), rate) +
             " declared");
    if (report.clippedByFormat > 0)
        warn("the " + std::string(sampleFormatName(options.sampleFormat)) + " format clipped " +
             std::to_string(report.clippedByFormat) + " samples at full scale in " + options.outputPath +
             " (use --bits float to keep levels over 0 dBFS)");
    if (notFinite > 0)
        warn("the plug-in gave " + std::to_string(notFinite) + " samples that are not numbers; they were written as 0");
    if (options.jsonPath == "-") std::fputs(json.c_str(), out);
    else if (!options.quiet) printReport(out, report);
}

}  // namespace render
