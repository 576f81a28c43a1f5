// The library's one export, clap_entry, and its plug-in factory: one plug-in,
// described from the product's own record.
#include <cctype>
#include <cstring>
#include <string>

#include "clap/ClapPlugin.h"
#include "plugcore/productEntry.h"

#ifndef ORVALT_CLAP_VERSION
#error "the build passes the release version as ORVALT_CLAP_VERSION"
#endif

namespace ClapFormat {
namespace {

std::string lowered(const char* text) {
    std::string s(text);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The texts the descriptor points at, made once from the product's record.
struct DescriptorTexts {
    std::string id, name, vendor, url;
    DescriptorTexts() {
        const PlugCore::ProductInfo& product = PlugCore::productRecord();
        id = "com." + lowered(product.maker) + "." + lowered(product.name);
        name = product.name;
        vendor = product.maker;
        if (product.webHost) url = std::string("https://") + product.webHost;
    }
};

const DescriptorTexts& texts() {
    static const DescriptorTexts made;
    return made;
}

// [UI thread]
uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }
const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index) {
    return index == 0 ? &ClapPlugin::descriptor() : nullptr;
}
const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* id) {
    if (!id || std::strcmp(id, ClapPlugin::descriptor().id) != 0) return nullptr;
    return ClapPlugin::create(host);
}
const clap_plugin_factory_t factory{pluginCount, pluginDescriptor, createPlugin};

// [UI thread] Nothing to set up: the product is built per instance.
bool entryInit(const char*) { return true; }
void entryDeinit() {}
const void* entryFactory(const char* id) {
    return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &factory : nullptr;
}

}  // namespace

const clap_plugin_descriptor_t& ClapPlugin::descriptor() {
    static const char* const features[] = {"audio-effect", "distortion", "limiter", "stereo", nullptr};
    static const clap_plugin_descriptor_t record = [] {
        const DescriptorTexts& t = texts();
        clap_plugin_descriptor_t d{};
        d.clap_version = {1, 2, 10};
        d.id = t.id.c_str();
        d.name = t.name.c_str();
        d.vendor = t.vendor.c_str();
        d.url = t.url.c_str();
        d.manual_url = t.url.c_str();
        d.support_url = t.url.c_str();
        d.version = ORVALT_CLAP_VERSION;
        d.description = "Stereo saturating clipper";
        d.features = features;
        return d;
    }();
    return record;
}

}  // namespace ClapFormat

extern "C" {
#ifdef _WIN32
__declspec(dllexport)
#else
__attribute__((visibility("default")))
#endif
extern const clap_plugin_entry_t clap_entry;
const clap_plugin_entry_t clap_entry{{1, 2, 10}, ClapFormat::entryInit, ClapFormat::entryDeinit,
                                     ClapFormat::entryFactory};
}
