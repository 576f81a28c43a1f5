// [UI thread] The controller's editor: the model's own editor in a view, its
// edits to the host as begin/perform/end, and the processor's lamps and MIDI
// learn handed across while it is open.
#include <algorithm>
#include <cstring>

#include "plugedit/Edit.h"
#include "vst3/Vst3Controller.h"
#include "vst3/Vst3View.h"

namespace Vst3Format {

Vst3::IPlugView* Vst3Controller::createView(Vst3::FIDString name) {
    if (!name || std::strcmp(name, Vst3::kEditorViewType) != 0) return nullptr;
    auto* editor = dynamic_cast<PlugEdit::Edit*>(core->editor());
    if (!editor) return nullptr;
    if (knownKeys.empty())
        for (Vst3::int32 i = 0; i < productCount(); ++i) knownKeys.push_back(core->midiKey(i));
    return new (std::nothrow) Vst3View(*this, *editor);
}

void Vst3Controller::pumpEditor(PlugEdit::Edit& editor) {
    if (link) {
        float levels[8];
        const Vst3::uint32 count = link->lampLevels(levels, 8);
        // Handed to the editor the way the signal chain hands its levels over.
        PlugCore::SharedBlock& block = editor;
        if (count > 0 && block.shared && block.tryLock()) {
            std::memcpy(block.shared, levels, std::min<size_t>(block.sharedSize, count * sizeof(float)));
            block.sharedTaken.store(false, std::memory_order_release);
            block.unlock();
        }
        // The editor asks the model to learn and unlearn; the processor learns.
        const Vst3::int32 target = core->learnTarget();
        if (target != sentLearn) {
            link->requestLearn(target);
            sentLearn = target;
        }
        for (Vst3::int32 i = 0; i < productCount(); ++i) {
            Vst3::int32& known = knownKeys[static_cast<size_t>(i)];
            const Vst3::int32 inModel = core->midiKey(i), inProcessor = link->midiKey(i);
            if (inModel != known) {
                if (inModel == -1) link->requestUnlearn(i);
                known = inModel;
            } else if (inProcessor != known) {
                core->product().assignMidiKey(i, inProcessor);
                known = inProcessor;
            }
        }
        // A controller completed the learn in the processor.
        if (sentLearn != -1 && link->learnTarget() == -1) {
            const Vst3::int32 learned = sentLearn;
            core->requestLearn(-1);
            sentLearn = -1;
            editor.learnCompleted(learned);
        }
    }
    editor.idle();
}

}  // namespace Vst3Format
