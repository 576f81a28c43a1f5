#include "tools/render/plugin_setup.h"

#include "tools/render/parameter_values.h"
#include "tools/render/plugin_presets.h"
#include "tools/render/render_error.h"

#include <cmath>
#include <cstdlib>

namespace render {

PluginSetup::PluginSetup(const RenderOptions& options) : options_(options) {
    std::string error;
    library_ = vsthost::Library::load(options.pluginPath, error);
    if (!library_) throw RenderError(exitPlugin, error);
}

std::unique_ptr<vsthost::Plugin> PluginSetup::openInstance(double sampleRate) {
    vsthost::HostOptions hostOptions;
    hostOptions.sampleRate = static_cast<float>(sampleRate);
    hostOptions.blockSize = options_.blockSize;
    hostOptions.logCapacity = 4096;  // a long render only counts its time requests
    auto host = std::make_shared<vsthost::Host>(hostOptions);
    host->calls().setRecording(false);
    std::string error;
    auto plugin = vsthost::Plugin::create(library_, host, error);
    if (!plugin) throw RenderError(exitPlugin, error);
    if (plugin->effect()->numInputs < 0 || plugin->effect()->numOutputs < 1 || plugin->effect()->numInputs > 64 ||
        plugin->effect()->numOutputs > 64)
        throw RenderError(exitPlugin, "the plug-in declares " + std::to_string(plugin->effect()->numInputs) + " inputs and " +
                                          std::to_string(plugin->effect()->numOutputs) + " outputs");
    plugin->open();
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    plugin->dispatch(effSetBlockSize, 0, options_.blockSize);
    plugin->dispatch(effSetProcessPrecision, 0, options_.doublePrecision ? 1 : 0);
    return plugin;
}

std::unique_ptr<vsthost::Plugin> PluginSetup::createInstance(double sampleRate) {
    auto plugin = openInstance(sampleRate);
    if (!resolved_) {
        if (!options_.presetPath.empty()) {
            preset_ = readPresetFor(*plugin, options_.presetPath);
            checkPresetTaken([&] { return openInstance(sampleRate); }, preset_, options_.presetPath);
            hasPreset_ = true;
        }
    }
    if (hasPreset_) applyPreset(*plugin, preset_);
    if (!resolved_) {
        resolveAssignments(*plugin);
        resolved_ = true;
    } else {
        for (const auto& [index, value] : values_) plugin->setParameter(index, value);
    }
    plugin->resume();
    plugin->startProcess();
    return plugin;
}

void PluginSetup::resolveAssignments(vsthost::Plugin& plugin) {
    for (const ParameterAssignment& a : options_.assignments) {
        int index = findParameter(plugin, a.name);
        float value;
        if (a.raw) {
            char* end = nullptr;
            double v = std::strtod(a.value.c_str(), &end);
            if (end == a.value.c_str() || *end != '\0' || !(v >= 0.0 && v <= 1.0))
                throw RenderError(exitParameter, "--set-raw " + a.name + "=" + a.value +
                                                     ": a normalized value is a number from 0 to 1");
            value = static_cast<float>(v);
            plugin.setParameter(index, value);
        } else {
            value = valueForText(plugin, index, a.value);
        }
        values_.emplace_back(index, value);
    }
}

}  // namespace render
