// Message boxes off Windows: the installed handler, else standard error.
#include <cstdio>

#include "platform/detail.h"

namespace platform {

void showError(const char* caption, const char* text, void*) {
    if (DialogHandler* h = currentDialogHandler()) return h->showError(caption, text);
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

void showWarning(const char* caption, const char* text) {
    if (DialogHandler* h = currentDialogHandler()) return h->showWarning(caption, text);
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

bool askYesNo(const char* caption, const char* text) {
    if (DialogHandler* h = currentDialogHandler()) return h->askYesNo(caption, text);
    std::fprintf(stderr, "%s: %s [answered No]\n", caption, text);
    return false;
}

bool askOkCancel(const char* caption, const char* text, void*) {
    if (DialogHandler* h = currentDialogHandler()) return h->askOkCancel(caption, text);
    return false;
}

}  // namespace platform
