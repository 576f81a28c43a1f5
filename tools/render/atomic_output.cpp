#include "tools/render/atomic_output.h"

#include "tools/render/render_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace render {
namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

AtomicOutput::AtomicOutput(const std::string& target) : target_(target) {
    if (target.empty() || target.back() == '/')
        throw RenderError(exitOutput, "output path '" + target + "' names no file");
    struct stat info;
    if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw RenderError(exitOutput, "output path '" + target + "' is a folder");
    // Hidden name in the same folder, so the final rename never crosses file systems.
    std::string pattern = folderOf(target) + "/." + fileNameOf(target) + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = mkstemp(name.data());
    if (descriptor_ < 0)
        throw RenderError(exitOutput, "cannot write " + target + ": " + std::strerror(errno));
    temporary_ = name.data();
    // mkstemp makes the file private; give it the permissions a new file gets.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor_, 0666 & ~mask);
}

AtomicOutput::~AtomicOutput() {
    if (descriptor_ >= 0) close(descriptor_);
    if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
}

int AtomicOutput::releaseDescriptor() {
    int fd = descriptor_;
    descriptor_ = -1;
    return fd;
}

void AtomicOutput::writeAll(const std::vector<unsigned char>& bytes) {
    int fd = releaseDescriptor();
    if (fd < 0) throw RenderError(exitOutput, "cannot write " + target_ + ": already written");
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string reason = std::strerror(errno);
            close(fd);
            throw RenderError(exitOutput, "cannot write " + target_ + ": " + reason);
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0) throw RenderError(exitOutput, "cannot write " + target_ + ": " + std::strerror(errno));
}

void AtomicOutput::commit() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw RenderError(exitOutput, "cannot write " + target_ + ": " + std::strerror(errno));
    committed_ = true;
}

}  // namespace render
