// The editor window's messages: the widgets' requests, learn hand-over, timer and the background menu.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "plugedit/Edit.h"
#include "plugedit/win32/EditWin.h"
#include "plugedit/messages.h"
#include "plugedit/win32/popupMenu.h"

namespace PlugEdit {

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
    showPopupMenu(hwnd(), TPM_CENTERALIGN | TPM_VERPOSANIMATION, r.right - 45, r.bottom,
                  backgroundMenu(owner->webHost()));
}

void EditWin::onCommand(WPARAM command) {
    if (command == commandWebSite) {
        if (!owner->webHost()) return;
        char url[160];
        std::snprintf(url, sizeof url, "https://%s/", owner->webHost());
        ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWDEFAULT);
    } else if (command == commandSaveDefaults) {
        if (platform::askOkCancel(host().productName(), saveDefaultsQuestion, hwnd())) saveDefaults();
    }
}

void EditWin::saveDefaults() {
    std::string file, reason;
    if (host().saveDefaults(file, reason)) return;
    // The user asked for this and confirmed it: a failure must not pass unseen.
    platform::showError(host().productName(), saveFailureText(file, reason).c_str(), hwnd());
}

void EditWin::sendToControl(int32_t index, UINT message) {
    HWND widget = control(index);
    if (widget) SendMessageA(widget, message, 0, 0);
}

void EditWin::endPendingLearn() {
    // The learning widget leaves its learn display and the plug-in stops waiting.
    learning = false;
    host().cancelLearn();
    sendToControl(learnIndex, msgLearnEnd);
}

LRESULT EditWin::onEditorMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The host checks every index (EditHost): a request for a parameter outside the table does nothing.
    EditHost& plug = host();
    const int32_t index = static_cast<int32_t>(wParam);
    switch (message) {
        case msgSetValue: plug.setValue(index, floatFromBits(static_cast<uint32_t>(lParam))); break;
        case msgBeginEdit: plug.beginEdit(index); break;
        case msgEndEdit: plug.endEdit(index); break;
        case msgLearn:
            if (learning)
                sendToControl(learnIndex, msgLearnEnd);  // the previous widget leaves its learn display
            else
                learning = true;
            learnIndex = index;
            plug.startLearn(index);
            sendToControl(index, msgLearn);
            break;
        case msgUnlearn:
            if (learning) endPendingLearn();
            plug.unlearn(index);
            break;
        case msgLearnEnd:
            if (learning) endPendingLearn();
            break;
        case msgResetDefault: plug.setValue(index, plug.defaultValue(index)); break;
        default: break;
    }
    return 0;
}

}  // namespace PlugEdit
