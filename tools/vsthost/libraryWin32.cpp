// Loading a plug-in library with LoadLibraryA (Windows; the validator runs
// under Wine).
#include "tools/vsthost/vsthost.h"

#include <windows.h>

namespace vsthost {

std::shared_ptr<Library> Library::load(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        error = "cannot load " + path + ": error " + std::to_string(GetLastError());
        return nullptr;
    }
    std::shared_ptr<Library> library(new Library());
    library->libraryPath = path;
    library->moduleHandle = module;
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (FARPROC symbol = GetProcAddress(module, name)) {
            library->entryFunction = reinterpret_cast<EntryFunction>(reinterpret_cast<void*>(symbol));
            library->entrySymbol = name;
            return library;
        }
    }
    error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
    return nullptr;
}

Library::~Library() {
    if (moduleHandle) FreeLibrary(static_cast<HMODULE>(moduleHandle));
}

}  // namespace vsthost
