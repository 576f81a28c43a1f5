// Windows: while a PluginChatter exists, every message box of this process
// is answered, pressing No where there is one, else Cancel, else OK: boxes on
// the chatter's own thread before they appear, any others by a watcher thread
// as soon as they are visible. Task-modal boxes run their own message
// loop on the thread that asked, so a posted button command ends them.
#include "tools/validator/pluginChatter.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace validator {
namespace {

std::mutex watcherMutex;  // guards the fields below
int activeChatters = 0;
std::thread watcher;
std::atomic<bool> watching{false};
std::atomic<int> boxesAnswered{0};
std::string firstBoxText;

bool isDialogBox(HWND window) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770";
}

// Counts the box once; returns the button to press.
int noteBox(HWND window) {
    if (!GetPropA(window, "vstvalidateAnswered")) {
        SetPropA(window, "vstvalidateAnswered", reinterpret_cast<HANDLE>(1));
        char text[256] = {};
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's static text
        std::lock_guard<std::mutex> guard(watcherMutex);
        if (firstBoxText.empty()) firstBoxText = text;
        boxesAnswered.fetch_add(1);
    }
    return GetDlgItem(window, IDNO) ? IDNO : GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK;
}

// On the thread that shows the box: the moment its dialog is set up, a posted
// button command waits in the queue, so the box ends before it is ever shown
// (hiding a shown window costs Wine seconds without a window manager).
LRESULT CALLBACK answerBeforeShowing(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && isDialogBox(call->hwnd)) {
        int button = noteBox(call->hwnd);
        PostMessageA(call->hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(call->hwnd, button)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Any thread's box that got shown after all (boxes on threads without a hook).
BOOL CALLBACK answerIfBox(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    if (!isDialogBox(window)) return TRUE;
    const bool answered = GetPropA(window, "vstvalidateAnswered") != nullptr;
    if (!IsWindowVisible(window)) {
        // Ended but still waiting for a message to leave its loop.
        if (answered) PostMessageA(window, WM_NULL, 0, 0);
        return TRUE;
    }
    int button = noteBox(window);
    // The command is sent, which ends the dialog at once; a sent message
    // does not wake the box's message loop, so a posted empty message follows.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(window, button)), SMTO_ABORTIFHUNG, 200, &ignored);
    PostMessageA(window, WM_NULL, 0, 0);
    return TRUE;
}

void watch() {
    while (watching.load()) {
        EnumWindows(answerIfBox, 0);
        Sleep(5);
    }
}

}  // namespace

struct PluginChatter::State {
    int answeredBefore = 0;
    HHOOK hook = nullptr;
};

PluginChatter::PluginChatter() : state(new State) {
    state->hook = SetWindowsHookExA(WH_CALLWNDPROCRET, answerBeforeShowing, nullptr, GetCurrentThreadId());
    std::lock_guard<std::mutex> guard(watcherMutex);
    state->answeredBefore = boxesAnswered.load();
    if (activeChatters++ == 0) {
        firstBoxText.clear();
        watching.store(true);
        watcher = std::thread(watch);
    }
}

PluginChatter::~PluginChatter() {
    std::thread finished;
    {
        std::lock_guard<std::mutex> guard(watcherMutex);
        if (--activeChatters == 0) {
            watching.store(false);
            finished = std::move(watcher);
        }
    }
    if (finished.joinable()) finished.join();
    if (state->hook) UnhookWindowsHookEx(state->hook);
    delete state;
}

std::string PluginChatter::summary() {
    int n = boxesAnswered.load() - state->answeredBefore;
    if (n <= 0) return {};
    std::string text;
    {
        std::lock_guard<std::mutex> guard(watcherMutex);
        text = firstBoxText;
    }
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return std::to_string(n) + " message box(es) answered, first: \"" + text + "\"";
}

std::string PluginChatter::lastCapturedText(size_t) { return {}; }
void PluginChatter::clearCapture() {}

}  // namespace validator
