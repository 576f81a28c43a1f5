#include "tools/render/fileIdentity.h"

#include "tools/render/renderError.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace render {

std::string fileIdentity(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0)
        return "inode " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved)) folder = resolved;
    return "path " + folder + "/" + name;
}

void refuseSharedFiles(const std::vector<NamedPath>& paths) {
    std::vector<std::string> identities;
    for (const NamedPath& p : paths) identities.push_back(fileIdentity(p.path));
    for (size_t a = 0; a < paths.size(); ++a) {
        for (size_t b = a + 1; b < paths.size(); ++b) {
            if (identities[a] != identities[b] || !(paths[a].written || paths[b].written)) continue;
            const std::string how = paths[a].path == paths[b].path ? "" : " (" + paths[b].path + ")";
            throw RenderError(exitUsage, paths[a].option + " and " + paths[b].option + " name the same file " +
                                             paths[a].path + how + "; nothing was written");
        }
    }
}

}  // namespace render
