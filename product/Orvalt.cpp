// Orvalt's construction, parameters and display texts.
#include "product/Orvalt.h"

#include <cstdio>

#include "host/entry.h"
#include "plugcore/productEntry.h"
#include "product/editorFactory.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new Orvalt(audioMaster); }

const PlugCore::ProductInfo& Orvalt::product() {
    static const PlugCore::ProductInfo info = [] {
        PlugCore::ProductInfo p;
        p.name = "Orvalt";
        p.maker = "Quillmarsh";
        p.webHost = "www.quillmarsh.com";
        p.uniqueId = fourCharCode("oRvL");
        p.version = 1;
        p.programCount = kNumPrograms;
        p.paramCount = kNumParams;
        p.editor.width = 410;
        p.editor.height = 100;
        p.editor.controlCount = kNumParams;
        p.editor.backgroundId = 101;  // the background bitmap resource
        p.editor.sharedSize = 2 * sizeof(float);  // the meter block: left and right clip peaks
        p.editor.captionColour = 0x00378DEE;  // red 238, green 141, blue 55
        return p;
    }();
    return info;
}

Orvalt::Orvalt(audioMasterCallback audioMaster) : Plug(audioMaster, product()) {
    setEditor(createOrvaltEditor(this));

    initParameter(kInput, "input", "dB", 0.0f);
    initParameter(kWarm, "warm", "", 0.0f);
    initParameter(kLimit, "limit", "dB", 1.0f);
    initParameter(kBass, "bass", "dB", 0.0f);
    initParameter(kClip, "clip", "", 1.0f);
    // "db" in lower case is drive's unit text as hosts have always shown it; it stays.
    initParameter(kDrive, "drive", "db", 1.0f);
    initParameter(kMakeup, "makeup", "", 0.0f);

    loadDefaults();
}

Orvalt::~Orvalt() = default;

void Orvalt::formatParameter(VstInt32 index, char* text, size_t size, float v) {
    if (!text || size == 0) return;
    const double x = v;
    switch (index) {
        case kInput: std::snprintf(text, size, "%+.2f", x * 20.0f); break;
        case kLimit: std::snprintf(text, size, "%.2f", (x - 1.0f) * 10.0f); break;
        case kBass: std::snprintf(text, size, "%+.2f", x * 10.0f); break;
        case kDrive: std::snprintf(text, size, "%+.2f", x * 20.0f - 20.0f); break;
        case kWarm:
        case kClip:
        case kMakeup: std::snprintf(text, size, "%s", v > 0.5f ? "on" : "off"); break;
        default: break;
    }
}

const PlugCore::ProductInfo& PlugCore::productRecord() { return Orvalt::product(); }

PlugCore::Plug* PlugCore::createPlug(audioMasterCallback audioMaster) { return new Orvalt(audioMaster); }
