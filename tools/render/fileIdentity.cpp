#include "tools/render/fileIdentity.h"

#include "tools/render/renderError.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace render {

namespace {

std::string identityOf(const struct stat& info) {
    return "inode " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

}  // namespace

std::string fileIdentity(const std::string& path, bool written) {
    struct stat info;
    if (path == "-") {
        const int fd = written ? STDOUT_FILENO : STDIN_FILENO;
        if (fstat(fd, &info) == 0 && (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) return identityOf(info);
        return written ? "standard output" : "standard input";
    }
    if (stat(path.c_str(), &info) == 0)
        return identityOf(info);
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved)) folder = resolved;
    return "path " + folder + "/" + name;
}

void refuseSharedFiles(const std::vector<NamedPath>& paths) {
    std::vector<std::string> identities;
    for (const NamedPath& p : paths) identities.push_back(fileIdentity(p.path, p.written));
    for (size_t a = 0; a < paths.size(); ++a) {
        for (size_t b = a + 1; b < paths.size(); ++b) {
            if (identities[a] != identities[b] || !(paths[a].written || paths[b].written)) continue;
            const std::string how = paths[a].path == paths[b].path ? ""
                                    : paths[b].path == "-" ? (paths[b].written ? " (standard output)" : " (standard input)")
                                                           : " (" + paths[b].path + ")";
            throw RenderError(exitUsage, paths[a].option + " and " + paths[b].option + " name the same file " +
                                             paths[a].path + how + "; nothing was written");
        }
    }
}

void refuseUnusablePaths(const std::vector<NamedPath>& paths) {
    for (const NamedPath& p : paths) {
        if (!p.written) {
            if (p.path == "-" && isatty(STDIN_FILENO))
                throw RenderError(exitUsage, p.option + " - would read audio from the terminal: redirect or pipe standard input");
            continue;
        }
        if (p.path == "-") {
            if (p.option == "OUTPUT" && isatty(STDOUT_FILENO))
                throw RenderError(exitUsage, "OUTPUT - would write audio to the terminal: redirect or pipe standard output");
            continue;
        }
        struct stat info;
        if (p.path.back() == '/' || (stat(p.path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
            throw RenderError(exitUsage, p.option + " " + p.path + " is a folder: give the name of the file to write");
    }
}

}  // namespace render
