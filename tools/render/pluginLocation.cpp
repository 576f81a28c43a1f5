#include "tools/render/pluginLocation.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace render {
namespace {

constexpr const char* pluginFile = "Orvalt.so";

std::string programFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    std::string program(path, static_cast<size_t>(n));
    size_t slash = program.find_last_of('/');
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = getpwuid(getuid())) return entry->pw_dir ? entry->pw_dir : "";
    return "";
}

}  // namespace

std::vector<PluginPlace> pluginPlaces(const std::string& builtIn) {
    std::vector<PluginPlace> places;
    const std::string beside = programFolder();
    if (!beside.empty()) places.push_back({beside + "/" + pluginFile, "beside orvalt-render"});
    if (!builtIn.empty()) places.push_back({builtIn, "built with orvalt-render"});
    const std::string home = homeFolder();
    if (!home.empty()) places.push_back({home + "/.vst/" + pluginFile, "in ~/.vst"});
    places.push_back({std::string("/usr/lib/vst/") + pluginFile, "in /usr/lib/vst"});
    places.push_back({std::string("/usr/local/lib/vst/") + pluginFile, "in /usr/local/lib/vst"});
    return places;
}

PluginPlace findPlugin(const std::vector<PluginPlace>& places) {
    for (const PluginPlace& place : places) {
        struct stat info;
        if (stat(place.path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return place;
    }
    return PluginPlace{"", ""};
}

}  // namespace render
