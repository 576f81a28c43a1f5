// orvalt-render: renders audio through a VST 2.4 plug-in from the command line.
#include "tools/render/atomicOutput.h"
#include "tools/render/batchRender.h"
#include "tools/render/pluginLocation.h"
#include "tools/render/renderError.h"
#include "tools/render/renderJob.h"
#include "tools/render/renderOptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <new>
#include <unistd.h>

#ifndef ORVALT_VERSION
#define ORVALT_VERSION "unknown"
#endif
#ifndef ORVALT_DEFAULT_PLUGIN
#define ORVALT_DEFAULT_PLUGIN ""
#endif

namespace {

// A standard stream closed at start would be taken by the first file opened,
// and the report would be written into an output. It gets /dev/null, read
// only: reading finds nothing, writing fails (and fails the run).
void holdStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", O_RDONLY);
}

// Whatever went to standard output must have arrived: a full disk or a
// closed pipe behind it fails the run, even after the files are in place.
int finishStandardOutput(int code) {
    const bool flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    const int error = errno;
    const bool closed = std::fclose(stdout) == 0;
    if (flushed && closed) return code;
    std::fprintf(stderr, "orvalt-render: error: cannot write standard output: %s\n",
                 std::strerror(flushed ? errno : error));
    return code == render::exitOk ? render::exitOutput : code;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace render;
    holdStandardStreams();
    const PluginPlace found = findPlugin(pluginPlaces(ORVALT_DEFAULT_PLUGIN));
    removeTemporariesOnSignal();
    if (argc < 2) {  // what to give, not an error message about what is missing
        std::fputs(renderUsage(found.path).c_str(), stderr);
        return exitUsage;
    }
    try {
        RenderOptions options = parseRenderOptions(argc, argv, found.path);
        if (options.help) {
            std::fputs(renderUsage(found.path).c_str(), stdout);
            return finishStandardOutput(exitOk);
        }
        if (options.version) {
            std::printf("orvalt-render %s\n", ORVALT_VERSION);
            return finishStandardOutput(exitOk);
        }
        // A plug-in found by looking says where it was found (the build's own goes without saying).
        if (options.pluginFound && found.path != ORVALT_DEFAULT_PLUGIN && !options.quiet)
            std::fprintf(stderr, "orvalt-render: plug-in %s (found %s)\n", found.path.c_str(), found.where);
        if (!options.outDir.empty()) return finishStandardOutput(runBatch(options, stdout));
        runRender(options, stdout);
        return finishStandardOutput(exitOk);
    } catch (const RenderError& e) {
        std::fprintf(stderr, "orvalt-render: error: %s\n", e.what());
        return finishStandardOutput(e.code());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "orvalt-render: error: out of memory\n");
        return exitFailure;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvalt-render: error: %s\n", e.what());
        return exitFailure;
    }
}
