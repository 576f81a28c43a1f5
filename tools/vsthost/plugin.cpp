// One plug-in instance: creation through the entry, and thin wrappers around
// the effect record's functions.
#include "tools/vsthost/hostRegistry.h"
#include "tools/vsthost/vsthost.h"

namespace vsthost {
namespace {

// Plug-ins are told 8 or 64 bytes, and some write more; a generous zeroed
// buffer keeps a careless plug-in from corrupting the host.
constexpr size_t textBufferSize = 1024;

}  // namespace

std::shared_ptr<Library> Library::linked(EntryFunction entry, const std::string& name) {
    std::shared_ptr<Library> library(new Library());
    library->libraryPath = name;
    library->entryFunction = entry;
    library->entrySymbol = "VSTPluginMain";
    return library;
}

std::unique_ptr<Plugin> Plugin::create(std::shared_ptr<Library> library, std::shared_ptr<Host> host,
                                       std::string& error) {
    if (!library || !library->entry()) {
        error = "no plug-in library loaded";
        return nullptr;
    }
    if (!host) host = std::make_shared<Host>();
    registry::setCreating(host.get());
    AEffect* effect = library->entry()(&Host::callback);
    registry::setCreating(nullptr);
    if (!effect) {
        error = library->path() + ": the plug-in's entry returned no effect";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        error = library->path() + ": the effect record lacks the magic 'VstP' (found '" +
                fourCharText(effect->magic) + "')";
        return nullptr;  // never call into a record we do not understand
    }
    if (!registry::add(effect, host.get())) {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        error = "too many plug-in instances at once";
        return nullptr;
    }
    std::unique_ptr<Plugin> plugin(new Plugin());
    plugin->pluginLibrary = std::move(library);
    plugin->pluginHost = std::move(host);
    plugin->effectRecord = effect;
    return plugin;
}

Plugin::~Plugin() {
    close();
}

VstIntPtr Plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (!effectRecord) return 0;
    return effectRecord->dispatcher(effectRecord, opcode, index, value, ptr, opt);
}

void Plugin::open() {
    dispatch(effOpen);
}

void Plugin::configure(float sampleRate, VstInt32 blockSize, Precision precision) {
    const bool wasOn = isOn();
    switchOff();
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    if (precision != Precision::notTold) dispatch(effSetProcessPrecision, 0, precision == Precision::float64 ? 1 : 0);
    if (wasOn) switchOn();
}

void Plugin::switchOn() {
    if (!mainsOn) resume();
    if (!processing) startProcess();
}

void Plugin::switchOff() {
    if (processing) stopProcess();
    if (mainsOn) suspend();
}

void Plugin::prepare(float sampleRate, VstInt32 blockSize, Precision precision) {
    configure(sampleRate, blockSize, precision);
    switchOn();
}

void Plugin::startProcess() {
    dispatch(effStartProcess);
    processing = true;
}

void Plugin::stopProcess() {
    dispatch(effStopProcess);
    processing = false;
}

void Plugin::resume() {
    dispatch(effMainsChanged, 0, 1);
    mainsOn = true;
}

void Plugin::suspend() {
    dispatch(effMainsChanged, 0, 0);
    mainsOn = false;
}

void Plugin::close() {
    if (!effectRecord) return;
    switchOff();
    AEffect* effect = effectRecord;
    effectRecord = nullptr;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    // Forgotten only now: the plug-in may call the host while closing.
    registry::remove(effect);
}

static std::string askText(Plugin& plugin, VstInt32 opcode, VstInt32 index) {
    char buffer[textBufferSize] = {};
    plugin.dispatch(opcode, index, 0, buffer);
    buffer[textBufferSize - 1] = '\0';
    return buffer;
}

std::string Plugin::effectName() { return askText(*this, effGetEffectName, 0); }
std::string Plugin::vendorString() { return askText(*this, effGetVendorString, 0); }
std::string Plugin::productString() { return askText(*this, effGetProductString, 0); }
VstIntPtr Plugin::vendorVersion() { return dispatch(effGetVendorVersion); }
std::string Plugin::programName() { return askText(*this, effGetProgramName, 0); }
std::string Plugin::parameterName(VstInt32 index) { return askText(*this, effGetParamName, index); }
std::string Plugin::parameterLabel(VstInt32 index) { return askText(*this, effGetParamLabel, index); }
std::string Plugin::parameterDisplay(VstInt32 index) { return askText(*this, effGetParamDisplay, index); }

VstIntPtr Plugin::canDo(const char* text) {
    return dispatch(effCanDo, 0, 0, const_cast<char*>(text));
}

std::vector<uint8_t> Plugin::getChunk(bool preset) {
    void* data = nullptr;
    VstIntPtr size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr Plugin::setChunk(const std::vector<uint8_t>& chunk, bool preset) {
    // A copy: the plug-in may keep reading the bytes as its own for a while.
    std::vector<uint8_t> bytes = chunk;
    return dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                    bytes.empty() ? nullptr : bytes.data());
}

void Plugin::setParameter(VstInt32 index, float value) {
    if (effectRecord && effectRecord->setParameter) effectRecord->setParameter(effectRecord, index, value);
}

float Plugin::getParameter(VstInt32 index) {
    return effectRecord && effectRecord->getParameter ? effectRecord->getParameter(effectRecord, index) : 0.0f;
}

bool Plugin::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    if (!effectRecord || !effectRecord->processReplacing) return false;
    effectRecord->processReplacing(effectRecord, inputs, outputs, frames);
    return true;
}

bool Plugin::processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) {
    if (!effectRecord || !effectRecord->processDoubleReplacing) return false;
    effectRecord->processDoubleReplacing(effectRecord, inputs, outputs, frames);
    return true;
}

bool Plugin::process(float** inputs, float** outputs, VstInt32 frames) {
    if (!effectRecord || !effectRecord->process) return false;
    effectRecord->process(effectRecord, inputs, outputs, frames);
    return true;
}

VstIntPtr Plugin::processEvents(EventList& events) {
    return dispatch(effProcessEvents, 0, 0, events.get());
}

std::string fourCharText(VstInt32 id) {
    std::string text(4, '?');
    for (int i = 0; i < 4; ++i) {
        unsigned char c = static_cast<unsigned char>(static_cast<uint32_t>(id) >> (24 - 8 * i));
        if (c >= 32 && c < 127) text[i] = static_cast<char>(c);
    }
    return text;
}

}  // namespace vsthost
