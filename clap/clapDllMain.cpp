// The Windows library's own handle, which the editor needs to find its
// pictures among the library's resources.
#include <windows.h>

#include "platform/platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) platform::setModuleHandle(instance);
    return TRUE;
}
