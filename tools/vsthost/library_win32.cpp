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
    library->path_ = path;
    library->handle_ = module;
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (FARPROC symbol = GetProcAddress(module, name)) {
            library->entry_ = reinterpret_cast<EntryFunction>(reinterpret_cast<void*>(symbol));
            library->entryName_ = name;
            return library;
        }
    }
    error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
    return nullptr;
}

Library::~Library() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

}  // namespace vsthost
