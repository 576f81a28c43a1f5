// Message boxes on Windows: the installed handler, else a real task-modal box.
#include <windows.h>

#include "platform/detail.h"

namespace platform {

void showError(const char* caption, const char* text, void* ownerWindow) {
    if (DialogHandler* h = currentDialogHandler()) return h->showError(caption, text);
    MessageBoxA(static_cast<HWND>(ownerWindow), text, caption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void showWarning(const char* caption, const char* text) {
    if (DialogHandler* h = currentDialogHandler()) return h->showWarning(caption, text);
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONWARNING);
}

bool askYesNo(const char* caption, const char* text) {
    if (DialogHandler* h = currentDialogHandler()) return h->askYesNo(caption, text);
    return MessageBoxA(nullptr, text, caption, MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES;
}

bool askOkCancel(const char* caption, const char* text, void* ownerWindow) {
    if (DialogHandler* h = currentDialogHandler()) return h->askOkCancel(caption, text);
    return MessageBoxA(static_cast<HWND>(ownerWindow), text, caption,
                       MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL) == IDOK;
}

}  // namespace platform
