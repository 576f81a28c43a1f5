#include "tools/render/renderOptions.h"

#include "tools/render/parameterValues.h"
#include "tools/render/renderError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

}  // namespace

std::string demoInputPath(const std::string& outputPath) {
    size_t slash = outputPath.find_last_of('/');
    size_t dot = outputPath.find_last_of('.');
    std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? outputPath.substr(0, dot)
                           : outputPath;
    return stem + "-input.wav";
}

std::vector<NamedPath> filesOfRun(const RenderOptions& options) {
    std::vector<NamedPath> files;
    auto add = [&](const char* option, const std::string& path, bool written) {
        if (!path.empty() && !(written && path == "-")) files.push_back(NamedPath{option, path, written});
    };
    add("--plugin", options.pluginPath, false);
    add("--preset", options.presetPath, false);
    add("INPUT", options.inputPath, false);
    add("OUTPUT", options.outputPath, true);
    if (options.demo && !options.outputPath.empty()) add("the demo input", demoInputPath(options.outputPath), true);
    add("--svg", options.svgPath, true);
    add("--json", options.jsonPath, true);
    add("--save-preset", options.savePresetPath, true);
    add("--save-bank", options.saveBankPath, true);
    return files;
}

std::string renderUsage(const std::string& defaultPlugin) {
    std::string text =
        "usage: orvalt-render [OPTIONS] INPUT OUTPUT\n"
        "       orvalt-render [OPTIONS] --demo OUTPUT\n"
        "       orvalt-render [OPTIONS] --save-preset FILE | --save-bank FILE\n"
        "\n"
        "Renders an audio file through a VST 2.4 plug-in and reports levels, loudness and speed.\n"
        "INPUT and OUTPUT are WAV, FLAC or AIFF files (by extension: .wav .flac .aif .aiff),\n"
        "at any sample rate; a mono input is played on both channels. The settings are in\n"
        "force from the first sample (the plug-in settles on 5 s of silence first).\n"
        "Output files appear only when the whole run has succeeded; no two of the files\n"
        "named may be the same file.\n"
        "\n"
        "options:\n"
        "  --plugin PATH        the plug-in library";
    text += defaultPlugin.empty() ? " (required)\n" : "\n                       (default " + defaultPlugin + ")\n";
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
        "  --bits 16|24|32|float  output sample format (default 24)\n"
        "  --dither tpdf|none   TPDF dither of one LSB when rounding to integers; the default\n"
        "                       dithers 16-bit output and leaves 24 and 32 bits undithered\n"
        "  --block N            block size 1..65536 (default 512)\n"
        "  --precision single|double  process call to use (default single)\n"
        "  --rate HZ            sample rate of the demo signal (default 44100)\n"
        "  --compensate         remove the plug-in's latency, keeping the length\n"
        "  --svg FILE           draw input, output and the static transfer curve\n"
        "  --json FILE          write the report as one JSON object (- for standard output,\n"
        "                       which then holds only the JSON)\n"
        "  --quiet              no progress bar and no report (warnings still appear)\n"
        "  --version            the version\n"
        "  --help               this text\n"
        "\n"
        "exit codes:\n"
        "  0 success\n"
        "  1 any other failure\n"
        "  2 bad command line, or two of the files named are the same file\n"
        "  3 unknown parameter name, or a value it cannot show or out of its range\n"
        "  4 input file missing, unreadable or in an unsupported format\n"
        "  5 output cannot be written, or its format is unsupported\n"
        "  6 preset file unreadable, not a preset, for another plug-in, or refused by it\n"
        "  7 plug-in cannot be loaded, created or run as asked\n"
        "  130, 143 interrupted (SIGINT, SIGTERM); no output is left behind\n";
    return text;
}

RenderOptions parseRenderOptions(int argc, const char* const* argv, const std::string& defaultPlugin) {
    RenderOptions options;
    std::vector<std::string> positional;
    bool rateGiven = false, ditherGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw RenderError(exitUsage, arg + " needs a value");
            return argv[++i];
        };
        auto assignment = [&](bool raw) {
            std::string text = value(), name, v;
            if (!splitAssignment(text, name, v)) throw RenderError(exitUsage, arg + " needs NAME=VALUE, not '" + text + "'");
            return ParameterAssignment{name, v, raw};
        };
        if (arg == "--help" || arg == "-h") options.help = true;
        else if (arg == "--version") options.version = true;
        else if (arg == "--demo") options.demo = true;
        else if (arg == "--plugin") options.pluginPath = value();
        else if (arg == "--set") options.assignments.push_back(assignment(false));
        else if (arg == "--set-raw") options.assignments.push_back(assignment(true));
        else if (arg == "--preset") options.presetPath = value();
        else if (arg == "--save-preset") options.savePresetPath = value();
        else if (arg == "--save-bank") options.saveBankPath = value();
        else if (arg == "--svg") options.svgPath = value();
        else if (arg == "--json") options.jsonPath = value();
        else if (arg == "--block") options.blockSize = static_cast<int>(parseInteger(arg, value(), 1, 65536));
        else if (arg == "--rate") {
            options.demoRate = static_cast<double>(parseInteger(arg, value(), 1000, 768000));
            rateGiven = true;
        } else if (arg == "--compensate") options.compensateLatency = true;
        else if (arg == "--quiet") options.quiet = true;
        else if (arg == "--bits") {
            std::string text = value();
            if (!parseSampleFormat(text, options.sampleFormat))
                throw RenderError(exitUsage, "--bits takes 16, 24, 32 or float, not '" + text + "'");
        } else if (arg == "--dither") {
            std::string text = value();
            if (text != "tpdf" && text != "none")
                throw RenderError(exitUsage, "--dither takes tpdf or none, not '" + text + "'");
            options.dither = text == "tpdf" ? Dither::tpdf : Dither::none;
            ditherGiven = true;
        } else if (arg == "--precision") {
            std::string text = value();
            if (text != "single" && text != "double")
                throw RenderError(exitUsage, "--precision takes single or double, not '" + text + "'");
            options.doublePrecision = text == "double";
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw RenderError(exitUsage, "unknown option '" + arg + "' (see --help)");
        } else {
            positional.push_back(arg);
        }
    }
    if (options.help || options.version) return options;
    const bool saving = !options.savePresetPath.empty() || !options.saveBankPath.empty();
    if (options.demo) {
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
    if (options.outputPath.empty() && !options.jsonPath.empty())
        throw RenderError(exitUsage, "--json needs an OUTPUT to render");
    if (ditherGiven && options.sampleFormat == SampleFormat::float32)
        throw RenderError(exitUsage, "--dither applies to 16-, 24- and 32-bit output, not to float");
    if (options.pluginPath.empty()) options.pluginPath = defaultPlugin;
    if (options.pluginPath.empty()) throw RenderError(exitUsage, "no plug-in given (use --plugin PATH)");
    return options;
}

}  // namespace render
