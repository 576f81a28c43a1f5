// The renderer's command line.
#pragma once

#include "tools/render/audioFile.h"

#include <cmath>
#include <functional>
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
    bool pluginFound = false;  // pluginPath is the default found, not --plugin
    std::string inputPath;   // empty: the built-in demo signal (with demo) or nothing; "-" standard input
    std::string outputPath;  // empty: nothing rendered (only presets saved); "-" standard output
    FileType fileType = FileType::byName;  // --format
    bool demo = false;       // --demo: render the built-in demo signal
    std::vector<ParameterAssignment> assignments;
    std::string presetPath;
    std::string savePresetPath;
    std::string saveBankPath;
    std::string svgPath;
    std::string jsonPath;  // "-" for standard output
    std::string deltaPath;  // --delta: what the processing changed
    bool deltaRaw = false;  // --delta-mode raw: input minus output, without the settings' static gain
    std::string outDir;                    // --out-dir: a batch, each input into this folder
    std::vector<std::string> batchInputs;  // the batch's inputs (this machine's share of them)
    std::string filesFrom;                 // --files-from: a list of inputs ("-": standard input)
    bool nulSeparated = false;             // -0: the list's names end with NUL, not a newline
    std::string shard;                     // --shard K/N: render only share K of N
    bool skipExisting = false;             // --skip-existing: an output already there is kept, its input skipped
    std::function<void(double)> progress;  // a batch's file: how far it is (0..1), for the batch's one bar
    double targetLufs = NAN;   // --target-lufs: NaN when not asked
    double ceilingDbtp = NAN;  // --ceiling-dbtp
    int blockSize = 512;
    bool doublePrecision = false;
    SampleFormat sampleFormat = SampleFormat::pcm24;
    Dither dither = Dither::automatic;
    double demoRate = 44100.0;
    bool compensateLatency = true;  // false with --keep-latency: the plug-in's raw output
    bool noClobber = false;  // -n: an existing output file is never replaced
    bool quiet = false;  // -q
    bool help = false;
    bool version = false;
};

// Every file the run reads or writes, named by its option ("INPUT", "--svg", ...),
// for the check that no two of them are the same file.
struct NamedPath {
    std::string option;
    std::string path;
    bool written;
};
std::vector<NamedPath> filesOfRun(const RenderOptions& options);

// Where a batch writes input: DIR/<its name>, with the extension of --format when given.
std::string batchTarget(const RenderOptions& options, const std::string& input);

// Where the demo's input signal is written: <OUTPUT stem>-input.wav beside OUTPUT.
std::string demoInputPath(const std::string& outputPath);

// Parses argv. Throws RenderError(exitUsage) for anything it cannot take.
// defaultPlugin fills pluginPath when --plugin is not given.
RenderOptions parseRenderOptions(int argc, const char* const* argv, const std::string& defaultPlugin);

// The --help text.
std::string renderUsage(const std::string& defaultPlugin);

// The known option nearest to a misspelled one ("--compensat" -> "--compensate"),
// empty when none is near.
std::string nearestOption(const std::string& unknown);

}  // namespace render
