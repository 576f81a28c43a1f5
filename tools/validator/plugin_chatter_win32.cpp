// Windows: a hook on the calling thread answers every message box the moment
// it is activated. Task-modal boxes run their own message loop on the thread
// that asked, so a posted button command ends them.
#include "tools/validator/plugin_chatter.h"

#include <windows.h>

#include <string>

namespace validator {
namespace {

thread_local int boxesAnswered = 0;
thread_local std::string firstBoxText;

LRESULT CALLBACK answerBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[32] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::string(className) == "#32770") {
            ++boxesAnswered;
            if (firstBoxText.empty()) {
                char text[256] = {};
                GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's static text
                firstBoxText = text;
            }
            int button = GetDlgItem(window, IDNO) ? IDNO : GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK;
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

struct PluginChatter::State {
    HHOOK hook = nullptr;
    int answeredBefore = 0;
};

PluginChatter::PluginChatter() : state_(new State) {
    state_->answeredBefore = boxesAnswered;
    firstBoxText.clear();
    state_->hook = SetWindowsHookExA(WH_CBT, answerBoxes, nullptr, GetCurrentThreadId());
}

PluginChatter::~PluginChatter() {
    if (state_->hook) UnhookWindowsHookEx(state_->hook);
    delete state_;
}

std::string PluginChatter::summary() {
    int n = boxesAnswered - state_->answeredBefore;
    if (n <= 0) return {};
    std::string text = firstBoxText;
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return std::to_string(n) + " message box(es) answered, first: \"" + text + "\"";
}

std::string PluginChatter::lastCapturedText(size_t) { return {}; }
void PluginChatter::clearCapture() {}

}  // namespace validator
