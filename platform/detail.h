// Internal helpers shared by the platform implementations.
#pragma once

#include "platform/platform.h"

namespace platform {
DialogHandler* currentDialogHandler();
// Bytes the next writes may still put out before the test seam makes them fail (-1: unlimited).
long long writeBudget();
void spendWriteBudget(long long bytes);
// The reason a write gives when the file took fewer bytes than it was given.
std::string shortWriteReason(size_t written, size_t size);
}  // namespace platform
