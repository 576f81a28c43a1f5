// The LV2 entry: one descriptor for the product, its URI from the product
// record, and the state interface.
#include <cstring>
#include <string>

#include "lv2/Lv2Instance.h"
#include "plugcore/productEntry.h"

namespace {

using Lv2Format::Lv2Instance;

Lv2Instance* self(LV2_Handle h) { return static_cast<Lv2Instance*>(h); }

// [UI thread]
LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    return Lv2Instance::create(rate, features);
}
// [any thread]
void connectPort(LV2_Handle h, uint32_t port, void* data) { self(h)->connectPort(port, data); }
// [UI thread]
void activate(LV2_Handle h) { self(h)->activate(); }
// [audio thread]
void run(LV2_Handle h, uint32_t frames) { self(h)->run(frames); }
// [UI thread]
void deactivate(LV2_Handle h) { self(h)->deactivate(); }
void cleanup(LV2_Handle h) { delete self(h); }

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
    return self(h)->save(store, handle);
}
LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                         const LV2_Feature* const*) {
    return self(h)->restore(retrieve, handle);
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state{save, restore};
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    static const std::string uri = Lv2Format::pluginUri(PlugCore::productRecord());
    static const LV2_Descriptor descriptor{uri.c_str(), instantiate, connectPort, activate, run,
                                           deactivate,  cleanup,     extensionData};
    return index == 0 ? &descriptor : nullptr;
}
