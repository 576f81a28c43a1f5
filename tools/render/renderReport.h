// What a render did, as text for people and as JSON for scripts. Every
// output figure describes the file as written.
#pragma once

#include "tools/render/audioFile.h"
#include "tools/render/levelMeter.h"
#include "tools/render/loudnessTarget.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace render {

struct SettingText {
    std::string name;
    std::string display;  // the plug-in's display text, with its unit
    float value;          // normalized
};

struct RenderReport {
    std::string pluginName, pluginVendor, pluginPath;
    std::string inputPath;  // empty for the demo signal
    int inputChannels = 2;
    int64_t declaredFrames = 0;  // the input header's length
    double sampleRate = 0;
    std::string outputPath;
    SampleFormat format = SampleFormat::pcm24;
    bool dithered = false;
    std::vector<SettingText> settings;
    int latency = 0;
    bool compensated = false;
    LevelFigures input, output;       // output: the file as written
    TargetSearch search;              // --target-lufs, --ceiling-dbtp
    std::string deltaPath;            // empty: no --delta
    LevelFigures delta;               // input times deltaGain minus output, as written
    bool deltaRaw = false;            // --delta-mode raw: deltaGain is 1
    double deltaGain = 1.0;           // the settings' static gain (matched), or 1 (raw)
    uint64_t pluginOverFullScale = 0; // samples the plug-in gave at or over 0 dBFS
    uint64_t clippedByFormat = 0;     // of those, held at full scale by an integer format
    double totalSeconds = 0, pluginSeconds = 0;
    bool doublePrecision = false;
    int blockSize = 0;

    double seconds() const { return sampleRate > 0 ? static_cast<double>(input.frames) / sampleRate : 0.0; }
};

// The settings line: "input +6.00 dB, warm on, ...".
std::string settingsText(const std::vector<SettingText>& settings);

void printReport(FILE* out, const RenderReport& report);

// One JSON object; minus infinity (silence) is null. A file name that is
// not valid UTF-8 is shown with U+FFFD for its invalid bytes, and the object
// then holds "note": invalidNameNote.
constexpr const char* invalidNameNote =
    "a file name is not valid UTF-8: each byte that does not decode is shown as U+FFFD";
std::string jsonReport(const RenderReport& report);

}  // namespace render
