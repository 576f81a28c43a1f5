// POSIX: each check runs in a forked child that reports through a pipe.
#include "tools/validator/pluginChatter.h"
#include "tools/validator/runner.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace validator {
namespace {

void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

std::string lastWords() {
    std::string text = PluginChatter::lastCapturedText(400);
    for (char& c : text)
        if (c == '\n') c = '|';
    return text.empty() ? "" : "; last plug-in output: " + text;
}

}  // namespace

CheckResult runIsolated(const Check& check, Context& context, int timeoutSeconds) {
    std::fflush(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return runCheck(check, context);
    pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return runCheck(check, context);
    }
    if (child == 0) {
        close(fds[0]);
        alarm(static_cast<unsigned>(timeoutSeconds));
        CheckResult r = runCheck(check, context);
        char tag = r.outcome == Outcome::pass ? 'P' : r.outcome == Outcome::fail ? 'F' : 'S';
        writeAll(fds[1], std::string(1, tag) + r.detail);
        close(fds[1]);
        std::fflush(nullptr);
        _exit(0);  // no destructors: the parent still owns the shared state
    }
    close(fds[1]);
    std::string message;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            message.append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        int sig = WTERMSIG(status);
        if (sig == SIGALRM)
            return failed("no answer within " + std::to_string(timeoutSeconds) + " s (hung)" + lastWords());
        return failed(std::string("crashed (signal ") + std::to_string(sig) + ", " + strsignal(sig) + ")" +
                      lastWords());
    }
    if (message.empty() || (WIFEXITED(status) && WEXITSTATUS(status) != 0))
        return failed("crashed (the check's process ended with exit code " + std::to_string(WEXITSTATUS(status)) +
                      " before reporting, as sanitizers end it)" + lastWords());
    Outcome outcome = message[0] == 'P' ? Outcome::pass : message[0] == 'S' ? Outcome::skip : Outcome::fail;
    return {outcome, message.substr(1)};
}

}  // namespace validator
