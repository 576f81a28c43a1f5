#include "tools/render/renderReport.h"

#include "tools/render/signalMeasures.h"
#include "tools/render/utf8Text.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace render {
namespace {

std::string level(double amplitude, const char* unit) {
    double db = toDecibels(amplitude);
    char text[48];
    if (std::isinf(db)) std::snprintf(text, sizeof text, "-inf %s", unit);
    else std::snprintf(text, sizeof text, "%+.2f %s", db, unit);
    return text;
}

std::string loudness(double lufs) {
    if (!std::isfinite(lufs)) return "-inf LUFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f LUFS", lufs);
    return text;
}

std::string numberText(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

nlohmann::json number(double value) {
    if (!std::isfinite(value)) return nullptr;
    return value;
}

nlohmann::json levelsJson(const LevelFigures& f) {
    return {
        {"frames", f.frames},
        {"sample_peak_dbfs", number(toDecibels(f.samplePeak))},
        {"true_peak_dbtp", number(toDecibels(f.truePeak))},
        {"integrated_lufs", number(f.integratedLufs)},
        {"loudness_range_lu", number(f.loudnessRange)},
        {"max_momentary_lufs", number(f.maxMomentaryLufs)},
        {"max_short_term_lufs", number(f.maxShortTermLufs)},
        {"samples_at_or_over_0dbfs", f.overFullScale},
    };
}

// "input x +9.00 dB - output, gain-matched" or "input - output, raw".
std::string deltaFormula(const RenderReport& r) {
    if (r.deltaRaw) return "input - output, raw";
    return "input " + numberText("%+.2f dB", 20.0 * std::log10(r.deltaGain)) + " - output, gain-matched";
}

}  // namespace

std::string settingsText(const std::vector<SettingText>& settings) {
    std::string text;
    for (const SettingText& s : settings) text += (text.empty() ? "" : ", ") + s.name + " " + s.display;
    return text;
}

void printReport(FILE* out, const RenderReport& r) {
    std::fprintf(out, "plug-in:          %s (%s), %s\n", r.pluginName.c_str(), r.pluginVendor.c_str(), r.pluginPath.c_str());
    std::fprintf(out, "input:            %s, %.2f s, %.0f Hz, %s\n", r.inputPath.empty() ? "demo signal" : r.inputPath.c_str(),
                 r.seconds(), r.sampleRate, r.inputChannels == 1 ? "mono (played on both plug-in inputs)" : "stereo");
    std::fprintf(out, "output:           %s (%s%s, %s)\n", r.outputPath.c_str(), sampleFormatName(r.format),
                 r.dithered ? " with TPDF dither" : "", r.inputChannels == 1 ? "mono, the left output" : "stereo");
    std::fprintf(out, "settings:         %s\n", settingsText(r.settings).c_str());
    if (r.search.asked()) {
        std::string goal = r.search.loudness ? numberText("%.1f LUFS", r.search.targetLufs) : "";
        if (r.search.ceiling) goal += (goal.empty() ? "true peak at most " : " under ") + numberText("%.1f dBTP", r.search.ceilingDbtp);
        std::string found = (r.search.loudness ? "input " + r.search.inputDisplay : "") +
                            (r.search.loudness && r.search.ceiling ? ", " : "") +
                            (r.search.ceiling ? "limit " + r.search.limitDisplay : "");
        std::fprintf(out, "target:           %s: %s (found in %d analysis pass%s)\n", goal.c_str(), found.c_str(),
                     r.search.passes, r.search.passes == 1 ? "" : "es");
    }
    std::fprintf(out, "latency:          %d sample%s%s\n", r.latency, r.latency == 1 ? "" : "s",
                 r.latency > 0 ? (r.compensated ? " (removed: output aligned with input)" : " (kept: output delayed by it)") : "");
    std::fprintf(out, "input peak:       %s sample, %s true\n", level(r.input.samplePeak, "dBFS").c_str(),
                 level(r.input.truePeak, "dBTP").c_str());
    std::fprintf(out, "input loudness:   %s integrated, %.1f LU range\n", loudness(r.input.integratedLufs).c_str(),
                 r.input.loudnessRange);
    std::fprintf(out, "output peak:      %s sample, %s true (the file as written)\n",
                 level(r.output.samplePeak, "dBFS").c_str(), level(r.output.truePeak, "dBTP").c_str());
    std::fprintf(out, "output loudness:  %s integrated, %.1f LU range\n", loudness(r.output.integratedLufs).c_str(),
                 r.output.loudnessRange);
    if (!r.deltaPath.empty())
        std::fprintf(out, "delta:            %s (%s): %s sample, %s true, %s\n", r.deltaPath.c_str(),
                     deltaFormula(r).c_str(), level(r.delta.samplePeak, "dBFS").c_str(),
                     level(r.delta.truePeak, "dBTP").c_str(), loudness(r.delta.integratedLufs).c_str());
    std::fprintf(out, "at/over 0 dBFS:   input %llu samples, plug-in output %llu samples\n",
                 static_cast<unsigned long long>(r.input.overFullScale),
                 static_cast<unsigned long long>(r.pluginOverFullScale));
    if (r.format != SampleFormat::float32)
        std::fprintf(out, "format clipping:  %llu samples held at full scale by the %s format\n",
                     static_cast<unsigned long long>(r.clippedByFormat), sampleFormatName(r.format));
    const double seconds = r.seconds();
    std::fprintf(out, "speed:            %.1fx real time end to end (%.2f s for %.2f s); the plug-in %.2f s (%.0f%%), "
                      "%s precision, blocks of %d\n",
                 r.totalSeconds > 0 ? seconds / r.totalSeconds : 0.0, r.totalSeconds, seconds, r.pluginSeconds,
                 r.totalSeconds > 0 ? 100.0 * r.pluginSeconds / r.totalSeconds : 0.0,
                 r.doublePrecision ? "double" : "single", r.blockSize);
}

std::string jsonReport(const RenderReport& r) {
    nlohmann::json settings = nlohmann::json::object();
    for (const SettingText& s : r.settings) settings[s.name] = {{"display", s.display}, {"normalized", s.value}};
    nlohmann::json input = levelsJson(r.input);
    input["path"] = r.inputPath.empty() ? nlohmann::json(nullptr) : nlohmann::json(r.inputPath);
    input["channels"] = r.inputChannels;
    input["declared_frames"] = r.declaredFrames;
    nlohmann::json output = levelsJson(r.output);
    output["path"] = r.outputPath;
    output["channels"] = r.inputChannels;  // the output keeps the input's layout
    output["format"] = sampleFormatName(r.format);
    output["dither"] = r.dithered ? "tpdf" : "none";
    output["plugin_samples_at_or_over_0dbfs"] = r.pluginOverFullScale;  // before the format
    output["samples_clipped_by_format"] = r.clippedByFormat;
    nlohmann::json delta = nullptr;
    if (!r.deltaPath.empty()) {
        delta = levelsJson(r.delta);
        delta["path"] = r.deltaPath;
        delta["mode"] = r.deltaRaw ? "raw" : "matched";
        delta["input_gain_db"] = number(20.0 * std::log10(r.deltaGain));
    }
    nlohmann::json search = nullptr;
    if (r.search.asked()) {
        search = {{"target_lufs", number(r.search.targetLufs)}, {"ceiling_dbtp", number(r.search.ceilingDbtp)},
                  {"analysis_passes", r.search.passes}};
        if (r.search.loudness) search["input"] = r.search.inputDisplay;
        if (r.search.ceiling) search["limit"] = r.search.limitDisplay;
    }
    nlohmann::json report = {
        {"plugin", {{"name", r.pluginName}, {"vendor", r.pluginVendor}, {"path", r.pluginPath}}},
        {"input", input},
        {"output", output},
        {"delta", delta},
        {"search", search},
        {"settings", settings},
        {"latency_samples", r.latency},
        {"latency_compensated", r.compensated},
        {"sample_rate", r.sampleRate},
        {"seconds", {{"end_to_end", r.totalSeconds}, {"plugin", r.pluginSeconds}}},
        {"precision", r.doublePrecision ? "double" : "single"},
        {"block_size", r.blockSize},
    };
    for (const std::string* path : {&r.inputPath, &r.outputPath, &r.deltaPath, &r.pluginPath})
        if (!isValidUtf8(*path)) report["note"] = invalidNameNote;
    return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace render
