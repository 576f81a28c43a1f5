// The editor window's messages: the widgets' requests, learn hand-over, timer and the background menu.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "plugedit/Edit.h"
#include "plugedit/EditWin.h"
#include "plugedit/messages.h"
#include "plugedit/popupMenu.h"

namespace PlugEdit {

namespace {
const char* const saveDefaultsQuestion =
    "Saving new defaults for:\n - parameter values (current values) and presets\n - MIDI mappings (current mappings)\n";
}

LRESULT EditWin::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            if (!timerRunning) timerRunning = SetTimer(window, 0, 10, nullptr) != 0;
            return WinControl::handleMessage(window, message, wParam, lParam);
        case WM_TIMER: timerTick(); return 0;
        case WM_LBUTTONDOWN: {
            const int px = static_cast<short>(LOWORD(lParam));
            const int py = static_cast<short>(HIWORD(lParam));
            if (px > layout->width - 90 && py > layout->height - 30) showBackgroundMenu();
            return 0;
        }
        case WM_COMMAND: onCommand(wParam); return 0;
        case msgSetValue:
        case msgShowValue:
        case msgBeginEdit:
        case msgEndEdit:
        case msgLearn:
        case msgUnlearn:
        case msgLearnEnd:
        case msgResetDefault: return onEditorMessage(message, wParam, lParam);
        default: return WinControl::handleMessage(window, message, wParam, lParam);
    }
}

void EditWin::showBackgroundMenu() {
    RECT r;
    GetWindowRect(hwnd(), &r);
    char webEntry[128];
    std::snprintf(webEntry, sizeof webEntry, "&Go to %s", owner->webHost() ? owner->webHost() : "");
    showPopupMenu(hwnd(), TPM_CENTERALIGN | TPM_VERPOSANIMATION, r.right - 45, r.bottom, [&](HMENU menu) {
        AppendMenuA(menu, MF_STRING, commandSaveDefaults, "&Save defaults...");
        AppendMenuA(menu, MF_STRING, commandWebSite, webEntry);
    });
}

void EditWin::onCommand(WPARAM command) {
    if (command == commandWebSite) {
        if (!owner->webHost()) return;
        char url[160];
        std::snprintf(url, sizeof url, "https://%s/", owner->webHost());
        ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWDEFAULT);
    } else if (command == commandSaveDefaults) {
        if (platform::askOkCancel(plugin()->getPluginName(), saveDefaultsQuestion, hwnd())) saveDefaults();
    }
}

void EditWin::saveDefaults() {
    PlugCore::Plug::SaveFailure failure;
    if (plugin()->saveDefaults(&failure)) return;
    // The user asked for this and confirmed it: a failure must not pass unseen.
    const std::string text = "Couldn't save the defaults to\n" + failure.file + "\n\n" + failure.reason;
    platform::showError(plugin()->getPluginName(), text.c_str(), hwnd());
}

void EditWin::sendToControl(int32_t index, UINT message) {
    HWND widget = control(index);
    if (widget) SendMessageA(widget, message, 0, 0);
}

void EditWin::endPendingLearn() {
    // The learning widget leaves its learn display and the plug-in stops waiting.
    learning = false;
    plugin()->cancelLearn();
    sendToControl(learnIndex, msgLearnEnd);
}

LRESULT EditWin::onEditorMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    PlugCore::Plug* plug = plugin();
    const int32_t index = static_cast<int32_t>(wParam);
    const bool inTable = index >= 0 && static_cast<uint32_t>(index) < plug->parameterTable().count;
    switch (message) {
        case msgSetValue:
            if (inTable) plug->setParameterAutomated(index, floatFromBits(static_cast<uint32_t>(lParam)));
            break;
        case msgBeginEdit:
            if (inTable) plug->beginEdit(index);
            break;
        case msgEndEdit:
            if (inTable) plug->endEdit(index);
            break;
        case msgLearn:
            if (learning)
                sendToControl(learnIndex, msgLearnEnd);  // the previous widget leaves its learn display
            else
                learning = true;
            learnIndex = index;
            if (inTable) plug->startLearn(index);
            sendToControl(index, msgLearn);
            break;
        case msgUnlearn:
            if (learning) endPendingLearn();
            if (inTable) plug->assignMidiKey(index, -1);
            break;
        case msgLearnEnd:
            if (learning) endPendingLearn();
            break;
        case msgResetDefault:
            if (inTable) plug->resetToDefault(index);
            break;
        default: break;
    }
    return 0;
}

}  // namespace PlugEdit
