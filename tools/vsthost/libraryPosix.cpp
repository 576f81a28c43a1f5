// Loading a plug-in library with dlopen (Linux and other POSIX systems).
#include "tools/vsthost/vsthost.h"

#include <dlfcn.h>

namespace vsthost {

std::shared_ptr<Library> Library::load(const std::string& path, std::string& error) {
    // Local symbols: two plug-ins built from the same framework must not bind
    // to each other's functions.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason ? reason : "unknown reason");
        return nullptr;
    }
    std::shared_ptr<Library> library(new Library());
    library->libraryPath = path;
    library->moduleHandle = handle;
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = dlsym(handle, name)) {
            library->entryFunction = reinterpret_cast<EntryFunction>(symbol);
            library->entrySymbol = name;
            return library;
        }
    }
    error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
    return nullptr;  // the destructor unloads it
}

Library::~Library() {
    if (moduleHandle) dlclose(moduleHandle);
}

}  // namespace vsthost
