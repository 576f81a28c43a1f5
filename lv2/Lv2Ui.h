// The LV2 editor: the product's own editor (the same one the VST opens), over
// the port interface. The editor works on a model instance of the product in
// the UI's process, which holds the values the ports say; what the editor
// asks of that instance's host (automate, begin and end edit) becomes port
// writes and touch gestures, and the lamp ports feed the editor's meter block.
// The DSP and its state stay in the DSP binary.
#pragma once

#include <memory>
#include <vector>

#include <lv2/ui/ui.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include "lv2/lv2Description.h"

namespace PlugEdit {
class Edit;
}

namespace Lv2Format {

class Lv2Ui {
public:
    // [UI thread] With a parent window the editor opens in it at once; without
    // one it waits for show. Null when the editor cannot open.
    static Lv2Ui* create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features);
    ~Lv2Ui();

    // [UI thread] A port's value from the host (control inputs and the lamps).
    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    // [UI thread] Pumps the editor's window; 1 once a shown or embedded
    // editor's window is gone, else 0.
    int idle();
    // [UI thread] A window of its own, for hosts that do not embed: 0 on success.
    int show();
    int hide();

private:
    Lv2Ui() = default;
    static VstIntPtr VSTCALLBACK answerHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                            void* ptr, float opt);
    void writePort(int32_t index, float normalized);
    void touch(int32_t index, bool grabbed);
    // MIDI learn: the model's learn requests go to the DSP, its notices come back.
    void sendRequest(LV2_URID type, int32_t value);
    void pollLearn();
    void takeNotice(const void* buffer, uint32_t size);

    std::unique_ptr<PlugCore::Plug> model;
    PlugEdit::Edit* editor = nullptr;  // owned by the model
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Touch* touchFeature = nullptr;
    std::vector<FormatCore::ParameterUnits> controls;
    std::vector<PlugCore::DisplaySamples> displays;
    // Per parameter, the values written and not yet heard back, oldest first: a
    // host may echo every write, late, and an echo must not move the editor
    // back to a value the user has already left.
    std::vector<std::vector<float>> pendingEchoes;
    std::vector<float> lamps;
    bool opened = false;  // embedded or shown, and not hidden since

    LV2_URID_Map* map = nullptr;  // without it, learning stays in the model
    LV2_URID eventTransfer = 0, learnType = 0, unlearnType = 0, helloType = 0, bindingType = 0, learnTargetType = 0;
    int32_t sentLearn = -1;            // the learn target the DSP was last asked for
    std::vector<int32_t> knownKeys;    // the DSP's bindings as last heard
};

}  // namespace Lv2Format
