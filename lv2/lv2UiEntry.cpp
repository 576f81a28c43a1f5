// The LV2 UI entry: one X11 editor for the product's plug-in URI, embedded
// (ui:parent) or in a window of its own (ui:showInterface), pumped by ui:idleInterface.
#include <cstring>
#include <string>

#include "lv2/Lv2Ui.h"
#include "plugcore/productEntry.h"

namespace {

using Lv2Format::Lv2Ui;

Lv2Ui* self(LV2UI_Handle h) { return static_cast<Lv2Ui*>(h); }

// [UI thread] every entry: LV2 runs a UI on the host's user-interface thread.
LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    return Lv2Ui::create(write, controller, widget, features);
}
void cleanup(LV2UI_Handle h) { delete self(h); }
void portEvent(LV2UI_Handle h, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    self(h)->portEvent(port, size, format, buffer);
}
int idle(LV2UI_Handle h) { return self(h)->idle(); }
int show(LV2UI_Handle h) { return self(h)->show(); }
int hide(LV2UI_Handle h) { return self(h)->hide(); }

const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface{idle};
    static const LV2UI_Show_Interface showInterface{show, hide};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    if (std::strcmp(uri, LV2_UI__showInterface) == 0) return &showInterface;
    return nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    static const std::string uri = Lv2Format::uiUri(PlugCore::productRecord());
    static const LV2UI_Descriptor descriptor{uri.c_str(), instantiate, cleanup, portEvent, extensionData};
    return index == 0 ? &descriptor : nullptr;
}
