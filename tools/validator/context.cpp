#include "tools/validator/context.h"

namespace validator {

Context::Context(std::string pluginPath, Options options) : libraryPath(std::move(pluginPath)), checkOptions(options) {}

std::shared_ptr<vsthost::Library> Context::library(std::string& error) {
    if (!pluginLibrary) pluginLibrary = vsthost::Library::load(libraryPath, error);
    return pluginLibrary;
}

}  // namespace validator
