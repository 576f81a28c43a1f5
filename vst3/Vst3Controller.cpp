// The controller: parameter list, texts and values, state from the processor.
#include "vst3/Vst3Controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "plugcore/valueText.h"
#include "vst3/streamBytes.h"

namespace Vst3Format {
namespace {

// Holds the edits back for a scope.
struct Quiet {
    explicit Quiet(bool& relay) : relay(relay), was(relay) { relay = false; }
    ~Quiet() { relay = was; }
    bool& relay;
    bool was;
};

constexpr const char* kOn = "On";
constexpr const char* kOff = "Off";

// The controller number of hidden parameter k (0..kMidiParameterCount-1).
Vst3::int32 controllerAt(Vst3::int32 k) { return k < kControllerCount ? k : kPitchBendController; }
Vst3::int32 midiSlot(Vst3::ParamID id) {
    const auto controller = static_cast<Vst3::int32>(id - kMidiIdBase);
    return controller < kControllerCount ? controller : kControllerCount;
}

}  // namespace

Vst3Controller* Vst3Controller::create() {
    Vst3Controller* self = new (std::nothrow) Vst3Controller;
    if (!self) return nullptr;
    try {
        self->core = FormatCore::ComposedPlug::create(44100.0, self);
        for (Vst3::int32 i = 0; self->core && i < self->productCount(); ++i)
            self->defaults.push_back(self->core->normalized(i));
    } catch (...) {
        self->core.reset();
    }
    if (!self->core) {
        self->release();
        return nullptr;
    }
    self->midiValues[kControllerCount] = 0.5;  // pitch bend at rest
    return self;
}

Vst3::IComponentHandler* Vst3Controller::editHandler(int32_t index) const {
    return relayEdits && index >= 0 && index < productCount() ? componentHandler : nullptr;
}

void Vst3Controller::editBegun(int32_t index) {
    if (Vst3::IComponentHandler* handler = editHandler(index)) handler->beginEdit(static_cast<Vst3::ParamID>(index));
}

void Vst3Controller::valueEdited(int32_t index, float normalized) {
    if (Vst3::IComponentHandler* handler = editHandler(index))
        handler->performEdit(static_cast<Vst3::ParamID>(index), normalized);
}

void Vst3Controller::editEnded(int32_t index) {
    if (Vst3::IComponentHandler* handler = editHandler(index)) handler->endEdit(static_cast<Vst3::ParamID>(index));
}

Vst3Controller::~Vst3Controller() {
    if (componentHandler) componentHandler->release();
    dropLink();
}

Vst3::tresult Vst3Controller::queryInterface(const Vst3::TUID iid, void** obj) {
    if (!obj) return Vst3::kInvalidArgument;
    if (offer<Vst3::IEditController>(this, iid, obj) || offer<Vst3::IConnectionPoint>(this, iid, obj) ||
        offer<Vst3::IUnitInfo>(this, iid, obj) || offer<Vst3::IMidiMapping>(this, iid, obj) ||
        offer<Vst3::IMidiLearn>(this, iid, obj))
        return Vst3::kResultOk;
    if (Vst3::sameIid(iid, Vst3::IPluginBase::iid) || Vst3::sameIid(iid, Vst3::FUnknown::iid)) {
        *obj = static_cast<Vst3::IEditController*>(this);
        addRef();
        return Vst3::kResultOk;
    }
    *obj = nullptr;
    return Vst3::kNoInterface;
}

Vst3::tresult Vst3Controller::initialize(Vst3::FUnknown*) { return Vst3::kResultOk; }

Vst3::tresult Vst3Controller::terminate() {
    setComponentHandler(nullptr);
    dropLink();
    peer = nullptr;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Controller::setComponentState(Vst3::IBStream* state) {
    std::vector<uint8_t> bytes;
    if (!readAll(state, bytes)) return Vst3::kInvalidArgument;
    double bypassed = 0.0;
    if (!core->restoreState(bytes.data(), bytes.size())) {
        if (!takeBypassMark(bytes) || !core->restoreState(bytes.data(), bytes.size())) return Vst3::kResultFalse;
        bypassed = 1.0;
    }
    bypass = bypassed;
    return Vst3::kResultOk;
}

// Everything the controller keeps lives in the processor's state.
Vst3::tresult Vst3Controller::setState(Vst3::IBStream* state) {
    return state ? Vst3::kResultOk : Vst3::kInvalidArgument;
}
Vst3::tresult Vst3Controller::getState(Vst3::IBStream* state) {
    return state ? Vst3::kResultOk : Vst3::kInvalidArgument;
}

Vst3::int32 Vst3Controller::getParameterCount() { return productCount() + 2 + kMidiParameterCount; }

Vst3::tresult Vst3Controller::getParameterInfo(Vst3::int32 index, Vst3::ParameterInfo& info) {
    if (index < 0 || index >= getParameterCount()) return Vst3::kInvalidArgument;
    info = Vst3::ParameterInfo{};
    info.unitId = Vst3::kRootUnitId;
    info.flags = Vst3::ParameterInfo::kCanAutomate;
    const Vst3::int32 count = productCount();
    if (index < count) {
        const FormatCore::ParameterUnits& units = core->parameterUnits(index);
        info.id = static_cast<Vst3::ParamID>(index);
        copyText(info.title, 128, units.name.c_str());
        copyText(info.shortTitle, 128, units.name.c_str());
        copyText(info.units, 128, units.label.c_str());
        info.stepCount = units.kind == FormatCore::ParameterUnits::toggle ? 1 : 0;
        info.defaultNormalizedValue = defaults[static_cast<size_t>(index)];
    } else if (index == count) {
        info.id = kBypassId;
        copyText(info.title, 128, "Bypass");
        copyText(info.shortTitle, 128, "Bypass");
        info.stepCount = 1;
        info.flags |= Vst3::ParameterInfo::kIsBypass;
    } else if (index == count + 1) {
        info.id = kProgramId;
        copyText(info.title, 128, "Program");
        copyText(info.shortTitle, 128, "Program");
        info.stepCount = std::max(0, programCount() - 1);
        info.flags |= Vst3::ParameterInfo::kIsList | Vst3::ParameterInfo::kIsProgramChange;
    } else {
        const Vst3::int32 controller = controllerAt(index - count - 2);
        midiParameter(controller, info.id);
        char title[32];
        if (controller == kPitchBendController)
            std::snprintf(title, sizeof title, "Pitch Bend");
        else
            std::snprintf(title, sizeof title, "MIDI CC %d", controller);
        copyText(info.title, 128, title);
        copyText(info.shortTitle, 128, title);
        info.stepCount = controller == kPitchBendController ? 16383 : 127;
        info.defaultNormalizedValue = controller == kPitchBendController ? 0.5 : 0.0;
        info.flags |= Vst3::ParameterInfo::kIsHidden;
    }
    return Vst3::kResultOk;
}

bool Vst3Controller::textOf(Vst3::ParamID id, double value, char* out, size_t size) {
    value = std::clamp(std::isnan(value) ? 0.0 : value, 0.0, 1.0);
    if (isProduct(id)) {
        core->text(static_cast<int32_t>(id), static_cast<float>(value), out, size);
    } else if (id == kBypassId) {
        std::snprintf(out, size, "%s", value >= 0.5 ? kOn : kOff);
    } else if (id == kProgramId) {
        const auto program = static_cast<VstInt32>(std::lround(value * std::max(0, programCount() - 1)));
        std::snprintf(out, size, "%s", programName(program));
    } else if (isMidiParameter(id)) {
        const double steps = id == kMidiIdBase + kPitchBendController ? 16383.0 : 127.0;
        std::snprintf(out, size, "%ld", std::lround(value * steps));
    } else {
        return false;
    }
    return true;
}

bool Vst3Controller::valueOf(Vst3::ParamID id, const char* text, double& value) {
    if (isProduct(id)) {
        float normalized;
        if (!core->parseText(static_cast<int32_t>(id), text, normalized)) return false;
        value = normalized;
        return true;
    }
    if (id == kBypassId) {
        if (PlugCore::sameText(text, kOn) || PlugCore::sameText(text, "1")) value = 1.0;
        else if (PlugCore::sameText(text, kOff) || PlugCore::sameText(text, "0")) value = 0.0;
        else return false;
        return true;
    }
    if (id == kProgramId) {
        const Vst3::int32 last = programCount() - 1;
        for (Vst3::int32 p = 0; p <= last; ++p) {
            if (PlugCore::sameText(text, programName(p))) {
                value = last > 0 ? static_cast<double>(p) / last : 0.0;
                return true;
            }
        }
        return false;
    }
    if (isMidiParameter(id)) {
        double number;
        const char* rest = nullptr;
        if (!PlugCore::leadingNumber(text, number, &rest) || (rest && *rest)) return false;
        const double steps = id == kMidiIdBase + kPitchBendController ? 16383.0 : 127.0;
        value = std::clamp(number / steps, 0.0, 1.0);
        return true;
    }
    return false;
}

Vst3::tresult Vst3Controller::getParamStringByValue(Vst3::ParamID id, Vst3::ParamValue value, Vst3::String128 string) {
    char text[128];
    if (!string || !textOf(id, value, text, sizeof text)) return Vst3::kInvalidArgument;
    copyText(string, 128, text);
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Controller::getParamValueByString(Vst3::ParamID id, Vst3::TChar* string, Vst3::ParamValue& value) {
    char text[128];
    if (!string) return Vst3::kInvalidArgument;
    copyText(text, sizeof text, string);
    return valueOf(id, text, value) ? Vst3::kResultOk : Vst3::kResultFalse;
}

Vst3::ParamValue Vst3Controller::normalizedParamToPlain(Vst3::ParamID id, Vst3::ParamValue value) {
    value = std::clamp(std::isnan(value) ? 0.0 : value, 0.0, 1.0);
    if (isProduct(id)) return core->displayForNormalized(static_cast<int32_t>(id), static_cast<float>(value));
    if (id == kProgramId) return std::round(value * std::max(0, programCount() - 1));
    if (isMidiParameter(id)) return std::round(value * (id == kMidiIdBase + kPitchBendController ? 16383.0 : 127.0));
    return value;
}

Vst3::ParamValue Vst3Controller::plainParamToNormalized(Vst3::ParamID id, Vst3::ParamValue plain) {
    if (std::isnan(plain)) return 0.0;
    if (isProduct(id)) {
        float normalized = 0.0f;
        return core->normalizedForDisplay(static_cast<int32_t>(id), static_cast<float>(plain), normalized)
                   ? normalized
                   : getParamNormalized(id);
    }
    double steps = 1.0;
    if (id == kProgramId) steps = std::max(1, programCount() - 1);
    if (isMidiParameter(id)) steps = id == kMidiIdBase + kPitchBendController ? 16383.0 : 127.0;
    return std::clamp(plain / steps, 0.0, 1.0);
}

Vst3::ParamValue Vst3Controller::getParamNormalized(Vst3::ParamID id) {
    if (isProduct(id)) return core->normalized(static_cast<int32_t>(id));
    if (id == kBypassId) return bypass;
    if (id == kProgramId) {
        const Vst3::int32 last = programCount() - 1;
        return last > 0 ? static_cast<double>(core->product().getProgram()) / last : 0.0;
    }
    if (isMidiParameter(id)) return midiValues[midiSlot(id)];
    return 0.0;
}

Vst3::tresult Vst3Controller::setParamNormalized(Vst3::ParamID id, Vst3::ParamValue value) {
    if (std::isnan(value)) return Vst3::kInvalidArgument;
    value = std::clamp(value, 0.0, 1.0);
    Quiet quiet(relayEdits);
    if (isProduct(id)) {
        core->setNormalized(static_cast<int32_t>(id), static_cast<float>(value));
    } else if (id == kBypassId) {
        bypass = value >= 0.5 ? 1.0 : 0.0;
    } else if (id == kProgramId) {
        selectProgram(static_cast<Vst3::int32>(std::lround(value * std::max(0, programCount() - 1))));
    } else if (isMidiParameter(id)) {
        midiValues[midiSlot(id)] = value;
    } else {
        return Vst3::kInvalidArgument;
    }
    return Vst3::kResultOk;
}

// The processor loads the same program from the same parameter, so both sides
// agree; the host reads the new values after the restart.
void Vst3Controller::selectProgram(Vst3::int32 program) {
    PlugCore::Plug& plug = core->product();
    if (program == plug.getProgram() || program < 0 || program >= programCount()) return;
    plug.setProgram(program);
    if (componentHandler) componentHandler->restartComponent(Vst3::kParamValuesChanged);
}

Vst3::tresult Vst3Controller::setComponentHandler(Vst3::IComponentHandler* handler) {
    if (handler == componentHandler) return Vst3::kResultOk;
    if (handler) handler->addRef();
    if (componentHandler) componentHandler->release();
    componentHandler = handler;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Controller::connect(Vst3::IConnectionPoint* other) {
    if (!other) return Vst3::kInvalidArgument;
    if (peer) return Vst3::kResultFalse;
    peer = other;
    void* found = nullptr;
    if (other->queryInterface(IProcessorLink::iid.bytes, &found) == Vst3::kResultOk && found)
        link = static_cast<IProcessorLink*>(found);
    return Vst3::kResultOk;
}

void Vst3Controller::dropLink() {
    if (link) link->release();
    link = nullptr;
}

Vst3::tresult Vst3Controller::disconnect(Vst3::IConnectionPoint* other) {
    if (!other || other != peer) return Vst3::kInvalidArgument;
    dropLink();
    peer = nullptr;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3Controller::notify(Vst3::IMessage* message) {
    return message ? Vst3::kResultFalse : Vst3::kInvalidArgument;
}

}  // namespace Vst3Format
