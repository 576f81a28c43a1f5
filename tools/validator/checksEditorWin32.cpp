// The editor under stress, the way Windows hosts use it: embedded in a
// top-level window of the host's, opened and closed while audio runs,
// parameters moving under it, state loaded from another thread.
#include "tools/validator/backgroundAudio.h"
#include "tools/validator/check.h"
#include "tools/validator/pluginChatter.h"
#include "tools/validator/rig.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>

namespace validator {
namespace {

LRESULT CALLBACK parentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The host's window that the editor is embedded in.
class ParentWindow {
public:
    ParentWindow() {
        static ATOM registered = [] {
            WNDCLASSA c = {};
            c.lpfnWndProc = parentProcedure;
            c.hInstance = GetModuleHandleA(nullptr);
            c.hCursor = LoadCursor(nullptr, IDC_ARROW);
            c.lpszClassName = "vstvalidateEditorParent";
            return RegisterClassA(&c);
        }();
        (void)registered;
        parentWindow = CreateWindowExA(0, "vstvalidateEditorParent", "vstvalidate", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  40, 40, 640, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~ParentWindow() {
        if (parentWindow) DestroyWindow(parentWindow);
        pumpMessages();
    }
    HWND handle() const { return parentWindow; }

    // Sizes the window around the editor's rectangle.
    void fit(const ERect& r) {
        RECT box = {0, 0, r.right - r.left, r.bottom - r.top};
        AdjustWindowRect(&box, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(parentWindow, nullptr, 0, 0, box.right - box.left, box.bottom - box.top, SWP_NOMOVE | SWP_NOZORDER);
    }

    static void pumpMessages() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }

private:
    HWND parentWindow = nullptr;
};

// Pumps messages and sends effEditIdle for about ms milliseconds.
void runFor(vsthost::Plugin& p, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        ParentWindow::pumpMessages();
        p.dispatch(effEditIdle);
        Sleep(1);
    } while (GetTickCount() - start < ms);
}

// Opens the editor in parent the way hosts do; "" or a problem.
std::string openEditor(vsthost::Plugin& p, ParentWindow& parent) {
    ERect* rect = nullptr;
    p.dispatch(effEditGetRect, 0, 0, &rect);
    if (rect) {
        if (rect->right <= rect->left || rect->bottom <= rect->top) return "effEditGetRect gives an empty rectangle";
        parent.fit(*rect);
    }
    p.dispatch(effEditOpen, 0, 0, parent.handle());
    p.dispatch(effEditGetRect, 0, 0, &rect);  // hosts ask again once it is open
    return {};
}

// A prepared instance with an editor; null with the check's verdict (failed,
// or skipped for a plug-in without editor) in result.
std::unique_ptr<Rig> editorRig(Context& context, CheckResult& result) {
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
    if (!parent.handle()) return failed("cannot create a parent window");
    BackgroundAudio audio(*rig, 256);
    const int cycles = context.count(50, 10);
    for (int n = 0; n < cycles; ++n) {
        std::string problem = openEditor(rig->plugin(), parent);
        if (!problem.empty()) return failed(problem);
        runFor(rig->plugin(), n % 5 == 0 ? 60 : 15);
        rig->plugin().dispatch(effEditClose);
        ParentWindow::pumpMessages();
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
    std::string problem = openEditor(rig->plugin(), parent);
    if (!problem.empty()) return failed(problem);
    BackgroundAudio audio(*rig, 256);
    std::mt19937 random(context.options().seed + 1414);
    const int rounds = context.count(1000, 200);
    const DWORD wait = context.quick() ? 1 : 10;
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
            Sleep(5);
            rig->plugin().setChunk(bank, false);
            Sleep(5);
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
