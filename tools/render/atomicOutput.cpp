#include "tools/render/atomicOutput.h"

#include "tools/render/renderError.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
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

// The path a chain of symbolic links ends at, whether or not a file is
// there yet (a link to a file still to be made is written through, as cp does).
std::string followLinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        char link[PATH_MAX];
        ssize_t n = readlink(current.c_str(), link, sizeof link - 1);
        if (n < 0) return current;
        const std::string next(link, static_cast<size_t>(n));
        current = !next.empty() && next[0] == '/' ? next : folderOf(current) + "/" + next;
    }
    throw RenderError(exitOutput, "cannot write " + path + ": too many levels of symbolic links");
}

// Temporary paths the signal handler removes. A slot holds a path from
// strdup, published after the file exists and taken back after the file is
// renamed or removed, so the handler never touches a finished output.
constexpr int maxTemporaries = 32;
std::atomic<char*> temporaries[maxTemporaries];
static_assert(std::atomic<char*>::is_always_lock_free, "the signal handler reads the list");

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

// Only async-signal-safe calls: unlink and _exit.
extern "C" void removeTemporariesAndExit(int signal) {
    for (auto& slot : temporaries)
        if (char* path = slot.load()) unlink(path);
    _exit(128 + signal);
}

constexpr int terminating[] = {SIGHUP, SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2,
                               SIGALRM, SIGPIPE, SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF};

std::string failure(const std::string& target, int error) {
    return "cannot write " + target + ": " + std::strerror(error);
}

}  // namespace

sigset_t terminatingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : terminating) sigaddset(&set, signal);
    return set;
}

void removeTemporariesOnSignal() {
    struct sigaction action {};
    action.sa_handler = removeTemporariesAndExit;
    action.sa_mask = terminatingSignals();  // one handler at a time
    for (int signal : terminating) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

TerminatingSignalsHeld::TerminatingSignalsHeld() {
    sigset_t set = terminatingSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previous);
}

TerminatingSignalsHeld::~TerminatingSignalsHeld() {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

AtomicOutput::AtomicOutput(const std::string& target, bool mayReplace)
    : targetName(target == "-" ? "standard output" : target), replaceAllowed(mayReplace) {
    if (target == "-") {
        fileDescriptor = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
        if (fileDescriptor < 0) throw RenderError(exitOutput, failure(targetName, errno));
        return;
    }
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
        if (fileDescriptor < 0) throw RenderError(exitOutput, failure(target, errno));
        return;
    }
    char resolved[PATH_MAX];
    writtenPath = exists && realpath(target.c_str(), resolved) ? resolved : followLinks(target);
    if (exists && !mayReplace)
        throw RenderError(exitOutput, target + " exists and --no-clobber keeps it; nothing was written");
    // The folder may allow the rename, but a file its owner made read-only
    // stays, as with cp and sox.
    if (exists && faccessat(AT_FDCWD, writtenPath.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES)
        throw RenderError(exitOutput, target + " is write-protected; nothing was written");
    // Hidden name in the same folder, so the final rename never crosses file systems.
    std::string pattern = folderOf(writtenPath) + "/." + fileNameOf(writtenPath) + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    {
        TerminatingSignalsHeld held;  // listed as soon as it exists
        fileDescriptor = mkstemp(name.data());
        if (fileDescriptor < 0) throw RenderError(exitOutput, failure(target, errno));
        temporaryFile = name.data();
        cleanupSlot = publish(temporaryFile);
    }
    if (exists) {
        // The replacement keeps the old file's owner (where permitted), group and mode.
        if (fchown(fileDescriptor, info.st_uid, info.st_gid) != 0 &&
            fchown(fileDescriptor, static_cast<uid_t>(-1), info.st_gid) != 0) {
            // Neither: the file becomes the writer's own, as a copy would.
        }
        fchmod(fileDescriptor, info.st_mode & 07777);
    } else {
        // mkstemp makes the file private; give it the permissions a new file gets.
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fileDescriptor, 0666 & ~mask);
    }
}

AtomicOutput::~AtomicOutput() {
    if (fileDescriptor >= 0) close(fileDescriptor);
    if (!committed && !temporaryFile.empty()) unlink(temporaryFile.c_str());
    withdraw(cleanupSlot);
}

int AtomicOutput::releaseDescriptor() {
    int fd = fileDescriptor;
    fileDescriptor = -1;
    return fd;
}

void AtomicOutput::writeAll(const std::vector<unsigned char>& bytes) {
    int fd = releaseDescriptor();
    if (fd < 0) throw RenderError(exitOutput, "cannot write " + targetName + ": already written");
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            close(fd);
            throw RenderError(exitOutput, failure(targetName, error));
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0) throw RenderError(exitOutput, failure(targetName, errno));
}

void AtomicOutput::commit() {
    if (fileDescriptor >= 0) {
        const int fd = releaseDescriptor();
        if (close(fd) != 0) throw RenderError(exitOutput, failure(targetName, errno));
    }
    if (temporaryFile.empty()) {  // written directly
        committed = true;
        return;
    }
    int renamed = 0;
    if (replaceAllowed) {
        renamed = std::rename(temporaryFile.c_str(), writtenPath.c_str());
    } else {
        // Without replacing, the rename fails if a file appeared there meanwhile;
        // a file system without that kind of rename gets a link and an unlink.
        renamed = renameat2(AT_FDCWD, temporaryFile.c_str(), AT_FDCWD, writtenPath.c_str(), RENAME_NOREPLACE);
        if (renamed != 0 && errno == EINVAL) {
            renamed = link(temporaryFile.c_str(), writtenPath.c_str());
            if (renamed == 0) unlink(temporaryFile.c_str());
        }
    }
    if (renamed != 0) {
        if (!replaceAllowed && errno == EEXIST)
            throw RenderError(exitOutput, targetName + " appeared during the run and --no-clobber keeps it");
        throw RenderError(exitOutput, failure(targetName, errno));
    }
    committed = true;
    withdraw(cleanupSlot);  // only now: until the rename the handler may still remove it
    cleanupSlot = -1;
}

}  // namespace render
