// The exported entry (VSTPluginMain, also main and MAIN) and the start-up hook.
#include "host/entry.h"

#include <new>

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#define ORVALT_EXPORT
#else
#define ORVALT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// [UI thread, creation] One new, independent instance per call; null for a host that
// is not a VST 2 host or when the instance cannot be built. No exception ever
// leaves this function: the host's C code could not catch it.
ORVALT_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

#if !defined(_WIN32)
// Older hosts look for the entry under the name "main"; C++ reserves that name,
// so the alias is made at the assembler level.
ORVALT_EXPORT AEffect* VSTCALLBACK vstMainAlias(audioMasterCallback audioMaster) __asm__("main");
AEffect* VSTCALLBACK vstMainAlias(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
#endif

#if defined(_WIN32)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) platform::setModuleHandle(instance);
    return TRUE;
}
#endif

}  // extern "C"
