#include "tools/render/pluginPresets.h"

#include "tools/render/atomicOutput.h"
#include "tools/render/renderError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace render {
namespace {

constexpr long maxPresetBytes = 64L << 20;  // far beyond any real preset

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) throw RenderError(exitPreset, "cannot read preset " + path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (static_cast<long>(bytes.size()) > maxPresetBytes)
            throw RenderError(exitPreset, "preset " + path + " is too large to be a preset");
    }
    if (std::ferror(file.get())) throw RenderError(exitPreset, "cannot read preset " + path);
    return bytes;
}

std::string idText(int32_t id) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(id));
    return "'" + vsthost::fourCharText(id) + "' (" + hex + ")";
}

}  // namespace

PresetFile readPresetFor(vsthost::Plugin& plugin, const std::string& path) {
    std::vector<uint8_t> bytes = readWholeFile(path);
    PresetFile preset;
    std::string error;
    if (!parsePresetFile(bytes, preset, error)) throw RenderError(exitPreset, path + ": " + error);
    if (preset.fxID != plugin.uniqueID())
        throw RenderError(exitPreset, path + " is a preset for the plug-in " + idText(preset.fxID) + ", not for " +
                                          plugin.effectName() + " " + idText(plugin.uniqueID()));
    bool chunks = (plugin.effect()->flags & effFlagsProgramChunks) != 0;
    if (preset.kind == PresetKind::programParams) {
        if (preset.count != plugin.numParams())
            throw RenderError(exitPreset, path + " holds " + std::to_string(preset.count) + " parameters; the plug-in has " +
                                              std::to_string(plugin.numParams()));
        // A chunk relabelled as a parameter list reads as arbitrary floats.
        for (int i = 0; i < preset.count; ++i) {
            float v = preset.params[static_cast<size_t>(i)];
            if (!(v >= 0.0f && v <= 1.0f))
                throw RenderError(exitPreset, path + ": parameter " + std::to_string(i) + " holds " +
                                                  std::to_string(v) + ", not a normalized value from 0 to 1");
        }
    } else if (!chunks) {
        throw RenderError(exitPreset, path + " holds a state chunk, but the plug-in does not keep its state as a chunk");
    }
    return preset;
}

namespace {

// What the plug-in writes to standard error while it is held, e.g. the
// message of a rejected chunk.
class StandardErrorCatch {
public:
    StandardErrorCatch() {
        std::fflush(stderr);
        captureFile = std::tmpfile();
        savedStderr = dup(2);
        if (captureFile && savedStderr >= 0) dup2(fileno(captureFile), 2);
    }
    ~StandardErrorCatch() { release(); }
    std::string release() {
        std::string text;
        if (savedStderr < 0) return text;
        std::fflush(stderr);
        dup2(savedStderr, 2);
        close(savedStderr);
        savedStderr = -1;
        if (!captureFile) return text;
        std::rewind(captureFile);
        char buffer[512];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, captureFile)) > 0 && text.size() < 4096) text.append(buffer, n);
        std::fclose(captureFile);
        captureFile = nullptr;
        return text;
    }

private:
    FILE* captureFile = nullptr;
    int savedStderr = -1;
};

// The message's distinct lines joined into one (both scratch instances may
// say the same).
std::string oneLine(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
        start = end + 1;
    }
    std::string joined;
    for (const std::string& line : lines) joined += (joined.empty() ? "" : " ") + line;
    return joined;
}

}  // namespace

void checkPresetTaken(const std::function<std::unique_ptr<vsthost::Plugin>()>& newInstance,
                      const PresetFile& preset, const std::string& path) {
    auto plain = newInstance();
    auto moved = newInstance();
    const int count = plain->numParams();
    for (int i = 0; i < count; ++i) moved->setParameter(i, plain->getParameter(i) < 0.5f ? 0.75f : 0.25f);
    StandardErrorCatch messages;
    applyPreset(*plain, preset);
    applyPreset(*moved, preset);
    std::string said = oneLine(messages.release());
    for (int i = 0; i < count; ++i) {
        if (plain->getParameter(i) != moved->getParameter(i))
            throw RenderError(exitPreset, path + ": the plug-in did not take this preset" +
                                              (said.empty() ? std::string(" (it leaves ") + plain->parameterName(i) +
                                                                  " unset)"
                                                            : " (it said: " + said + ")"));
    }
}

void applyPreset(vsthost::Plugin& plugin, const PresetFile& preset) {
    if (preset.kind == PresetKind::programParams) {
        for (int i = 0; i < preset.count; ++i) plugin.setParameter(i, preset.params[static_cast<size_t>(i)]);
        return;
    }
    plugin.setChunk(preset.chunk, preset.kind == PresetKind::programChunk);
}

void savePreset(vsthost::Plugin& plugin, AtomicOutput& output, bool bank) {
    PresetFile preset;
    preset.fxID = plugin.uniqueID();
    preset.fxVersion = plugin.effect()->version;
    bool chunks = (plugin.effect()->flags & effFlagsProgramChunks) != 0;
    if (bank) {
        if (!chunks) throw RenderError(exitPlugin, "the plug-in keeps no state chunk; save a program (.fxp) instead");
        preset.kind = PresetKind::bankChunk;
        preset.formatVersion = 2;
        preset.count = plugin.numPrograms();
        preset.currentProgram = static_cast<int32_t>(plugin.dispatch(effGetProgram));
        preset.chunk = plugin.getChunk(false);
    } else {
        preset.programName = plugin.programName().substr(0, 27);
        if (chunks) {
            preset.kind = PresetKind::programChunk;
            preset.count = plugin.numParams();
            preset.chunk = plugin.getChunk(true);
        } else {
            preset.kind = PresetKind::programParams;
            preset.count = plugin.numParams();
            for (int i = 0; i < preset.count; ++i) preset.params.push_back(plugin.getParameter(i));
        }
    }
    if ((preset.kind != PresetKind::programParams) && preset.chunk.empty())
        throw RenderError(exitPlugin, "the plug-in gave no state chunk to save");
    output.writeAll(encodePresetFile(preset));
}

}  // namespace render
