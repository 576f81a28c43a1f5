// The editor under stress, the way hosts use it: embedded in a window of the
// host's, pumped through effEditIdle, opened and closed while audio runs,
// parameters moving under it, state loaded from another thread. The window
// itself comes from the window system's EditorParent.
#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "tools/validator/backgroundAudio.h"
#include "tools/validator/check.h"
#include "tools/validator/editorParent.h"
#include "tools/validator/pluginChatter.h"
#include "tools/validator/rig.h"

namespace validator {
namespace {

// Lets messages through and sends effEditIdle every few milliseconds for about
// ms milliseconds, as hosts do.
void runFor(vsthost::Plugin& p, EditorParent& parent, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        parent.pump();
        p.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < end);
}

// Opens the editor in parent the way hosts do; "" or a problem.
std::string openEditor(vsthost::Plugin& p, EditorParent& parent) {
    ERect* rect = nullptr;
    p.dispatch(effEditGetRect, 0, 0, &rect);
    if (rect) {
        if (rect->right <= rect->left || rect->bottom <= rect->top) return "effEditGetRect gives an empty rectangle";
        parent.fit(*rect);
    }
    if (p.dispatch(effEditOpen, 0, 0, parent.handle()) == 0 && kEditOpenAnswers)
        return "effEditOpen fails in a valid parent window";
    p.dispatch(effEditGetRect, 0, 0, &rect);  // hosts ask again once it is open
    return {};
}

// A prepared instance with an editor; null with the check's verdict (failed,
// or skipped without an editor or a window system) in result.
std::unique_ptr<Rig> editorRig(Context& context, CheckResult& result) {
    const std::string unavailable = editorsUnavailable();
    if (!unavailable.empty()) {
        result = skipped(unavailable);
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

// The host's window for the rig editorRig gave; null with the check's verdict
// in result when there was no rig or the window could not be made.
std::unique_ptr<EditorParent> parentFor(const std::unique_ptr<Rig>& rig, CheckResult& result) {
    if (!rig) return nullptr;
    auto parent = makeEditorParent();
    if (parent->problem().empty()) return parent;
    result = failed(parent->problem());
    return nullptr;
}

CheckResult editorCycles(Context& context) {
    CheckResult result;
    auto rig = editorRig(context, result);
    const auto parent = parentFor(rig, result);
    if (!parent) return result;
    BackgroundAudio audio(*rig, 256);
    const int cycles = context.count(50, 10);
    for (int n = 0; n < cycles; ++n) {
        std::string problem = openEditor(rig->plugin(), *parent);
        if (!problem.empty()) return failed(problem);
        runFor(rig->plugin(), *parent, n % 5 == 0 ? 60 : 15);
        rig->plugin().dispatch(effEditClose);
        const std::string left = parent->leftAfterClose();
        if (!left.empty()) return failed(left);
    }
    audio.stop();
    if (!audio.problem().empty()) return failed("output while the editor came and went: " + audio.problem());
    return passed(std::to_string(cycles) + " open/close cycles over " + std::to_string(audio.blocks()) + " blocks");
}

CheckResult editorAutomation(Context& context) {
    CheckResult result;
    auto rig = editorRig(context, result);
    const auto parent = parentFor(rig, result);
    if (!parent) return result;
    std::string problem = openEditor(rig->plugin(), *parent);
    if (!problem.empty()) return failed(problem);
    BackgroundAudio audio(*rig, 256);
    std::mt19937 random(context.options().seed + 1414);
    const int rounds = context.count(1000, 200);
    const int wait = context.quick() ? 1 : 10;
    for (int n = 0; n < rounds; ++n) {
        rig->randomizeParameters(random);
        runFor(rig->plugin(), *parent, wait);
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
    const auto parent = parentFor(rig, result);
    if (!parent) return result;
    std::string problem = openEditor(rig->plugin(), *parent);
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
    while (!loaded.load()) runFor(rig->plugin(), *parent, 10);
    loader.join();
    runFor(rig->plugin(), *parent, 50);
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
