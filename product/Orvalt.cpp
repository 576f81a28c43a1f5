// Orvalt's construction, parameters and display texts.
#include "product/Orvalt.h"

#include <cstdio>

#include "host/entry.h"
#include "product/editorFactory.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new Orvalt(audioMaster); }

Orvalt::Orvalt(audioMasterCallback audioMaster) : Plug(audioMaster, "Orvalt", kNumPrograms, kNumParams) {
    setUniqueID(fourCharCode("oRvL"));
    editorDescription = PlugCore::EditorLayout{410, 100, kNumParams, 101, 8, 0x00378DEE};
    setEditor(createOrvaltEditor(this));

    initParameter(kInput, "input", "dB", 0.0f);
    initParameter(kWarm, "warm", "", 0.0f);
    initParameter(kLimit, "limit", "dB", 1.0f);
    initParameter(kBass, "bass", "dB", 0.0f);
    initParameter(kClip, "clip", "", 1.0f);
    initParameter(kDrive, "drive", "db", 1.0f);
    initParameter(kMakeup, "makeup", "", 0.0f);

    loadDefaults();
}

Orvalt::~Orvalt() = default;

void Orvalt::formatParameter(VstInt32 index, char* text, float v) {
    if (!text) return;
    const double x = v;
    switch (index) {
        case kInput: std::snprintf(text, 12, "%+.2f", x * 20.0f); break;
        case kLimit: std::snprintf(text, 12, "%.2f", (x - 1.0f) * 10.0f); break;
        case kBass: std::snprintf(text, 12, "%+.2f", x * 10.0f); break;
        case kDrive: std::snprintf(text, 12, "%+.2f", x * 20.0f - 20.0f); break;
        case kWarm:
        case kClip:
        case kMakeup: std::snprintf(text, 12, "%s", v > 0.5f ? "on" : "off"); break;
        default: break;
    }
}
