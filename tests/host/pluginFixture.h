// Loads the built plug-in library once per test and creates instances through
// its real entry.
#pragma once

#include <gtest/gtest.h>

#include "tools/vsthost/vsthost.h"

class BuiltPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
        ASSERT_TRUE(library) << error;
    }
    std::unique_ptr<vsthost::Plugin> create(std::shared_ptr<vsthost::Host> host = nullptr) {
        std::string error;
        auto plugin = vsthost::Plugin::create(library, host, error);
        EXPECT_TRUE(plugin) << error;
        return plugin;
    }
    std::shared_ptr<vsthost::Library> library;
};

#if defined(_WIN32) || defined(ORVALT_HAS_EDITOR)
constexpr VstInt32 kExpectedFlags = 0x1031;  // with the editor (Windows, and Linux with X11)
#else
constexpr VstInt32 kExpectedFlags = 0x1030;  // a build without a window-system layer has no editor
#endif
