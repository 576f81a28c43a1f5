// PlugEdit::PlugEditHost: EditHost for an editor that runs beside the DSP, in
// the same object: the plug-in's own parameter table, learn and defaults, and
// the shared block the signal chain hands its meter levels to.
#pragma once

#include "plugcore/Plug.h"
#include "plugcore/SharedBlock.h"
#include "plugedit/EditHost.h"

namespace PlugEdit {

class PlugEditHost final : public EditHost {
public:
    // Neither is owned; both outlive this object. `meter` may have size 0 (no lamps).
    PlugEditHost(PlugCore::Plug& plugin, PlugCore::SharedBlock& meter) : plug(plugin), meterBlock(meter) {}

    // [any thread] Fixed for the plug-in's life.
    const PlugCore::EditorLayout& layout() const override { return plug.productInfo().editor; }
    const char* productName() const override { return plug.productInfo().name; }
    const char* webHost() const override { return plug.productInfo().webHost; }
    int32_t parameterCount() const override;

    // [UI thread] Values and texts.
    float value(int32_t index) override;
    float defaultValue(int32_t index) override;
    void formatValue(int32_t index, float value, char* text, size_t size) override;
    void label(int32_t index, char* text, size_t size) override;
    void pollChanges(PlugCore::IParamNotify& notify) override { plug.pollParameters(&notify); }

    // [UI thread] One gesture.
    void beginEdit(int32_t index) override;
    void setValue(int32_t index, float value) override;
    void endEdit(int32_t index) override;

    // [UI thread] MIDI learn.
    int32_t midiKey(int32_t index) override;
    void startLearn(int32_t index) override;
    void cancelLearn() override { plug.cancelLearn(); }
    void unlearn(int32_t index) override;

    // [UI thread] Spins (yielding) for the lock the audio side only ever tries once.
    bool takeMeter(uint8_t* destination) override;
    bool saveDefaults(std::string& file, std::string& reason) override;

    // The one place the editor checks a parameter index.
    bool inTable(int32_t index) const { return index >= 0 && index < parameterCount(); }

private:
    PlugCore::Plug& plug;
    PlugCore::SharedBlock& meterBlock;
};

}  // namespace PlugEdit
