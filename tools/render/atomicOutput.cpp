#include "tools/render/atomicOutput.h"

#include "tools/render/renderError.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <iterator>
#include <new>
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
// renamed or removed, so the handler never touches a finished output. The
// list is replaced by a longer one only while no other thread runs
// (reserveTemporaries); the old list stays allocated, held by the new one,
// since a handler may still be walking it.
struct TemporaryList {
    explicit TemporaryList(size_t n) : count(n), slots(new std::atomic<char*>[n]) {
        for (size_t i = 0; i < n; ++i) slots[i].store(nullptr);
    }
    size_t count;
    std::atomic<char*>* slots;
    TemporaryList* retired = nullptr;  // the list this one replaced
};
std::atomic<TemporaryList*> temporaries{new TemporaryList(32)};
static_assert(std::atomic<char*>::is_always_lock_free, "the signal handler reads the list");
static_assert(std::atomic<TemporaryList*>::is_always_lock_free, "the signal handler reads the list");

// Set by the handler before it reads a slot: from then on a path taken back
// is left allocated, since the handler may be reading it.
std::atomic<bool> handlerRunning{false};
// Groups of outputs being put in place (CommitGroup): the handler lets them
// finish, so a run's outputs are all in place or none is.
std::atomic<int> committing{0};

int publish(const std::string& path) {
    char* copy = strdup(path.c_str());
    if (!copy) throw std::bad_alloc();
    TemporaryList* list = temporaries.load();
    for (size_t i = 0; i < list->count; ++i) {
        char* expected = nullptr;
        if (list->slots[i].compare_exchange_strong(expected, copy)) return int(i);
    }
    free(copy);
    throw RenderError(exitFailure, "more than " + std::to_string(list->count) +
                                       " temporary files at once: too many to remove on a signal");
}

void withdraw(int slot) {
    if (slot < 0) return;
    char* path = temporaries.load()->slots[slot].exchange(nullptr);
    if (!handlerRunning.load()) free(path);
}

// The twelve classic signals that end the process: they exit with 128 + N.
constexpr int classicSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2,
                                  SIGALRM, SIGPIPE, SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF};

// The signals that end the process and may be held: the classic ones, then
// I/O, power failure and the real-time signals.
std::vector<int> heldSignals() {
    std::vector<int> set(std::begin(classicSignals), std::end(classicSignals));
    for (int s : {SIGIO, SIGPWR, SIGSTKFLT}) set.push_back(s);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) set.push_back(s);
    return set;
}

// Raised by a fault or by abort() in the thread that caused it: never held.
constexpr int faultSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGSYS, SIGTRAP};

// [signal handler] A plain loop over a constant: no static to build or find
// destroyed (a handler may run during exit, after static destructors).
bool isClassic(int signal) {
    for (int classic : classicSignals)
        if (classic == signal) return true;
    return false;
}

// Only async-signal-safe calls: unlink, nanosleep, sigaction, sigprocmask,
// raise and _exit.
extern "C" void removeTemporariesAndExit(int signal) {
    handlerRunning.store(true);
    // Outputs being put in place by another thread (which holds the signals)
    // get there first; bounded, in case that thread is the one that faulted.
    for (int wait = 0; committing.load() > 0 && wait < 2000; ++wait) {
        const timespec millisecond{0, 1000000};
        nanosleep(&millisecond, nullptr);
    }
    TemporaryList* list = temporaries.load();
    for (size_t i = 0; i < list->count; ++i)
        if (char* path = list->slots[i].load()) unlink(path);
    if (isClassic(signal)) _exit(128 + signal);
    // Any other signal ends the process as it would have without us (a core
    // dump where it makes one).
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    sigprocmask(SIG_UNBLOCK, &just, nullptr);
    raise(signal);
    _exit(128 + signal);
}

// ".<name>.tmp-XXXXXX", with the name cut short and marked by a hash of
// itself where the whole would pass the longest name a folder takes.
std::string temporaryNameFor(const std::string& name) {
    const std::string suffix = ".tmp-XXXXXX";
    const size_t room = NAME_MAX - 1 - suffix.size();
    if (name.size() <= room) return "." + name + suffix;
    uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    char mark[10];
    std::snprintf(mark, sizeof mark, "~%08x", hash);
    size_t keep = room - std::strlen(mark);
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;  // not inside a character
    return "." + name.substr(0, keep) + mark + suffix;
}

// A rename is durable once the folder that holds it is on disk.
int syncFolderOf(const std::string& path) {
    const int folder = open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return errno;
    const int result = fsync(folder) == 0 || errno == EINVAL ? 0 : errno;
    close(folder);
    return result;
}

std::string failure(const std::string& target, int error) {
    return "cannot write " + target + ": " + std::strerror(error);
}

}  // namespace

sigset_t terminatingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : heldSignals()) sigaddset(&set, signal);
    return set;
}

void removeTemporariesOnSignal() {
    isClassic(0);  // the table, built here and not in a handler
    struct sigaction action {};
    action.sa_handler = removeTemporariesAndExit;
    action.sa_mask = terminatingSignals();  // one handler at a time
    std::vector<int> handled = heldSignals();
    handled.insert(handled.end(), std::begin(faultSignals), std::end(faultSignals));
    for (int signal : handled) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

void reserveTemporaries(size_t count) {
    TerminatingSignalsHeld held;
    TemporaryList* old = temporaries.load();
    if (count <= old->count) return;
    auto* longer = new TemporaryList(count);
    longer->retired = old;
    for (size_t i = 0; i < old->count; ++i) longer->slots[i].store(old->slots[i].load());
    temporaries.store(longer);  // the old list is kept: see TemporaryList
}

CommitGroup::CommitGroup() {
    ++committing;
}

CommitGroup::~CommitGroup() {
    --committing;
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
    std::string pattern = folderOf(writtenPath) + "/" + temporaryNameFor(fileNameOf(writtenPath));
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    {
        TerminatingSignalsHeld held;  // listed as soon as it exists
        fileDescriptor = mkstemp(name.data());
        if (fileDescriptor < 0) throw RenderError(exitOutput, failure(target, errno));
        temporaryFile = name.data();
        try {
            cleanupSlot = publish(temporaryFile);
        } catch (...) {  // no destructor runs for a constructor that throws
            close(fileDescriptor);
            unlink(temporaryFile.c_str());
            throw;
        }
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
    if (temporaryFile.empty()) {  // written directly
        if (fileDescriptor >= 0 && close(releaseDescriptor()) != 0) throw RenderError(exitOutput, failure(targetName, errno));
        committed = true;
        return;
    }
    // The bytes reach the disk before the name does: after a power loss the
    // target holds the old contents or the new, never an empty file.
    int fd = fileDescriptor >= 0 ? releaseDescriptor() : open(temporaryFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) fd = open(temporaryFile.c_str(), O_WRONLY | O_CLOEXEC);  // a write-only mode
    if (fd < 0) throw RenderError(exitOutput, failure(targetName, errno));
    const bool synced = fsync(fd) == 0 || errno == EINVAL;  // a file system without fsync has nothing to flush
    const int syncError = errno;
    if (close(fd) != 0 || !synced) throw RenderError(exitOutput, failure(targetName, synced ? errno : syncError));
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
    if (const int error = syncFolderOf(writtenPath)) throw RenderError(exitOutput, failure(targetName, error));
}

void AtomicOutput::withdrawCommit() {
    if (!committed || replaceAllowed || temporaryFile.empty()) return;
    unlink(writtenPath.c_str());  // made by this run a moment ago, where nothing was
    committed = false;
}

}  // namespace render
