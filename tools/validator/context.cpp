#include "tools/validator/context.h"

namespace validator {

Context::Context(std::string pluginPath, Options options) : path_(std::move(pluginPath)), options_(options) {}

std::shared_ptr<vsthost::Library> Context::library(std::string& error) {
    if (!library_) library_ = vsthost::Library::load(path_, error);
    return library_;
}

}  // namespace validator
