#include "tools/render/renderOptions.h"

#include "tools/render/batchList.h"
#include "tools/render/parameterValues.h"
#include "tools/render/renderError.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace render {
namespace {

long parseInteger(const std::string& option, const std::string& text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        throw RenderError(exitUsage, option + " needs a whole number from " + std::to_string(low) + " to " +
                                         std::to_string(high) + ", not '" + text + "'");
    return value;
}

double parseNumber(const std::string& option, const std::string& text, double low, double high) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= low && value <= high))
        throw RenderError(exitUsage, option + " needs a number from " + std::to_string(int(low)) + " to " +
                                         std::to_string(int(high)) + ", not '" + text + "'");
    return value;
}

const char* const longOptions[] = {
    "--help", "--version", "--demo", "--plugin", "--set", "--set-raw", "--preset", "--save-preset", "--save-bank",
    "--svg", "--json", "--block", "--rate", "--compensate", "--keep-latency", "--delta", "--no-clobber", "--quiet", "--bits", "--dither",
    "--precision", "--format", "--target-lufs", "--ceiling-dbtp", "--out-dir", "--delta-mode", "--files-from", "--shard",
    "--skip-existing"};

bool isKnownOption(const std::string& arg) {
    const std::string name = arg.substr(0, arg.find('='));
    return name == "-n" || name == "-q" || name == "-h" || name == "-0" ||
           std::find(std::begin(longOptions), std::end(longOptions), name) != std::end(longOptions);
}

}  // namespace

std::string nearestOption(const std::string& unknown) {
    // "--bits=16" is looked up as "--bits"; "-compensate" as "--compensate".
    std::string name = unknown.substr(0, unknown.find('='));
    if (name.size() > 1 && name[1] != '-') name = "-" + name;
    return nearestName(name, std::vector<std::string>(std::begin(longOptions), std::end(longOptions)));
}

std::string demoInputPath(const std::string& outputPath) {
    size_t slash = outputPath.find_last_of('/');
    size_t dot = outputPath.find_last_of('.');
    std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? outputPath.substr(0, dot)
                           : outputPath;
    return stem + "-input.wav";
}

std::string batchTarget(const RenderOptions& options, const std::string& input) {
    const size_t slash = input.find_last_of('/');
    std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
    if (options.fileType != FileType::byName) {
        const size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
        name += std::string(".") + fileTypeName(options.fileType);
    }
    return options.outDir + (options.outDir.back() == '/' ? "" : "/") + name;
}

std::vector<NamedPath> filesOfRun(const RenderOptions& options) {
    std::vector<NamedPath> files;
    auto add = [&](const char* option, const std::string& path, bool written) {
        if (!path.empty()) files.push_back(NamedPath{option, path, written});
    };
    add("--plugin", options.pluginPath, false);
    add("--preset", options.presetPath, false);
    add("INPUT", options.inputPath, false);
    add("OUTPUT", options.outputPath, true);
    if (options.demo && !options.outputPath.empty()) add("the demo input", demoInputPath(options.outputPath), true);
    add("--svg", options.svgPath, true);
    add("--delta", options.deltaPath, true);
    add("--json", options.jsonPath, true);
    add("--save-preset", options.savePresetPath, true);
    add("--save-bank", options.saveBankPath, true);
    return files;
}

std::string renderUsage(const std::string& defaultPlugin) {
    std::string text =
        "usage: orvalt-render [OPTIONS] INPUT OUTPUT\n"
        "       orvalt-render [OPTIONS] --out-dir DIR INPUT...\n"
        "       orvalt-render [OPTIONS] --demo OUTPUT\n"
        "       orvalt-render [OPTIONS] --save-preset FILE | --save-bank FILE\n"
        "\n"
        "Renders an audio file through a VST 2.4 plug-in and reports levels, loudness and speed.\n"
        "INPUT and OUTPUT are WAV, RF64, W64, CAF, FLAC or AIFF files (by extension: .wav\n"
        ".rf64 .w64 .caf .flac .aif .aiff), at any sample rate; a WAV OUTPUT whose audio\n"
        "passes 4 GiB is written as RF64 (WAV with 64-bit sizes), an AIFF that long is\n"
        "refused before the work (exit 2). An INPUT that holds fewer frames than its\n"
        "header declares (an interrupted copy) or cannot be read to its end fails (exit 4)\n"
        "and nothing is written.\n"
        "A mono input is played on both plug-in inputs and written as\n"
        "mono (the plug-in's left output). The settings are in force from the first sample\n"
        "(the plug-in settles on 5 s of silence first), and output sample n belongs to\n"
        "input sample n: the plug-in's latency is removed and its tail played out.\n"
        "INPUT - reads standard input; OUTPUT - writes standard output (with --format; the\n"
        "report then goes to standard error).\n"
        "Output files appear only when the whole run has succeeded; no two of the files\n"
        "named may be the same file, and a write-protected file is never replaced.\n"
        "\n"
        "options:\n"
        "  --plugin PATH        the plug-in library (default: Orvalt.so beside this program,\n"
        "                       then in ~/.vst, /usr/lib/vst, /usr/local/lib/vst";
    text += defaultPlugin.empty() ? ")\n" : ";\n                       here " + defaultPlugin + ")\n";
    text +=
        "  --demo               render the built-in 8-second demo signal instead of INPUT; it is\n"
        "                       also written, as 32-bit float WAV, as <OUTPUT name>-input.wav\n"
        "  --set NAME=VALUE     a parameter in the units the plug-in displays:\n"
        "                       --set limit=-3  --set warm=on  --set input=6\n"
        "  --set-raw N=VALUE    parameter N (index or name) to a normalized value 0..1\n"
        "  --preset FILE        load a .fxp program or .fxb bank first; --set and --set-raw\n"
        "                       apply after it, in the order given\n"
        "  --save-preset FILE   write the plug-in's state as a .fxp program afterwards\n"
        "  --save-bank FILE     write the plug-in's state as a .fxb bank afterwards\n"
        "  --format wav|rf64|w64|caf|flac|aiff  OUTPUT's file type when its name does not\n"
        "                       give it (OUTPUT -); a pipe takes wav or flac, and a WAV\n"
        "                       stream states no length (ffmpeg reads it whole, libsndfile\n"
        "                       up to 4 GiB: stream longer audio as flac)\n"
        "  --target-lufs X      find the input gain for which OUTPUT's integrated loudness is\n"
        "                       X LUFS (within 0.1 LU); not with --set input\n"
        "  --ceiling-dbtp Y     find the highest limit for which OUTPUT's true peak is at most\n"
        "                       Y dBTP; not with --set limit. Both together search both\n"
        "  --bits 16|24|32|float  output sample format (default 24)\n"
        "  --dither tpdf|none   TPDF dither of one LSB when rounding to integers; the default\n"
        "                       dithers 16-bit output and leaves 24 and 32 bits undithered\n"
        "  --block N            block size 1..65536 (default 512)\n"
        "  --precision single|double  process call to use (default single)\n"
        "  --rate HZ            sample rate of the demo signal (default 44100)\n"
        "  --keep-latency       write the plug-in's raw output, delayed by its latency\n"
        "                       (the input's length; --compensate, the default, is accepted)\n"
        "  -n, --no-clobber     never replace an existing file\n"
        "  --svg FILE           draw input, output and the static transfer curve\n"
        "  --delta FILE         also write what the processing took away (float): the input\n"
        "                       times the settings' static gain (input, and make-up with\n"
        "                       clip on) minus the output, silence where nothing clipped\n"
        "                       with warm off; and report its peak and loudness\n"
        "  --delta-mode matched|raw  raw: the plain input minus output (input = output +\n"
        "                       delta); matched, the gain-matched delta, is the default\n"
        "  --json FILE          write the report as one JSON object (- for standard output,\n"
        "                       which then holds only the JSON); for a batch, an array\n"
        "  --out-dir DIR        a batch: render each INPUT... to DIR/<its name> (the extension\n"
        "                       of --format if given), one file per core; a file that fails\n"
        "                       does not stop the others, the exit status is the first failure's\n"
        "  --files-from FILE    a batch's INPUT... also from FILE (- for standard input), one\n"
        "                       name per line\n"
        "  -0                   the names in --files-from end with NUL (find -print0), not a newline\n"
        "  --shard K/N          render only this machine's share K of N of the batch's inputs:\n"
        "                       a file's share follows from its name, the same in every run\n"
        "  --skip-existing      an output already in DIR is kept and its input skipped (a\n"
        "                       batch resumed; outputs appear only complete)\n"
        "  -q, --quiet          no progress bar and no report (warnings and failures still appear)\n"
        "  --version            the version\n"
        "  --help               this text (given on standard error when run without arguments)\n"
        "  --                   the end of the options: every argument after it is a file name\n"
        "\n"
        "metadata: a WAV input's bext (with its time reference and coding history), INFO tags,\n"
        "  cue points with labels and iXML go into WAV output, the bext with the loudness of\n"
        "  the file as written; FLAC takes the cue points as a cue sheet and the INFO tags\n"
        "  Vorbis comments name; what cannot be carried is named on standard error\n"
        "\n"
        "exit codes:\n"
        "  0 success\n"
        "  1 any other failure\n"
        "  2 bad command line, two of the files named are the same file, or OUTPUT is a folder\n"
        "  3 unknown parameter name, or a value it cannot show or out of its range\n"
        "  4 input file missing, unreadable or in an unsupported format\n"
        "  5 output cannot be written (write-protected, exists with -n, disk full, ...), its\n"
        "    format is unsupported, or standard output failed\n"
        "  6 preset file unreadable, not a preset, for another plug-in, or refused by it\n"
        "  7 plug-in cannot be loaded, created or run as asked\n"
        "  8 --target-lufs or --ceiling-dbtp cannot be met inside the parameters' ranges\n"
        "  128+N ended by signal N (129 HUP, 130 INT, 131 QUIT, 141 PIPE, 143 TERM, ...); no\n"
        "    temporary file is left behind and every existing file keeps its contents (after\n"
        "    ABRT, SEGV, BUS, IO, real-time and other signals too, which then end the process\n"
        "    as they would have)\n"
        "Every report is written before any file is put in place; each output reaches the\n"
        "disk before its name does.\n";
    return text;
}

// What "-" may stand for, and the file type an OUTPUT needs.
static void checkStandardStreams(const RenderOptions& options) {
    const bool toStandardOutput = options.outputPath == "-";
    if (toStandardOutput && options.fileType == FileType::byName)
        throw RenderError(exitUsage, "OUTPUT - (standard output) needs --format wav, rf64, w64, caf, flac or aiff");
    if (toStandardOutput && options.demo)
        throw RenderError(exitUsage, "--demo writes its input beside OUTPUT: give OUTPUT a file name, not -");
    if (toStandardOutput && options.jsonPath == "-")
        throw RenderError(exitUsage, "OUTPUT and --json cannot both be standard output");
    if (options.fileType != FileType::byName && options.outputPath.empty() && options.outDir.empty())
        throw RenderError(exitUsage, "--format needs an OUTPUT to render");
    if (extensionDisagrees(options.outputPath, options.fileType))
        throw RenderError(exitUsage, "--format and the extension of " + options.outputPath + " disagree");
    for (const std::string* path : {&options.pluginPath, &options.presetPath})
        if (*path == "-") throw RenderError(exitUsage, "- (standard input) is for INPUT only");
    for (const std::string* path : {&options.svgPath, &options.deltaPath, &options.savePresetPath, &options.saveBankPath})
        if (*path == "-") throw RenderError(exitUsage, "- (standard output) is for OUTPUT and --json only");
}

RenderOptions parseRenderOptions(int argc, const char* const* argv, const std::string& defaultPlugin) {
    RenderOptions options;
    std::vector<std::string> positional;
    bool rateGiven = false, ditherGiven = false, optionsEnded = false, deltaModeGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        // "--json --quiet" is a forgotten value, not a file named --quiet.
        auto value = [&]() -> std::string {
            if (i + 1 >= argc || isKnownOption(argv[i + 1]) || std::string(argv[i + 1]) == "--")
                throw RenderError(exitUsage, arg + " needs a value");
            return argv[++i];
        };
        // An unset variable in a script gives an empty name: never "no file".
        auto pathValue = [&]() -> std::string {
            std::string path = value();
            if (path.empty()) throw RenderError(exitUsage, arg + " was given an empty file name");
            return path;
        };
        auto assignment = [&](bool raw) {
            std::string text = value(), name, v;
            if (!splitAssignment(text, name, v)) throw RenderError(exitUsage, arg + " needs NAME=VALUE, not '" + text + "'");
            return ParameterAssignment{name, v, raw};
        };
        if (optionsEnded) positional.push_back(arg);
        else if (arg == "--") optionsEnded = true;  // what follows is file names, whatever they start with
        else if (arg == "--help" || arg == "-h") options.help = true;
        else if (arg == "--version") options.version = true;
        else if (arg == "--demo") options.demo = true;
        else if (arg == "--plugin") options.pluginPath = pathValue();
        else if (arg == "--set") options.assignments.push_back(assignment(false));
        else if (arg == "--set-raw") options.assignments.push_back(assignment(true));
        else if (arg == "--preset") options.presetPath = pathValue();
        else if (arg == "--save-preset") options.savePresetPath = pathValue();
        else if (arg == "--save-bank") options.saveBankPath = pathValue();
        else if (arg == "--svg") options.svgPath = pathValue();
        else if (arg == "--json") options.jsonPath = pathValue();
        else if (arg == "--delta") options.deltaPath = pathValue();
        else if (arg == "--out-dir") options.outDir = pathValue();
        else if (arg == "--files-from") options.filesFrom = value();
        else if (arg == "-0") options.nulSeparated = true;
        else if (arg == "--shard") options.shard = value();
        else if (arg == "--skip-existing") options.skipExisting = true;
        else if (arg == "--target-lufs") options.targetLufs = parseNumber(arg, value(), -70, 0);
        else if (arg == "--ceiling-dbtp") options.ceilingDbtp = parseNumber(arg, value(), -30, 6);
        else if (arg == "--block") options.blockSize = static_cast<int>(parseInteger(arg, value(), 1, 65536));
        else if (arg == "--rate") {
            options.demoRate = static_cast<double>(parseInteger(arg, value(), 1000, 768000));
            rateGiven = true;
        } else if (arg == "--compensate") options.compensateLatency = true;  // the default; still accepted
        else if (arg == "--keep-latency") options.compensateLatency = false;
        else if (arg == "-n" || arg == "--no-clobber") options.noClobber = true;
        else if (arg == "-q" || arg == "--quiet") options.quiet = true;
        else if (arg == "--bits") {
            std::string text = value();
            if (!parseSampleFormat(text, options.sampleFormat))
                throw RenderError(exitUsage, "--bits takes 16, 24, 32 or float, not '" + text + "'");
        } else if (arg == "--format") {
            std::string text = value();
            if (!parseFileType(text, options.fileType))
                throw RenderError(exitUsage, "--format takes wav, rf64, w64, caf, flac or aiff, not '" + text + "'");
        } else if (arg == "--dither") {
            std::string text = value();
            if (text != "tpdf" && text != "none")
                throw RenderError(exitUsage, "--dither takes tpdf or none, not '" + text + "'");
            options.dither = text == "tpdf" ? Dither::tpdf : Dither::none;
            ditherGiven = true;
        } else if (arg == "--delta-mode") {
            std::string text = value();
            if (text != "matched" && text != "raw")
                throw RenderError(exitUsage, "--delta-mode takes matched or raw, not '" + text + "'");
            options.deltaRaw = text == "raw";
            deltaModeGiven = true;
        } else if (arg == "--precision") {
            std::string text = value();
            if (text != "single" && text != "double")
                throw RenderError(exitUsage, "--precision takes single or double, not '" + text + "'");
            options.doublePrecision = text == "double";
        } else if (arg.size() > 1 && arg[0] == '-') {
            const std::string near = nearestOption(arg);
            throw RenderError(exitUsage, "unknown option '" + arg + "'" +
                                             (near.empty() ? " (see --help)" : " (did you mean " + near + "?)"));
        } else {
            positional.push_back(arg);
        }
    }
    for (const std::string& name : positional)
        if (name.empty()) throw RenderError(exitUsage, "an empty file name was given (an unset variable?)");
    if (options.help || options.version) return options;
    if (options.outDir.empty() && (!options.filesFrom.empty() || !options.shard.empty() || options.skipExisting))
        throw RenderError(exitUsage, "--files-from, --shard and --skip-existing are for a batch: give --out-dir DIR");
    if (options.nulSeparated && options.filesFrom.empty()) throw RenderError(exitUsage, "-0 describes --files-from: give one");
    const bool saving = !options.savePresetPath.empty() || !options.saveBankPath.empty();
    if (!options.outDir.empty()) {
        if (options.demo || !options.svgPath.empty() || !options.deltaPath.empty() || saving)
            throw RenderError(exitUsage, "--demo, --svg, --delta, --save-preset and --save-bank name one file each: "
                                         "not for a batch (--out-dir)");
        if (positional.empty() && options.filesFrom.empty())
            throw RenderError(exitUsage, "no INPUT given: orvalt-render [OPTIONS] --out-dir DIR INPUT...");
        for (const std::string& input : positional)
            if (input == "-") throw RenderError(exitUsage, "- (standard input) cannot be part of a batch (--out-dir)");
        options.batchInputs = positional;
        if (!options.filesFrom.empty()) {
            for (std::string& input : readFileList(options.filesFrom, options.nulSeparated)) {
                if (input == "-") throw RenderError(exitUsage, "- (standard input) cannot be part of a batch (--out-dir)");
                options.batchInputs.push_back(std::move(input));
            }
        }
        if (!options.shard.empty()) {
            const Shard share = parseShard(options.shard);
            std::vector<std::string> mine;
            for (std::string& input : options.batchInputs)
                if (inShard(input, share)) mine.push_back(std::move(input));
            options.batchInputs = std::move(mine);
        }
    } else if (options.demo) {
        if (positional.size() > 1)
            throw RenderError(exitUsage, "--demo renders the built-in signal: give only OUTPUT, not an INPUT");
        if (positional.empty()) throw RenderError(exitUsage, "no OUTPUT given for --demo (see --help)");
        options.outputPath = positional[0];
    } else if (positional.size() == 2) {
        options.inputPath = positional[0];
        options.outputPath = positional[1];
    } else if (positional.size() == 1) {
        throw RenderError(exitUsage, "no OUTPUT given: orvalt-render INPUT OUTPUT, or --demo OUTPUT for the demo");
    } else if (positional.size() > 2) {
        throw RenderError(exitUsage, "too many file names (give INPUT and OUTPUT)");
    } else if (!saving) {
        throw RenderError(exitUsage, "no OUTPUT given (see --help)");
    }
    if (rateGiven && !options.demo) throw RenderError(exitUsage, "--rate sets the demo signal's rate; an input file keeps its own");
    if (options.outputPath.empty() && !options.svgPath.empty())
        throw RenderError(exitUsage, "--svg needs an OUTPUT to render");
    if (options.outputPath.empty() && !options.deltaPath.empty())
        throw RenderError(exitUsage, "--delta needs an OUTPUT to render");
    if (deltaModeGiven && options.deltaPath.empty()) throw RenderError(exitUsage, "--delta-mode needs --delta FILE");
    if (!options.deltaPath.empty() && !options.compensateLatency)
        throw RenderError(exitUsage, "--delta pairs each output sample with its input sample: leave out --keep-latency");
    const bool batch = !options.outDir.empty();
    if (options.outputPath.empty() && !batch && (!std::isnan(options.targetLufs) || !std::isnan(options.ceilingDbtp)))
        throw RenderError(exitUsage, "--target-lufs and --ceiling-dbtp need an OUTPUT to render");
    if (options.inputPath == "-" && (!std::isnan(options.targetLufs) || !std::isnan(options.ceilingDbtp)))
        throw RenderError(exitUsage, "--target-lufs and --ceiling-dbtp read INPUT several times: give a file, not -");
    if (options.outputPath.empty() && !batch && !options.jsonPath.empty())
        throw RenderError(exitUsage, "--json needs an OUTPUT to render");
    checkStandardStreams(options);
    if (ditherGiven && options.sampleFormat == SampleFormat::float32)
        throw RenderError(exitUsage, "--dither applies to 16-, 24- and 32-bit output, not to float");
    if (options.pluginPath.empty()) {
        options.pluginPath = defaultPlugin;
        options.pluginFound = true;
    }
    if (options.pluginPath.empty())
        throw RenderError(exitUsage, "no plug-in given, and no Orvalt.so beside orvalt-render, in ~/.vst, /usr/lib/vst "
                                     "or /usr/local/lib/vst (use --plugin PATH)");
    return options;
}

}  // namespace render
