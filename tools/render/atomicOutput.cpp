#include "tools/render/atomicOutput.h"

#include "tools/render/renderError.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

// Temporary paths the signal handler removes. A slot holds a path from
// strdup, published after the file exists and taken back before the file is
// renamed or removed, so the handler never touches a finished output.
constexpr int maxTemporaries = 32;
std::atomic<char*> temporaries[maxTemporaries];

int publish(const std::string& path) {
    char* copy = strdup(path.c_str());
    if (!copy) return -1;
    for (int i = 0; i < maxTemporaries; ++i) {
        char* expected = nullptr;
        if (temporaries[i].compare_exchange_strong(expected, copy)) return i;
    }
    free(copy);
    return -1;
}

void withdraw(int slot) {
    if (slot >= 0) free(temporaries[slot].exchange(nullptr));
}

extern "C" void removeTemporariesAndExit(int signal) {
    for (auto& slot : temporaries)
        if (char* path = slot.load()) unlink(path);
    _exit(128 + signal);
}

}  // namespace

void removeTemporariesOnSignal() {
    struct sigaction action {};
    action.sa_handler = removeTemporariesAndExit;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

AtomicOutput::AtomicOutput(const std::string& target) : targetPath(target) {
    if (target.empty() || target.back() == '/')
        throw RenderError(exitOutput, "output path '" + target + "' names no file");
    struct stat info;
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        throw RenderError(exitOutput, "output path '" + target + "' is a folder");
    // A device or pipe (/dev/stdout) is written directly: renaming over it
    // would replace the device node with a file.
    if (exists && !S_ISREG(info.st_mode)) {
        fileDescriptor = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fileDescriptor < 0) throw RenderError(exitOutput, "cannot write " + target + ": " + std::strerror(errno));
        return;
    }
    // Hidden name in the same folder, so the final rename never crosses file systems.
    std::string pattern = folderOf(target) + "/." + fileNameOf(target) + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fileDescriptor = mkstemp(name.data());
    if (fileDescriptor < 0)
        throw RenderError(exitOutput, "cannot write " + target + ": " + std::strerror(errno));
    temporaryFile = name.data();
    cleanupSlot = publish(temporaryFile);
    // mkstemp makes the file private; give it the permissions a new file gets.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fileDescriptor, 0666 & ~mask);
}

AtomicOutput::~AtomicOutput() {
    withdraw(cleanupSlot);
    if (fileDescriptor >= 0) close(fileDescriptor);
    if (!committed && !temporaryFile.empty()) unlink(temporaryFile.c_str());
}

int AtomicOutput::releaseDescriptor() {
    int fd = fileDescriptor;
    fileDescriptor = -1;
    return fd;
}

void AtomicOutput::writeAll(const std::vector<unsigned char>& bytes) {
    int fd = releaseDescriptor();
    if (fd < 0) throw RenderError(exitOutput, "cannot write " + targetPath + ": already written");
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string reason = std::strerror(errno);
            close(fd);
            throw RenderError(exitOutput, "cannot write " + targetPath + ": " + reason);
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0) throw RenderError(exitOutput, "cannot write " + targetPath + ": " + std::strerror(errno));
}

void AtomicOutput::commit() {
    if (fileDescriptor >= 0) {
        close(fileDescriptor);
        fileDescriptor = -1;
    }
    withdraw(cleanupSlot);
    cleanupSlot = -1;
    if (temporaryFile.empty()) {  // written directly
        committed = true;
        return;
    }
    if (std::rename(temporaryFile.c_str(), targetPath.c_str()) != 0)
        throw RenderError(exitOutput, "cannot write " + targetPath + ": " + std::strerror(errno));
    committed = true;
}

}  // namespace render
