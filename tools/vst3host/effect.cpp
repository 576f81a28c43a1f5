// A processor and controller pair, set up and driven as hosts do.
#include <cctype>

#include "tools/vst3host/vst3host.h"

namespace vst3host {
namespace {

std::string narrow(const Vst3::TChar* text) {
    std::string out;
    for (; *text; ++text) out += static_cast<char>(*text < 0x80 ? *text : '?');
    return out;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::unique_ptr<Effect> Effect::create(std::shared_ptr<Module> module, std::string& error) {
    std::unique_ptr<Effect> effect(new Effect);
    effect->module = module;
    Vst3::TUID processorClass, controllerClass;
    if (!module->classOf("Audio Module Class", processorClass)) {
        error = "no processor class";
        return nullptr;
    }
    Vst3::IPluginFactory* factory = module->factory();
    if (factory->createInstance(processorClass, Vst3::IComponent::iid.bytes,
                                reinterpret_cast<void**>(&effect->component)) != Vst3::kResultOk ||
        !effect->component) {
        error = "the processor cannot be created";
        return nullptr;
    }
    effect->component->initialize(nullptr);
    if (effect->component->queryInterface(Vst3::IAudioProcessor::iid.bytes,
                                          reinterpret_cast<void**>(&effect->processor)) != Vst3::kResultOk) {
        error = "the processor has no IAudioProcessor";
        return nullptr;
    }
    if (effect->component->getControllerClassId(controllerClass) != Vst3::kResultOk ||
        factory->createInstance(controllerClass, Vst3::IEditController::iid.bytes,
                                reinterpret_cast<void**>(&effect->controller)) != Vst3::kResultOk ||
        !effect->controller) {
        error = "the controller cannot be created";
        return nullptr;
    }
    effect->controller->initialize(nullptr);
    effect->controller->setComponentHandler(&effect->handler);
    effect->component->queryInterface(Vst3::IConnectionPoint::iid.bytes, reinterpret_cast<void**>(&effect->componentPoint));
    effect->controller->queryInterface(Vst3::IConnectionPoint::iid.bytes,
                                       reinterpret_cast<void**>(&effect->controllerPoint));
    if (effect->componentPoint && effect->controllerPoint) {
        effect->componentPoint->connect(effect->controllerPoint);
        effect->controllerPoint->connect(effect->componentPoint);
    }
    MemoryStream stream;
    if (effect->component->getState(&stream) == Vst3::kResultOk) {
        stream.position = 0;
        effect->controller->setComponentState(&stream);
    }
    return effect;
}

Effect::~Effect() {
    stop();
    if (componentPoint && controllerPoint) {
        componentPoint->disconnect(controllerPoint);
        controllerPoint->disconnect(componentPoint);
    }
    if (componentPoint) componentPoint->release();
    if (controllerPoint) controllerPoint->release();
    if (controller) {
        controller->setComponentHandler(nullptr);
        controller->terminate();
        controller->release();
    }
    if (processor) processor->release();
    if (component) {
        component->terminate();
        component->release();
    }
}

bool Effect::start(double rate, Vst3::int32 maxBlock, Vst3::int32 size) {
    Vst3::ProcessSetup setup{Vst3::kRealtime, size, maxBlock, rate};
    sampleSize = size;
    if (processor->setupProcessing(setup) != Vst3::kResultOk) return false;
    if (component->setActive(1) != Vst3::kResultOk) return false;
    processor->setProcessing(1);
    active = true;
    return true;
}

void Effect::stop() {
    if (!active) return;
    processor->setProcessing(0);
    component->setActive(0);
    active = false;
}

template <typename T>
Vst3::tresult Effect::run(T* const in[2], T* const out[2], Vst3::int32 frames, ParamChanges* changes,
                          EventList* events) {
    inputBus = Vst3::AudioBusBuffers{};
    outputBus = Vst3::AudioBusBuffers{};
    inputBus.numChannels = outputBus.numChannels = 2;
    if constexpr (sizeof(T) == 4) {
        inputBus.channelBuffers32 = const_cast<T**>(in);
        outputBus.channelBuffers32 = const_cast<T**>(out);
    } else {
        inputBus.channelBuffers64 = const_cast<T**>(in);
        outputBus.channelBuffers64 = const_cast<T**>(out);
    }
    ParamChanges outputChanges;
    Vst3::ProcessData data{};
    data.processMode = Vst3::kRealtime;
    data.symbolicSampleSize = sizeof(T) == 4 ? Vst3::kSample32 : Vst3::kSample64;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inputBus;
    data.outputs = &outputBus;
    data.inputParameterChanges = changes;
    data.outputParameterChanges = &outputChanges;
    data.inputEvents = events;
    return processor->process(data);
}

Vst3::tresult Effect::process(float* const in[2], float* const out[2], Vst3::int32 frames, ParamChanges* changes,
                              EventList* events) {
    return run(in, out, frames, changes, events);
}

Vst3::tresult Effect::process(double* const in[2], double* const out[2], Vst3::int32 frames, ParamChanges* changes,
                              EventList* events) {
    return run(in, out, frames, changes, events);
}

Vst3::ParamID Effect::findParameter(const std::string& title) {
    for (Vst3::int32 k = 0; k < controller->getParameterCount(); ++k) {
        Vst3::ParameterInfo info{};
        if (controller->getParameterInfo(k, info) == Vst3::kResultOk && lower(narrow(info.title)) == lower(title))
            return info.id;
    }
    return Vst3::kNoParamId;
}

bool Effect::valueForText(Vst3::ParamID id, const std::string& text, double& value) {
    std::vector<Vst3::TChar> wide(text.begin(), text.end());
    wide.push_back(0);
    return controller->getParamValueByString(id, wide.data(), value) == Vst3::kResultOk;
}

std::string Effect::textForValue(Vst3::ParamID id, double value) {
    Vst3::String128 text{};
    if (controller->getParamStringByValue(id, value, text) != Vst3::kResultOk) return {};
    return narrow(text);
}

std::vector<uint8_t> Effect::state() {
    MemoryStream stream;
    if (component->getState(&stream) != Vst3::kResultOk) return {};
    return stream.bytes;
}

Vst3::tresult Effect::setState(const std::vector<uint8_t>& bytes) {
    MemoryStream stream(bytes);
    const Vst3::tresult result = component->setState(&stream);
    if (result == Vst3::kResultOk) {
        stream.position = 0;
        controller->setComponentState(&stream);
    }
    return result;
}

}  // namespace vst3host
