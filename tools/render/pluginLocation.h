// Where the renderer finds its plug-in when --plugin is not given: beside its
// own program (an unpacked release), the plug-in of the build it came from (a
// development build), then the usual VST folders.
#pragma once

#include <string>
#include <vector>

namespace render {

struct PluginPlace {
    std::string path;
    const char* where;  // "beside orvalt-render", "in ~/.vst", ...
};

// The places in the order they are tried; builtIn (may be empty) is the
// build's own plug-in.
std::vector<PluginPlace> pluginPlaces(const std::string& builtIn);

// The first place holding a regular file; one with an empty path when none does.
PluginPlace findPlugin(const std::vector<PluginPlace>& places);

}  // namespace render
