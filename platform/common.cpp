// Parts of the platform layer that are the same on every system.
#include "platform/detail.h"

#include <atomic>
#include <string>

namespace platform {

namespace {
std::atomic<DialogHandler*> installedHandler{nullptr};
std::atomic<long long> budget{-1};  // bytes the test seam still lets through, -1 unlimited
}  // namespace

long long writeBudget() { return budget.load(); }
void spendWriteBudget(long long bytes) {
    long long b = budget.load();
    if (b >= 0) budget.store(b > bytes ? b - bytes : 0);
}
void failWritesAfter(long long bytes) { budget.store(bytes); }

std::string shortWriteReason(size_t written, size_t size) {
    return "only " + std::to_string(written) + " of " + std::to_string(size) + " bytes could be written";
}

DialogHandler* setDialogHandler(DialogHandler* handler) { return installedHandler.exchange(handler); }

DialogHandler* currentDialogHandler() { return installedHandler.load(); }

}  // namespace platform
