#include "tools/render/render_options.h"

#include "tools/render/parameter_values.h"
#include "tools/render/render_error.h"

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

std::string renderUsage(const std::string& defaultPlugin) {
    std::string text =
        "usage: orvalt-render [OPTIONS] [INPUT] OUTPUT\n"
        "       orvalt-render [OPTIONS] [INPUT] --save-preset FILE | --save-bank FILE\n"
        "\n"
        "Renders an audio file through a VST 2.4 plug-in and reports levels and speed.\n"
        "INPUT and OUTPUT are WAV, FLAC or AIFF files (by extension: .wav .flac .aif .aiff),\n"
        "at any sample rate; a mono input is played on both channels. Without INPUT an\n"
        "8-second demo signal is rendered and also written, as 32-bit float WAV, next to\n"
        "OUTPUT as <OUTPUT name>-input.wav. Output files appear only when complete.\n"
        "\n"
        "options:\n"
        "  --plugin PATH        the plug-in library";
    text += defaultPlugin.empty() ? " (required)\n" : "\n                       (default " + defaultPlugin + ")\n";
    text +=
        "  --set NAME=VALUE     a parameter in the units the plug-in displays:\n"
        "                       --set limit=-3  --set warm=on  --set input=6\n"
        "  --set-raw N=VALUE    parameter N (index or name) to a normalized value 0..1\n"
        "  --preset FILE        load a .fxp program or .fxb bank first; --set and --set-raw\n"
        "                       apply after it, in the order given\n"
        "  --save-preset FILE   write the plug-in's state as a .fxp program afterwards\n"
        "  --save-bank FILE     write the plug-in's state as a .fxb bank afterwards\n"
        "  --bits 16|24|32|float  output sample format (default 24)\n"
        "  --block N            block size 1..65536 (default 512)\n"
        "  --precision single|double  process call to use (default single)\n"
        "  --rate HZ            sample rate of the demo signal (default 44100)\n"
        "  --compensate         remove the plug-in's latency, keeping the length\n"
        "  --svg FILE           draw input, output and the static transfer curve\n"
        "  --quiet              no progress bar and no report\n"
        "  --help               this text\n"
        "\n"
        "exit codes:\n"
        "  0 success\n"
        "  1 any other failure\n"
        "  2 bad command line\n"
        "  3 unknown parameter name, or a value it cannot show or out of its range\n"
        "  4 input file missing, unreadable or in an unsupported format\n"
        "  5 output cannot be written, or its format is unsupported\n"
        "  6 preset file unreadable, not a preset, or for another plug-in\n"
        "  7 plug-in cannot be loaded, created or run as asked\n";
    return text;
}

RenderOptions parseRenderOptions(int argc, const char* const* argv, const std::string& defaultPlugin) {
    RenderOptions options;
    std::vector<std::string> positional;
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
        else if (arg == "--plugin") options.pluginPath = value();
        else if (arg == "--set") options.assignments.push_back(assignment(false));
        else if (arg == "--set-raw") options.assignments.push_back(assignment(true));
        else if (arg == "--preset") options.presetPath = value();
        else if (arg == "--save-preset") options.savePresetPath = value();
        else if (arg == "--save-bank") options.saveBankPath = value();
        else if (arg == "--svg") options.svgPath = value();
        else if (arg == "--block") options.blockSize = static_cast<int>(parseInteger(arg, value(), 1, 65536));
        else if (arg == "--rate") options.demoRate = static_cast<double>(parseInteger(arg, value(), 1000, 768000));
        else if (arg == "--compensate") options.compensateLatency = true;
        else if (arg == "--quiet") options.quiet = true;
        else if (arg == "--bits") {
            std::string text = value();
            if (!parseSampleFormat(text, options.sampleFormat))
                throw RenderError(exitUsage, "--bits takes 16, 24, 32 or float, not '" + text + "'");
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
    if (options.help) return options;
    bool rateGiven = false;
    for (int i = 1; i < argc; ++i) rateGiven |= std::string(argv[i]) == "--rate";
    bool saving = !options.savePresetPath.empty() || !options.saveBankPath.empty();
    if (positional.size() == 2) {
        options.inputPath = positional[0];
        options.outputPath = positional[1];
    } else if (positional.size() == 1) {
        options.outputPath = positional[0];
    } else if (positional.size() > 2) {
        throw RenderError(exitUsage, "too many file names (give at most INPUT and OUTPUT)");
    } else if (!saving) {
        throw RenderError(exitUsage, "no OUTPUT file given (see --help)");
    }
    if (rateGiven && !options.inputPath.empty())
        throw RenderError(exitUsage, "--rate sets the demo signal's rate; an input file keeps its own");
    if (options.outputPath.empty() && !options.svgPath.empty())
        throw RenderError(exitUsage, "--svg needs an OUTPUT to render");
    if (options.pluginPath.empty()) options.pluginPath = defaultPlugin;
    if (options.pluginPath.empty()) throw RenderError(exitUsage, "no plug-in given (use --plugin PATH)");
    return options;
}

}  // namespace render
