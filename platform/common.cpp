// Parts of the platform layer that are the same on every system.
#include "platform/platform.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<DialogHandler*> installedHandler{nullptr};
}

DialogHandler* setDialogHandler(DialogHandler* handler) { return installedHandler.exchange(handler); }

DialogHandler* currentDialogHandler() { return installedHandler.load(); }

}  // namespace platform
