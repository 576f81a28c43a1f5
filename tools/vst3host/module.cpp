// Loading a bundle's module and finding its classes.
#include <sys/stat.h>

#include "tools/vst3host/vst3host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vst3host {

std::string Module::moduleIn(const std::string& bundle) {
    struct stat info {};
    if (stat(bundle.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return bundle;
    const std::string stem = bundle.substr(bundle.find_last_of("/\\") + 1, std::string::npos);
    const std::string name = stem.substr(0, stem.rfind(".vst3"));
#if defined(_WIN32)
    return bundle + (sizeof(void*) == 8 ? "/Contents/x86_64-win/" : "/Contents/x86-win/") + name + ".vst3";
#else
    return bundle + "/Contents/x86_64-linux/" + name + ".so";
#endif
}

std::shared_ptr<Module> Module::load(const std::string& path, std::string& error) {
    auto module = std::make_shared<Module>();
    const std::string file = moduleIn(path);
    using GetFactory = Vst3::IPluginFactory*(VST3CALL*)();
#if defined(_WIN32)
    HMODULE library = LoadLibraryA(file.c_str());
    if (!library) {
        error = "cannot load " + file;
        return nullptr;
    }
    module->handle = library;
    auto getFactory = reinterpret_cast<GetFactory>(reinterpret_cast<void*>(GetProcAddress(library, "GetPluginFactory")));
    auto initDll = reinterpret_cast<bool (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "InitDll")));
    module->moduleExit = reinterpret_cast<bool (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "ExitDll")));
    if (initDll && !initDll()) {
        error = "InitDll failed";
        return nullptr;
    }
#else
    module->handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module->handle) {
        error = dlerror();
        return nullptr;
    }
    auto getFactory = reinterpret_cast<GetFactory>(dlsym(module->handle, "GetPluginFactory"));
    auto moduleEntry = reinterpret_cast<bool (*)(void*)>(dlsym(module->handle, "ModuleEntry"));
    module->moduleExit = reinterpret_cast<bool (*)()>(dlsym(module->handle, "ModuleExit"));
    if (!moduleEntry || !module->moduleExit) {
        error = "no ModuleEntry/ModuleExit in " + file;
        return nullptr;
    }
    if (!moduleEntry(module->handle)) {
        module->moduleExit = nullptr;
        error = "ModuleEntry failed";
        return nullptr;
    }
#endif
    if (!getFactory || !(module->pluginFactory = getFactory())) {
        error = "no factory in " + file;
        return nullptr;
    }
    return module;
}

Module::~Module() {
    if (pluginFactory) pluginFactory->release();
    if (moduleExit) moduleExit();
#if defined(_WIN32)
    if (handle) FreeLibrary(static_cast<HMODULE>(handle));
#else
    if (handle) dlclose(handle);
#endif
}

bool Module::classOf(const char* category, Vst3::TUID cid) const {
    for (Vst3::int32 k = 0; k < pluginFactory->countClasses(); ++k) {
        Vst3::PClassInfo info{};
        if (pluginFactory->getClassInfo(k, &info) == Vst3::kResultOk && std::strcmp(info.category, category) == 0) {
            std::memcpy(cid, info.cid, sizeof(Vst3::TUID));
            return true;
        }
    }
    return false;
}

}  // namespace vst3host
