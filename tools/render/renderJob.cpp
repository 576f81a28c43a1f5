#include "tools/render/renderJob.h"

#include "tools/render/atomicOutput.h"
#include "tools/render/audioFile.h"
#include "tools/render/audioSource.h"
#include "tools/render/chunkMeasuring.h"
#include "tools/render/deltaOutput.h"
#include "tools/render/fileIdentity.h"
#include "tools/render/levelMeter.h"
#include "tools/render/loudnessTarget.h"
#include "tools/render/metadataCarry.h"
#include "tools/render/pluginPresets.h"
#include "tools/render/pluginSetup.h"
#include "tools/render/progressBar.h"
#include "tools/render/renderEngine.h"
#include "tools/render/renderError.h"
#include "tools/render/renderReport.h"
#include "tools/render/signalMeasures.h"
#include "tools/render/staticGain.h"
#include "tools/render/svgPlot.h"
#include "tools/render/waveformSummary.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdio_ext.h>

namespace render {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double progressAfterSeconds = 5.0;  // shorter files finish before a bar helps
constexpr size_t chunkFrames = 32768;         // frames read, rendered and written at a time
constexpr double rampSeconds = 2.0;
constexpr double rampLowDb = -36.0, rampHighDb = 6.0;  // +6 dBFS: well into any clipper's ceiling

// Every output file of the run, held as temporaries until all are complete.
struct Outputs {
    std::unique_ptr<AtomicOutput> audio, demoInput, svg, json, preset, bank, delta;
    // All or none: with -n, a file that appeared meanwhile at one target
    // takes back the outputs already put where nothing was.
    void commitAll() {
        TerminatingSignalsHeld held;  // a signal now waits until the renames are done
        CommitGroup together;
        std::vector<AtomicOutput*> placed;
        try {
            for (auto* o : {&audio, &demoInput, &svg, &json, &preset, &bank, &delta})
                if (*o) (*o)->commit(), placed.push_back(o->get());
        } catch (...) {
            for (AtomicOutput* o : placed) o->withdrawCommit();
            throw;
        }
    }
};

// The output file for path; none when the path is empty (not asked for) or
// is a "-" printed at the end rather than streamed (--json -).
std::unique_ptr<AtomicOutput> prepare(const std::string& path, const RenderOptions& options, bool streamed = false) {
    if (path.empty() || (path == "-" && !streamed)) return nullptr;
    return std::make_unique<AtomicOutput>(path, !options.noClobber);
}

// What streaming the audio found out, for the report and the picture.
struct StreamResult {
    int latency = 0;
    LevelFigures input, output;        // output: the file as written
    LevelFigures delta;                // with --delta
    double deltaGain = 1.0;            // what the delta multiplies the input by
    uint64_t pluginOverFullScale = 0;  // samples the plug-in gave at or over 0 dBFS
    uint64_t clippedByFormat = 0, notFinite = 0;
    double pluginSeconds = 0;
    std::unique_ptr<WaveformSummary> inputWave, outputWave;  // with a picture only
};

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

// The delta is float whatever the output's format; with the input's length
// known, one too long for its container is refused too.
void checkDeltaFormat(const RenderOptions& options, double rate, const Source* source = nullptr) {
    if (options.deltaPath.empty()) return;
    try {
        checkOutputFormat(options.deltaPath, SampleFormat::float32, rate);
        if (source) containerFor(options.deltaPath, FileType::byName, SampleFormat::float32, source->channels(),
                                 source->expectedFrames());
    } catch (const RenderError& e) {
        const bool format = e.code() == exitOutput;
        throw RenderError(e.code(), std::string("--delta: ") + e.what() + (format ? " (the delta is float: use .wav or .aiff)" : ""));
    }
}

// Every output is prepared before the work: an unwritable folder fails first.
Outputs prepareOutputs(const RenderOptions& options, bool rendering) {
    Outputs outputs;
    outputs.audio = prepare(options.outputPath, options, true);
    if (rendering && options.demo) outputs.demoInput = prepare(demoInputPath(options.outputPath), options);
    outputs.svg = prepare(options.svgPath, options);
    outputs.delta = prepare(options.deltaPath, options);
    outputs.json = prepare(options.jsonPath, options);
    outputs.preset = prepare(options.savePresetPath, options);
    outputs.bank = prepare(options.saveBankPath, options);
    return outputs;
}

// Fills c with the next frames to render: the source's (copied to the demo's
// input file), then tail frames of silence so the output keeps the input's
// length. Returns how many (0 at the end); read says how many came from the source.
size_t nextInput(Source& source, ChunkMeasuring::Chunk& c, size_t& tail, AudioWriter* demoWriter, size_t& read) {
    size_t n = read = source.read(c.inL.data(), c.inR.data(), chunkFrames);
    if (n > 0) {
        if (demoWriter) demoWriter->write(c.inL.data(), c.inR.data(), n);
    } else if (tail > 0) {
        n = std::min(tail, chunkFrames);
        std::fill(c.inL.begin(), c.inL.begin() + long(n), 0.0);
        std::fill(c.inR.begin(), c.inR.begin() + long(n), 0.0);
        tail -= n;
    }
    return n;
}

// Reads, renders, writes and measures the whole input, chunk by chunk.
StreamResult streamAudio(const RenderOptions& options, Source& source, vsthost::Plugin& plugin,
                         const EngineSettings& engine, Outputs& outputs) {
    const double rate = source.sampleRate();
    StreamResult result;
    result.latency = std::max(0, plugin.latency());
    ChunkMeasuring measuring(chunkFrames, source.channels(), rate, outputs.svg != nullptr);
    MetadataCarry metadata(options.demo ? "" : options.inputPath, options.compensateLatency ? 0 : result.latency);
    // The output keeps the input's length, whether the latency is removed or kept.
    const int64_t frames = source.expectedFrames();
    AudioWriter writer(*outputs.audio, options.sampleFormat, options.dither, rate, options.fileType,
                       source.channels(), frames);
    metadata.beforeAudio(writer, *outputs.audio);
    std::unique_ptr<AudioWriter> demoWriter;
    if (outputs.demoInput)
        demoWriter = std::make_unique<AudioWriter>(*outputs.demoInput, SampleFormat::float32, Dither::none, rate,
                                                   FileType::byName, 2, frames);
    std::unique_ptr<DeltaOutput> delta;
    result.deltaGain = options.deltaRaw ? 1.0 : staticGainOf(plugin);
    if (outputs.delta)
        delta = std::make_unique<DeltaOutput>(*outputs.delta, source.channels(), rate, result.deltaGain, frames);

    RenderStream stream(plugin, engine, rate);
    stream.settle(settleSeconds);
    std::vector<double> outL(chunkFrames), outR(chunkFrames);
    size_t skip = options.compensateLatency ? static_cast<size_t>(result.latency) : 0;
    size_t tail = skip;
    const double total = static_cast<double>(std::max<int64_t>(1, source.declaredFrames()));
    ProgressBar bar(!options.quiet && total / rate > progressAfterSeconds);
    for (size_t k = 0;; ++k) {
        ChunkMeasuring::Chunk& c = measuring.chunk(k);
        size_t read = 0;
        const size_t n = nextInput(source, c, tail, demoWriter.get(), read);
        if (n == 0) break;
        stream.process(c.inL.data(), c.inR.data(), outL.data(), outR.data(), n);
        const size_t dropped = std::min(skip, n);
        skip -= dropped;
        const size_t kept = n - dropped;
        const double* l = outL.data() + dropped;
        const double* r = outR.data() + dropped;
        const bool stereo = source.channels() == 2;
        for (size_t i = 0; i < kept; ++i)
            result.pluginOverFullScale += (std::fabs(l[i]) >= 1.0) + (stereo && std::fabs(r[i]) >= 1.0);
        writer.write(l, r, kept, c.storedL.data(), c.storedR.data());
        if (delta) {
            delta->addInput(c.inL.data(), c.inR.data(), read);
            delta->addOutput(c.storedL.data(), c.storedR.data(), kept);
        }
        measuring.measure(k, read, kept);
        bar.update(std::min(1.0, static_cast<double>(source.framesRead()) / total));
        if (options.progress) options.progress(std::min(1.0, static_cast<double>(source.framesRead()) / total));
    }
    measuring.finish();
    bar.finish();
    writer.close();
    if (demoWriter) demoWriter->close();
    if (delta) {
        delta->close();
        result.delta = delta->figures();
    }

    result.input = measuring.inputFigures();
    result.output = measuring.outputFigures();
    metadata.afterAudio(result.output);
    result.clippedByFormat = writer.clippedByFormat();
    result.notFinite = writer.notFinite();
    result.pluginSeconds = stream.pluginSeconds();
    result.inputWave = std::move(measuring.inputWave);
    result.outputWave = std::move(measuring.outputWave);
    return result;
}

RenderReport reportOf(const RenderOptions& options, const Source& source, vsthost::Plugin& plugin,
                      const StreamResult& streamed) {
    RenderReport report;
    report.inputPath = options.inputPath;
    report.inputChannels = source.channels();
    report.declaredFrames = source.declaredFrames();
    report.sampleRate = source.sampleRate();
    report.outputPath = options.outputPath;
    report.format = options.sampleFormat;
    report.dithered = dithers(options.sampleFormat, options.dither);
    report.settings = settingsOf(plugin);
    report.latency = streamed.latency;
    report.compensated = options.compensateLatency;
    report.input = streamed.input;
    report.output = streamed.output;
    report.deltaPath = options.deltaPath;
    report.delta = streamed.delta;
    report.deltaRaw = options.deltaRaw;
    report.deltaGain = streamed.deltaGain;
    report.pluginOverFullScale = streamed.pluginOverFullScale;
    report.clippedByFormat = streamed.clippedByFormat;
    report.pluginSeconds = streamed.pluginSeconds;
    report.doublePrecision = options.doublePrecision;
    report.blockSize = options.blockSize;
    report.pluginName = plugin.effectName();
    report.pluginVendor = plugin.vendorString();
    report.pluginPath = options.pluginPath;
    return report;
}

// The waveforms of both sides and the static curve, into the --svg file.
void drawPicture(const RenderOptions& options, const RenderReport& report, const StreamResult& streamed,
                 PluginSetup& setup, const EngineSettings& engine, AtomicOutput& svgFile) {
    SvgContent picture;
    picture.title = report.pluginName + ": " + (options.demo ? "demo signal" : options.inputPath);
    picture.subtitle = settingsText(report.settings);
    picture.sampleRate = report.sampleRate;
    picture.frames = report.input.frames;
    picture.input = streamed.inputWave.get();
    picture.output = streamed.outputWave.get();
    picture.curve = measureCurve(setup, report.sampleRate, engine);
    std::string svg = drawRenderSvg(picture);
    svgFile.writeAll(std::vector<unsigned char>(svg.begin(), svg.end()));
}

// Saves the presets, switches the plug-in off and writes the JSON file.
// Returns the JSON text (empty without a render or --json).
std::string finishOutputs(const RenderOptions& options, vsthost::Plugin& plugin, RenderReport& report,
                          Outputs& outputs, bool rendering, Clock::time_point started) {
    if (outputs.preset) savePreset(plugin, *outputs.preset, false);
    if (outputs.bank) savePreset(plugin, *outputs.bank, true);
    plugin.switchOff();

    report.totalSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::string json = rendering && !options.jsonPath.empty() ? jsonReport(report) : "";
    if (outputs.json) outputs.json->writeAll(std::vector<unsigned char>(json.begin(), json.end()));
    return json;
}

// A report that did not arrive fails the run before any file is put in place.
void checkReportArrived(FILE* out) {
    if (std::fflush(out) == 0 && !std::ferror(out)) return;
    const int error = errno;
    __fpurge(out);  // told once, here: what did not arrive is dropped
    std::clearerr(out);
    throw RenderError(exitOutput, std::string("cannot write standard output: ") + std::strerror(error) +
                                      "; nothing was written");
}

// Everything is told before the files are put in place (see checkReportArrived).
void tellAfterwards(const RenderOptions& options, const RenderReport& report, uint64_t notFinite,
                    const std::string& json, FILE* out) {
    if (report.clippedByFormat > 0)
        warn("the " + std::string(sampleFormatName(options.sampleFormat)) + " format clipped " +
             std::to_string(report.clippedByFormat) + " samples at full scale in " + options.outputPath +
             " (use --bits float to keep levels over 0 dBFS)");
    if (notFinite > 0)
        warn("the plug-in gave " + std::to_string(notFinite) + " samples that are not numbers; they were written as 0");
    if (options.jsonPath == "-") std::fputs(json.c_str(), out);
    else if (!options.quiet) printReport(options.outputPath == "-" ? stderr : out, report);  // out may hold the audio
}

}  // namespace

void runRender(const RenderOptions& options, FILE* out, RenderReport* done) {
    const Clock::time_point started = Clock::now();
    refuseSharedFiles(filesOfRun(options));
    refuseUnusablePaths(filesOfRun(options));
    const bool rendering = !options.outputPath.empty();
    auto checkFormats = [&](double rate) {
        if (rendering) checkOutputFormat(options.outputPath, options.sampleFormat, rate, options.fileType);
        checkDeltaFormat(options, rate);
    };
    std::unique_ptr<Source> source;
    // An output that cannot be written fails before the input is read; its
    // message names the input's own rate, so the input is opened to find it.
    try {
        checkFormats(options.demo ? options.demoRate : 44100.0);
    } catch (const RenderError& atDefaultRate) {
        if (!rendering || options.demo) throw;
        const RenderError first = atDefaultRate;
        try {
            source = std::make_unique<Source>(options);
        } catch (const RenderError&) {
            throw first;  // the output's fault is told first, as always
        }
    }
    double rate = options.demoRate;
    if (rendering) {
        if (!source) source = std::make_unique<Source>(options);
        rate = source->sampleRate();
        checkFormats(rate);
        containerFor(options.outputPath, options.fileType, options.sampleFormat, source->channels(),
                     source->expectedFrames());  // an AIFF too long for its sizes is refused before the work
        checkDeltaFormat(options, rate, source.get());
    }
    Outputs outputs = prepareOutputs(options, rendering);

    TargetSearch search;
    const RenderOptions found = searchTargets(options, search);  // the settings found, or options as they are
    PluginSetup setup(found);
    auto plugin = setup.createInstance(rate);
    EngineSettings engine{options.blockSize, options.doublePrecision};

    RenderReport report;
    StreamResult streamed;
    if (rendering) {
        streamed = streamAudio(options, *source, *plugin, engine, outputs);
        report = reportOf(options, *source, *plugin, streamed);
        report.search = search;
        if (search.asked()) checkTargetsMet(search, report.output);
        if (outputs.svg) drawPicture(options, report, streamed, setup, engine, *outputs.svg);
    }
    const std::string json = finishOutputs(options, *plugin, report, outputs, rendering, started);
    if (rendering) tellAfterwards(options, report, streamed.notFinite, json, out);
    checkReportArrived(out);
    outputs.commitAll();
    if (done) *done = report;
}

}  // namespace render
