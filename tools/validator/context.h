// What every check shares: the plug-in library under test, the run's options,
// and the hook around process calls that the real-time test uses to watch the
// audio thread.
#pragma once

#include "tools/vsthost/vsthost.h"

#include <cstdint>
#include <memory>
#include <string>

namespace validator {

struct Options {
    bool quick = false;      // fewer cycles and iterations (sanitizer builds)
    uint32_t seed = 1;       // every random choice derives from it, so a failure can be replayed
};

// Told when the validator enters and leaves a plug-in's audio-thread entry
// point (the three process calls and effProcessEvents).
class ProcessObserver {
public:
    virtual ~ProcessObserver() = default;
    virtual void enter() = 0;  // [audio thread]
    virtual void leave() = 0;  // [audio thread]
};

class Context {
public:
    Context(std::string pluginPath, Options options);

    const std::string& pluginPath() const { return libraryPath; }
    const Options& options() const { return checkOptions; }
    bool quick() const { return checkOptions.quick; }
    // Scales an iteration count down in quick mode (never below one).
    int count(int full, int quick) const { return checkOptions.quick ? quick : full; }

    // [UI thread] The library, loaded on first use; null with a reason when it
    // cannot be loaded.
    std::shared_ptr<vsthost::Library> library(std::string& error);
    // [UI thread] Forgets the library; it is unloaded once no instance uses it.
    void dropLibrary() { pluginLibrary.reset(); }

    void setProcessObserver(ProcessObserver* observer) { activeObserver = observer; }
    ProcessObserver* processObserver() const { return activeObserver; }

private:
    std::string libraryPath;
    Options checkOptions;
    std::shared_ptr<vsthost::Library> pluginLibrary;
    ProcessObserver* activeObserver = nullptr;
};

}  // namespace validator
