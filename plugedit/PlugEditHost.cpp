// The editor's view of a plug-in in the same process.
#include "plugedit/PlugEditHost.h"

#include <cstring>
#include <thread>

namespace PlugEdit {

int32_t PlugEditHost::parameterCount() const {
    return static_cast<int32_t>(const_cast<PlugCore::Plug&>(plug).parameterTable().count);
}

float PlugEditHost::value(int32_t index) { return inTable(index) ? plug.getParameter(index) : 0.0f; }

float PlugEditHost::defaultValue(int32_t index) {
    return inTable(index) ? plug.parameterTable().params[index].defaultValue : 0.0f;
}

void PlugEditHost::formatValue(int32_t index, float value, char* text, size_t size) {
    if (!text || size == 0) return;
    text[0] = 0;
    if (inTable(index)) plug.formatParameter(index, text, size, value);
}

void PlugEditHost::label(int32_t index, char* text, size_t size) {
    if (!text || size == 0) return;
    text[0] = 0;
    if (!inTable(index)) return;
    const char* unit = plug.parameterTable().params[index].label;
    if (unit) {
        std::strncpy(text, unit, size - 1);
        text[size - 1] = 0;
    }
}

void PlugEditHost::beginEdit(int32_t index) {
    if (inTable(index)) plug.beginEdit(index);
}

void PlugEditHost::setValue(int32_t index, float value) {
    if (inTable(index)) plug.setParameterAutomated(index, value);
}

void PlugEditHost::endEdit(int32_t index) {
    if (inTable(index)) plug.endEdit(index);
}

int32_t PlugEditHost::midiKey(int32_t index) { return inTable(index) ? plug.getMidiKey(index) : -1; }

void PlugEditHost::startLearn(int32_t index) {
    if (inTable(index)) plug.startLearn(index);
}

void PlugEditHost::unlearn(int32_t index) {
    if (inTable(index)) plug.assignMidiKey(index, -1);
}

bool PlugEditHost::takeMeter(uint8_t* destination) {
    if (!meterBlock.shared || !destination) return false;
    while (!meterBlock.tryLock()) std::this_thread::yield();  // the audio side holds it for a few instructions
    bool taken = false;
    if (!meterBlock.sharedTaken.load(std::memory_order_relaxed)) {
        std::memcpy(destination, meterBlock.shared, meterBlock.sharedSize);
        meterBlock.sharedTaken.store(true, std::memory_order_relaxed);
        taken = true;
    }
    meterBlock.unlock();
    return taken;
}

bool PlugEditHost::saveDefaults(std::string& file, std::string& reason) {
    PlugCore::Plug::SaveFailure failure;
    if (plug.saveDefaults(&failure)) return true;
    file = failure.file;
    reason = failure.reason;
    return false;
}

}  // namespace PlugEdit
