// orvalt-info: prints what a VST 2.4 plug-in says about itself, the way a
// host sees it after creating and switching on one instance.
#include "tools/vsthost/vsthost.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct FlagName {
    VstInt32 bit;
    const char* name;
};

const FlagName flagNames[] = {
    {effFlagsHasEditor, "HasEditor"},       {effFlagsHasClip, "HasClip"},
    {effFlagsHasVu, "HasVu"},               {effFlagsCanMono, "CanMono"},
    {effFlagsCanReplacing, "CanReplacing"}, {effFlagsProgramChunks, "ProgramChunks"},
    {effFlagsIsSynth, "IsSynth"},           {effFlagsNoSoundInStop, "NoSoundInStop"},
    {effFlagsExtIsAsync, "ExtIsAsync"},     {effFlagsExtHasBuffer, "ExtHasBuffer"},
    {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
};

std::string flagText(VstInt32 flags) {
    std::string text;
    for (const FlagName& f : flagNames) {
        if (flags & f.bit) {
            if (!text.empty()) text += " ";
            text += f.name;
        }
    }
    return text.empty() ? "none" : text;
}

int usage(FILE* out) {
    std::fprintf(out,
                 "usage: orvalt-info PLUGIN [--rate HZ]\n"
                 "Prints a VST 2.4 plug-in's identity, flags, latency, programs and parameters.\n"
                 "Exit codes: 0 success, 2 usage error, 7 the plug-in cannot be loaded or created.\n");
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    float rate = 44100.0f;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) return usage(stdout);
        if (!std::strcmp(argv[i], "--rate") && i + 1 < argc) {
            char* end = nullptr;
            rate = std::strtof(argv[++i], &end);
            if (*end != '\0' || !(rate > 0.0f && rate <= 1e6f)) {
                std::fprintf(stderr, "orvalt-info: error: bad sample rate '%s'\n", argv[i]);
                return 2;
            }
        } else if (argv[i][0] == '-' || !path.empty()) {
            return usage(stderr);
        } else {
            path = argv[i];
        }
    }
    if (path.empty()) return usage(stderr);

    std::string error;
    auto library = vsthost::Library::load(path, error);
    auto plugin = library ? vsthost::Plugin::create(library, nullptr, error) : nullptr;
    if (!plugin) {
        std::fprintf(stderr, "orvalt-info: error: %s\n", error.c_str());
        return 7;
    }
    plugin->open();
    plugin->configure(rate, 512);
    plugin->switchOn();
    const AEffect* e = plugin->effect();

    std::printf("file:        %s (entry %s)\n", path.c_str(), library->entryName().c_str());
    std::printf("name:        %s\n", plugin->effectName().c_str());
    std::printf("vendor:      %s\n", plugin->vendorString().c_str());
    std::printf("product:     %s\n", plugin->productString().c_str());
    std::printf("unique ID:   0x%08X '%s'\n", static_cast<unsigned>(e->uniqueID),
                vsthost::fourCharText(e->uniqueID).c_str());
    std::printf("version:     %d (vendor version %ld)\n", e->version, static_cast<long>(plugin->vendorVersion()));
    std::printf("VST version: %ld\n", static_cast<long>(plugin->dispatch(effGetVstVersion)));
    std::printf("flags:       0x%X %s\n", static_cast<unsigned>(e->flags), flagText(e->flags).c_str());
    std::printf("latency:     %d sample%s\n", e->initialDelay, e->initialDelay == 1 ? "" : "s");
    std::printf("channels:    %d in, %d out\n", e->numInputs, e->numOutputs);
    std::printf("programs:    %d (current %ld: \"%s\")\n", e->numPrograms,
                static_cast<long>(plugin->dispatch(effGetProgram)), plugin->programName().c_str());
    std::printf("parameters:  %d\n", e->numParams);
    for (VstInt32 i = 0; i < e->numParams; ++i) {
        std::printf("  %3d  %-16s %8.6f  %-12s %s\n", i, plugin->parameterName(i).c_str(), plugin->getParameter(i),
                    plugin->parameterDisplay(i).c_str(), plugin->parameterLabel(i).c_str());
    }
    plugin->switchOff();
    plugin->close();
    return 0;
}
