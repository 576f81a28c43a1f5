// Settings folder and whole-file access with POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/detail.h"

namespace platform {

bool settingsFolder(std::string& path) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        path = xdg;
        return true;
    }
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) return false;
    path = std::string(home) + "/.config";
    ::mkdir(path.c_str(), 0700);
    return true;
}

std::string joinPath(const std::string& folder, const std::string& name) { return folder + "/" + name; }

bool createFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

ReadResult readFile(const std::string& path, std::vector<unsigned char>& data, size_t maxSize) {
    // Only a regular file is read: a FIFO or a device at the path would block
    // the open or the read (every instantiation would hang). Looked at before
    // the open, and opened without blocking in case it changed in between.
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
    if (!S_ISREG(before.st_mode)) return ReadResult::failed;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::failed;
    }
    if (static_cast<unsigned long long>(st.st_size) >= maxSize) {
        ::close(fd);
        return ReadResult::tooLarge;
    }
    data.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::read(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    data.resize(done);
    return ReadResult::ok;
}

bool writeFileReplacing(const std::string& path, const void* data, size_t size, std::string* reason) {
    auto fail = [&](const std::string& why) {
        if (reason) *reason = why;
        return false;
    };
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fail(std::strerror(errno));
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    std::string why;
    while (done < size) {
        size_t chunk = size - done;
        long long b = writeBudget();
        if (b >= 0 && static_cast<long long>(chunk) > b) chunk = static_cast<size_t>(b);
        ssize_t n = chunk == 0 ? 0 : ::write(fd, p + done, chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            break;
        }
        if (n == 0) {
            why = shortWriteReason(done, size);
            break;
        }
        spendWriteBudget(n);
        done += static_cast<size_t>(n);
    }
    if (why.empty() && ::fsync(fd) != 0) why = std::strerror(errno);
    if (::close(fd) != 0 && why.empty()) why = std::strerror(errno);
    if (why.empty() && ::rename(temp.c_str(), path.c_str()) != 0) why = std::strerror(errno);
    if (why.empty()) return true;
    ::unlink(temp.c_str());
    return fail(why);
}

}  // namespace platform
