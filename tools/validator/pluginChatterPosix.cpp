// POSIX: the plug-in's standard error goes to one capture file for the run.
#include "tools/validator/pluginChatter.h"

#include <cstdio>
#include <unistd.h>

#include <string>

namespace validator {
namespace {

FILE* captureFile() {
    // Created once, before any check forks, so that a crashed check's last
    // words stay readable for the parent.
    static FILE* file = std::tmpfile();
    return file;
}

std::string readCapture(long from, size_t maxBytes) {
    FILE* f = captureFile();
    if (!f) return {};
    std::fflush(stderr);
    long end = lseek(fileno(f), 0, SEEK_END);
    if (end <= from) return {};
    long start = end - from > static_cast<long>(maxBytes) ? end - static_cast<long>(maxBytes) : from;
    std::string text(static_cast<size_t>(end - start), '\0');
    ssize_t got = pread(fileno(f), &text[0], text.size(), start);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace

struct PluginChatter::State {
    int savedError = -1;
    long start = 0;
};

PluginChatter::PluginChatter() : state(new State) {
    FILE* f = captureFile();
    if (!f) return;
    std::fflush(stderr);
    state->start = lseek(fileno(f), 0, SEEK_END);
    state->savedError = dup(STDERR_FILENO);
    if (state->savedError >= 0) dup2(fileno(f), STDERR_FILENO);
}

PluginChatter::~PluginChatter() {
    if (state->savedError >= 0) {
        std::fflush(stderr);
        dup2(state->savedError, STDERR_FILENO);
        close(state->savedError);
    }
    delete state;
}

std::string PluginChatter::summary() {
    std::string text = readCapture(state->start, 1 << 20);
    if (text.empty()) return {};
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    std::string first = text.substr(0, text.find('\n'));
    if (first.size() > 100) first = first.substr(0, 100) + "...";
    return std::to_string(lines) + " line(s) on standard error, first: \"" + first + "\"";
}

std::string PluginChatter::lastCapturedText(size_t maxBytes) {
    return readCapture(0, maxBytes);
}

void PluginChatter::clearCapture() {
    if (FILE* f = captureFile()) {
        if (ftruncate(fileno(f), 0) == 0) lseek(fileno(f), 0, SEEK_SET);
    }
}

}  // namespace validator
