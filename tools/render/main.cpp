// orvalt-render: renders audio through a VST 2.4 plug-in from the command line.
#include "tools/render/atomicOutput.h"
#include "tools/render/renderError.h"
#include "tools/render/renderJob.h"
#include "tools/render/renderOptions.h"

#include <cstdio>
#include <exception>
#include <new>

#ifndef ORVALT_VERSION
#define ORVALT_VERSION "unknown"
#endif
#ifndef ORVALT_DEFAULT_PLUGIN
#define ORVALT_DEFAULT_PLUGIN ""
#endif

int main(int argc, char** argv) {
    using namespace render;
    const std::string defaultPlugin = ORVALT_DEFAULT_PLUGIN;
    removeTemporariesOnSignal();
    try {
        RenderOptions options = parseRenderOptions(argc, argv, defaultPlugin);
        if (options.help) {
            std::fputs(renderUsage(defaultPlugin).c_str(), stdout);
            return exitOk;
        }
        if (options.version) {
            std::printf("orvalt-render %s\n", ORVALT_VERSION);
            return exitOk;
        }
        runRender(options, stdout);
        return exitOk;
    } catch (const RenderError& e) {
        std::fprintf(stderr, "orvalt-render: error: %s\n", e.what());
        return e.code();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "orvalt-render: error: out of memory\n");
        return exitFailure;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvalt-render: error: %s\n", e.what());
        return exitFailure;
    }
}
