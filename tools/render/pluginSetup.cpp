#include "tools/render/pluginSetup.h"

#include "tools/render/parameterValues.h"
#include "tools/render/pluginPresets.h"
#include "tools/render/renderError.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

namespace render {

PluginSetup::PluginSetup(const RenderOptions& options) : renderOptions(options) {
    std::string error;
    pluginLibrary = vsthost::Library::load(options.pluginPath, error);
    if (!pluginLibrary) throw RenderError(exitPlugin, error);
}

std::unique_ptr<vsthost::Plugin> PluginSetup::openInstance(double sampleRate) {
    vsthost::HostOptions hostOptions;
    hostOptions.sampleRate = static_cast<float>(sampleRate);
    hostOptions.blockSize = renderOptions.blockSize;
    hostOptions.logCapacity = 4096;  // a long render only counts its time requests
    auto host = std::make_shared<vsthost::Host>(hostOptions);
    host->calls().setRecording(false);
    std::string error;
    auto plugin = vsthost::Plugin::create(pluginLibrary, host, error);
    if (!plugin) throw RenderError(exitPlugin, error);
    if (plugin->effect()->numInputs < 0 || plugin->effect()->numOutputs < 1 || plugin->effect()->numInputs > 64 ||
        plugin->effect()->numOutputs > 64)
        throw RenderError(exitPlugin, "the plug-in declares " + std::to_string(plugin->effect()->numInputs) + " inputs and " +
                                          std::to_string(plugin->effect()->numOutputs) + " outputs");
    plugin->open();
    using Precision = vsthost::Plugin::Precision;
    plugin->configure(static_cast<float>(sampleRate), renderOptions.blockSize,
                      renderOptions.doublePrecision ? Precision::float64 : Precision::float32);
    return plugin;
}

std::unique_ptr<vsthost::Plugin> PluginSetup::createInstance(double sampleRate) {
    // A batch renders files on several threads; instances are still created
    // and set up one at a time, as a host's one UI thread does.
    static std::mutex creating;
    std::lock_guard<std::mutex> lock(creating);
    auto plugin = openInstance(sampleRate);
    const bool withPreset = !renderOptions.presetPath.empty();
    if (withPreset && !resolved) {
        presetFile = readPresetFor(*plugin, renderOptions.presetPath);
        checkPresetTaken([&] { return openInstance(sampleRate); }, presetFile, renderOptions.presetPath);
    }
    if (withPreset) applyPreset(*plugin, presetFile);
    if (!resolved) {
        resolveAssignments(*plugin);
        resolved = true;
    } else {
        for (const auto& [index, value] : parameterSettings) plugin->setParameter(index, value);
    }
    plugin->switchOn();
    return plugin;
}

void PluginSetup::resolveAssignments(vsthost::Plugin& plugin) {
    for (const ParameterAssignment& a : renderOptions.assignments) {
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
        parameterSettings.emplace_back(index, value);
    }
}

}  // namespace render
