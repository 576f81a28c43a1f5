// Window-system calls that have no counterpart off Windows.
#include "platform/detail.h"

namespace platform {

namespace {
void* module = nullptr;
}

intptr_t forwardMouseWheel(float) { return 0; }
void setModuleHandle(void* m) { module = m; }
void* moduleHandle() { return module; }
void gdiFlush() {}

}  // namespace platform
