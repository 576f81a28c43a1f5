// The C entry points a host calls: thin thunks from a clap_plugin_t to its
// ClapPlugin, for the plug-in record and every extension table.
#pragma once

#include "clap/clapExtensions.h"

namespace ClapFormat {

struct PluginCalls {
    // [UI thread, creation] Points the record's functions at the thunks.
    static void fill(clap_plugin_t& record);
    // [any thread] The extension table named id, null when there is none.
    static const void* extension(const char* id);
};

}  // namespace ClapFormat
