// Construction, tear-down, parameters, identity and pins of PlugCore::Plug.
#include "plugcore/Plug.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "plugcore/SharedBlock.h"

namespace PlugCore {

namespace {
constexpr VstInt32 kWheelSelector = fourCharCode("stCA");
constexpr VstInt32 kWheelValue = fourCharCode("Whee");

// A product that left its name or maker out gets empty texts, never a null one.
ProductInfo withTexts(ProductInfo product) {
    if (!product.name) product.name = "";
    if (!product.maker) product.maker = "";
    return product;
}
}  // namespace

Plug::Plug(audioMasterCallback audioMaster, const ProductInfo& product)
    : AudioEffectX(audioMaster, product.programCount, product.paramCount), identity(withTexts(product)) {
    params.params = std::make_unique<Param[]>(static_cast<size_t>(identity.paramCount));
    params.count = static_cast<uint32_t>(identity.paramCount);
    params.allDirty = 1;
    setUniqueID(identity.uniqueId);
    cEffect.version = identity.version;
    cEffect.flags |= effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing;
    setNumInputs(kChannels);
    setNumOutputs(kChannels);

    programs.resize(static_cast<size_t>(identity.programCount));
    for (VstInt32 p = 0; p < identity.programCount; ++p) {
        programs[p].values.resize(static_cast<size_t>(identity.paramCount));
        snapshotProgram(p);
        std::memset(programs[p].name, 0, sizeof(programs[p].name));
        std::snprintf(programs[p].name, sizeof(programs[p].name), "Init %d", static_cast<int>(p + 1));
    }
}

Plug::~Plug() {
    // The editor goes first: closing an open window still talks to the tables,
    // which the members' own destructors free after this body.
    meterBlock.store(nullptr, std::memory_order_release);
    editor.reset();
}

void Plug::setEditor(AEffEditor* e) {
    AudioEffectX::setEditor(e);
    // Looked up once here, on the UI thread, instead of on every audio block.
    meterBlock.store(dynamic_cast<SharedBlock*>(e), std::memory_order_release);
}

void Plug::setParameter(VstInt32 index, float value) {
    if (Param* p = parameter(index)) {
        p->value.store(clampUnit(value), std::memory_order_relaxed);
        // Publishes the store to the frame's "did anything move" check.
        valueStores.fetch_add(1, std::memory_order_release);
    }
}

// Stored values are never negative, -0 included, so no absolute value is needed.
float Plug::getParameter(VstInt32 index) {
    const Param* p = parameter(index);
    return p ? p->value.load(std::memory_order_relaxed) : 0.0f;
}

void Plug::getParameterName(VstInt32 index, char* text) {
    if (!text) return;
    const Param* p = parameter(index);
    std::strcpy(text, p && p->name ? p->name : "**");
}

void Plug::getParameterLabel(VstInt32 index, char* text) {
    if (!text) return;
    const Param* p = parameter(index);
    std::strcpy(text, p && p->label ? p->label : "");
}

void Plug::getParameterDisplay(VstInt32 index, char* text) {
    if (text && parameter(index)) formatParameter(index, text, kVstMaxParamStrLen, getParameter(index));
}

bool Plug::cookParameter(int32_t, float) { return true; }

void Plug::resetToDefault(VstInt32 index) {
    const Param* p = parameter(index);
    setParameterAutomated(index, p ? p->defaultValue : 0.0f);
}

void Plug::initParameter(VstInt32 index, const char* name, const char* label, float defaultValue) {
    Param* p = parameter(index);
    if (!p) return;
    p->name = name;
    p->label = label;
    p->defaultValue = defaultValue;
    setParameter(index, defaultValue);  // final: no product code runs while the product is being built
}

bool Plug::getEffectName(char* text) {
    std::strcpy(text, identity.name);
    return true;
}

bool Plug::getVendorString(char* text) {
    std::strcpy(text, identity.maker);
    return true;
}

bool Plug::getProductString(char* text) {
    std::snprintf(text, kVstMaxProductStrLen, "%s %s", identity.maker, identity.name);
    return true;
}

VstInt32 Plug::canDo(char* text) { return (text && std::strcmp(text, "receiveVstMidiEvent") == 0) ? 1 : 0; }

VstIntPtr Plug::vendorSpecific(VstInt32 index, VstIntPtr value, void*, float opt) {
    if (index != kWheelSelector || value != kWheelValue) return 0;
    return platform::forwardMouseWheel(opt);
}

// Both pins of the one stereo pair, in and out: "Main L" and "Main R".
static bool fillPin(VstInt32 index, VstPinProperties* properties) {
    if (index < 0 || index >= Plug::kChannels || !properties) return false;
    std::snprintf(properties->label, sizeof(properties->label), "Main %s", (index & 1) ? "R" : "L");
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool Plug::getInputProperties(VstInt32 index, VstPinProperties* properties) {
    return fillPin(index, properties);
}

bool Plug::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    return fillPin(index, properties);
}

}  // namespace PlugCore
