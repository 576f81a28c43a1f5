// The editor under stress, the way Linux hosts use it: embedded in an X11
// window of the host's, pumped only through effEditIdle, opened and closed
// while audio runs, parameters moving under it, state loaded from another
// thread. Without an X server (DISPLAY) the checks are skipped.
#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "tools/validator/backgroundAudio.h"
#include "tools/validator/check.h"
#include "tools/validator/pluginChatter.h"
#include "tools/validator/rig.h"

namespace validator {
namespace {

// The host's window that the editor is embedded in, on the host's own connection.
class ParentWindow {
public:
    ParentWindow() {
        // A server that just saw many connections come and go refuses one now and then.
        display = XOpenDisplay(nullptr);
        for (int attempt = 0; !display && attempt < 6; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
            display = XOpenDisplay(nullptr);
        }
        if (!display) return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 40, 640, 360, 0, 0, 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~ParentWindow() {
        if (!display) return;
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    bool ok() const { return display != nullptr; }
    void* handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

    void fit(const ERect& r) {
        if (!display) return;
        XResizeWindow(display, window, static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top));
        XSync(display, False);
    }
    // Windows the plug-in left under ours.
    unsigned childCount() const {
        if (!display) return 0;
        Window root, up, *list = nullptr;
        unsigned count = 0;
        XSync(display, False);
        if (!XQueryTree(display, window, &root, &up, &list, &count)) return 0;
        if (list) XFree(list);
        return count;
    }

private:
    Display* display = nullptr;
    Window window = 0;
};

// Sends effEditIdle every few milliseconds for about ms milliseconds, as Linux hosts do.
void runFor(vsthost::Plugin& p, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        p.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < end);
}

// Opens the editor in parent the way hosts do; "" or a problem.
std::string openEditor(vsthost::Plugin& p, ParentWindow& parent) {
    ERect* rect = nullptr;
    p.dispatch(effEditGetRect, 0, 0, &rect);
    if (rect) {
        if (rect->right <= rect->left || rect->bottom <= rect->top) return "effEditGetRect gives an empty rectangle";
        parent.fit(*rect);
    }
    if (p.dispatch(effEditOpen, 0, 0, parent.handle()) == 0) return "effEditOpen fails in a valid parent window";
    p.dispatch(effEditGetRect, 0, 0, &rect);  // hosts ask again once it is open
    return {};
}

// A prepared instance with an editor and a parent window; null with the
// check's verdict (failed, or skipped without an editor or a display) in result.
std::unique_ptr<Rig> editorRig(Context& context, CheckResult& result) {
    if (!ParentWindow().ok()) {
        result = skipped("no X server to open editors on (DISPLAY)");
        return nullptr;
    }
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 256);
    if (!rig) {
        result = failed(error);
        return nullptr;
    }
    if (!rig->hasFlag(effFlagsHasEditor)) {
        result = skipped("no editor (effFlagsHasEditor not set)");
        return nullptr;
    }
    return rig;
}

CheckResult editorCycles(Context& context) {
    CheckResult result;
    auto rig = editorRig(context, result);
    if (!rig) return result;
    ParentWindow parent;
    if (!parent.ok()) return failed("cannot connect to the X server");
    BackgroundAudio audio(*rig, 256);
    const int cycles = context.count(50, 10);
    for (int n = 0; n < cycles; ++n) {
        std::string problem = openEditor(rig->plugin(), parent);
        if (!problem.empty()) return failed(problem);
        runFor(rig->plugin(), n % 5 == 0 ? 60 : 15);
        rig->plugin().dispatch(effEditClose);
        if (const unsigned left = parent.childCount())
            return failed(std::to_string(left) + " window(s) left in the host's window after effEditClose");
    }
    audio.stop();
    if (!audio.problem().empty()) return failed("output while the editor came and went: " + audio.problem());
    return passed(std::to_string(cycles) + " open/close cycles over " + std::to_string(audio.blocks()) + " blocks");
}

CheckResult editorAutomation(Context& context) {
    CheckResult result;
    auto rig = editorRig(context, result);
    if (!rig) return result;
    ParentWindow parent;
    if (!parent.ok()) return failed("cannot connect to the X server");
    std::string problem = openEditor(rig->plugin(), parent);
    if (!problem.empty()) return failed(problem);
    BackgroundAudio audio(*rig, 256);
    std::mt19937 random(context.options().seed + 1414);
    const int rounds = context.count(1000, 200);
    const int wait = context.quick() ? 1 : 10;
    for (int n = 0; n < rounds; ++n) {
        rig->randomizeParameters(random);
        runFor(rig->plugin(), wait);
    }
    rig->plugin().dispatch(effEditClose);
    audio.stop();
    if (!audio.problem().empty()) return failed("output during automation with the editor open: " + audio.problem());
    for (float v : rig->parameters())
        if (!(v >= 0.0f && v <= 1.0f)) return failed("a parameter ends at " + std::to_string(v));
    return passed(std::to_string(rounds) + " rounds of every parameter randomised, " + std::to_string(wait) +
                  " ms apart, editor open");
}

CheckResult editorStateThread(Context& context) {
    CheckResult result;
    auto rig = editorRig(context, result);
    if (!rig) return result;
    if (!rig->hasFlag(effFlagsProgramChunks)) return skipped("no effFlagsProgramChunks");
    std::mt19937 random(context.options().seed + 1515);
    rig->randomizeParameters(random);
    const std::vector<uint8_t> bank = rig->plugin().getChunk(false);
    const std::vector<float> expected = rig->parameters();
    ParentWindow parent;
    if (!parent.ok()) return failed("cannot connect to the X server");
    std::string problem = openEditor(rig->plugin(), parent);
    if (!problem.empty()) return failed(problem);
    BackgroundAudio audio(*rig, 256);
    std::atomic<bool> loaded{false};
    std::string said;
    const int loads = context.count(40, 10);
    std::thread loader([&] {
        PluginChatter chatter;
        std::mt19937 other(context.options().seed + 1616);
        for (int n = 0; n < loads; ++n) {
            rig->randomizeParameters(other);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            rig->plugin().setChunk(bank, false);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        said = chatter.summary();
        loaded.store(true);
    });
    while (!loaded.load()) runFor(rig->plugin(), 10);
    loader.join();
    runFor(rig->plugin(), 50);
    rig->plugin().dispatch(effEditClose);
    audio.stop();
    if (!audio.problem().empty()) return failed("output while state was loaded: " + audio.problem());
    std::vector<float> now = rig->parameters();
    for (size_t i = 0; i < now.size(); ++i)
        if (!(std::fabs(now[i] - expected[i]) <= 5e-5f))
            return failed("parameter " + std::to_string(i) + " should be " + std::to_string(expected[i]) +
                          " after the last load, is " + std::to_string(now[i]));
    return passed(std::to_string(loads) + " bank loads from a second thread with the editor open" +
                  (said.empty() ? "" : "; plug-in said: " + said));
}

}  // namespace

void addEditorChecks(std::vector<Check>& list) {
    list.push_back({"editor-cycles", "50 editor open/close cycles while audio runs", editorCycles});
    list.push_back({"editor-automation", "every parameter randomised 1000 times, 10 ms apart, editor open",
                    editorAutomation});
    list.push_back({"editor-state-thread", "state loaded from another thread while the editor is open",
                    editorStateThread});
}

}  // namespace validator
