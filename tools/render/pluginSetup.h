// Bringing plug-in instances into the state the command line describes, the
// same way for the rendering instance and for the fresh one that measures the
// transfer curve.
#pragma once

#include "tools/render/presetFile.h"
#include "tools/render/renderOptions.h"
#include "tools/vsthost/vsthost.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace render {

class PluginSetup {
public:
    // Loads the library. Throws RenderError(exitPlugin).
    explicit PluginSetup(const RenderOptions& options);

    // A new instance, opened, told the rate, block size and precision, with the
    // preset and the parameter assignments applied, switched on. The first call
    // reads and checks the preset (on scratch instances too) and turns the assignments into normalized
    // values (throwing RenderError(exitPreset / exitParameter)); later calls
    // repeat exactly those values.
    std::unique_ptr<vsthost::Plugin> createInstance(double sampleRate);

private:
    // Created, opened, told the rate, block size and precision; nothing else.
    std::unique_ptr<vsthost::Plugin> openInstance(double sampleRate);
    void resolveAssignments(vsthost::Plugin& plugin);
    const RenderOptions& renderOptions;
    std::shared_ptr<vsthost::Library> pluginLibrary;
    bool resolved = false;
    PresetFile presetFile;
    std::vector<std::pair<int, float>> parameterSettings;  // parameter index, normalized value
};

}  // namespace render
