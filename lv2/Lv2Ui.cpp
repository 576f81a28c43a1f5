// The LV2 editor over the port interface.
#include "lv2/Lv2Ui.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "plugcore/productEntry.h"
#include "plugedit/Edit.h"
#include "plugedit/x11/X11EditView.h"

namespace Lv2Format {
namespace {

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

}  // namespace

// [UI thread] The model's host calls: the editor's edits go to the ports.
VstIntPtr VSTCALLBACK Lv2Ui::answerHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*,
                                        float opt) {
    if (opcode == audioMasterVersion) return 2400;
    auto* self = effect ? static_cast<Lv2Ui*>(effect->user) : nullptr;
    if (!self) return 0;  // still being built: the defaults file's values are the model's own
    switch (opcode) {
        case audioMasterAutomate: self->writePort(index, opt); break;
        case audioMasterBeginEdit: self->touch(index, true); break;
        case audioMasterEndEdit: self->touch(index, false); break;
        default: break;
    }
    return 0;
}

Lv2Ui* Lv2Ui::create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                     const LV2_Feature* const* features) {
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!write) return nullptr;
    try {
        std::unique_ptr<Lv2Ui> self(new Lv2Ui);
        self->write = write;
        self->controller = controller;
        self->touchFeature = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
        self->map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
        self->model.reset(PlugCore::createPlug(answerHost));
        PlugCore::Plug& model = *self->model;
        self->editor = dynamic_cast<PlugEdit::Edit*>(model.getEditor());
        if (!self->editor) return nullptr;
        const int32_t count = model.getAeffect()->numParams;
        self->displays.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            FormatCore::PlugDisplay display(model, i);
            PlugCore::sampleDisplay(display, self->displays[static_cast<size_t>(i)]);
            self->controls.push_back(FormatCore::describeParameter(model, i, self->displays[static_cast<size_t>(i)], model.getParameter(i)));
        }
        self->pendingEchoes.resize(static_cast<size_t>(count));
        self->knownKeys.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) self->knownKeys[static_cast<size_t>(i)] = model.getMidiKey(i);
        if (LV2_URID_Map* map = self->map) {
            const LearnUris uris = learnUris(model.productInfo());
            self->eventTransfer = map->map(map->handle, LV2_ATOM__eventTransfer);
            self->learnType = map->map(map->handle, uris.learn.c_str());
            self->unlearnType = map->map(map->handle, uris.unlearn.c_str());
            self->helloType = map->map(map->handle, uris.hello.c_str());
            self->bindingType = map->map(map->handle, uris.binding.c_str());
            self->learnTargetType = map->map(map->handle, uris.learnTarget.c_str());
            self->sendRequest(self->helloType, 0);  // the DSP answers with every binding
        }
        self->lamps.assign(FormatCore::lampCount(model.productInfo()), 0.0f);
        model.getAeffect()->user = self.get();
        *widget = nullptr;
        if (parent) {
            if (!self->editor->open(parent)) return nullptr;
            auto* view = dynamic_cast<PlugEdit::X11EditView*>(self->editor->editorView());
            if (!view) return nullptr;
            *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(view->window()));
            self->opened = true;
        }
        if (auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize)))
            resize->ui_resize(resize->handle, model.productInfo().editor.width, model.productInfo().editor.height);
        return self.release();
    } catch (...) {
        return nullptr;
    }
}

Lv2Ui::~Lv2Ui() {
    if (editor) editor->close();
}

void Lv2Ui::writePort(int32_t index, float normalized) {
    if (index < 0 || static_cast<size_t>(index) >= controls.size()) return;
    const float v = FormatCore::displayValueFor(*model, index, controls[static_cast<size_t>(index)], normalized);
    std::vector<float>& pending = pendingEchoes[static_cast<size_t>(index)];
    if (pending.size() == 256) pending.erase(pending.begin());  // a host that never echoes
    pending.push_back(v);
    write(controller, static_cast<uint32_t>(index), sizeof(float), 0, &v);
}

void Lv2Ui::touch(int32_t index, bool grabbed) {
    if (touchFeature && index >= 0 && static_cast<size_t>(index) < controls.size())
        touchFeature->touch(touchFeature->handle, static_cast<uint32_t>(index), grabbed);
}

void Lv2Ui::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (map && format == eventTransfer && port == PortLayout(static_cast<uint32_t>(controls.size()),
                                                             static_cast<uint32_t>(lamps.size())).notify()) {
        takeNotice(buffer, size);
        return;
    }
    if (format != 0 || size != sizeof(float) || !buffer) return;
    float v;
    std::memcpy(&v, buffer, sizeof v);
    const PortLayout layout(static_cast<uint32_t>(controls.size()), static_cast<uint32_t>(lamps.size()));
    if (port < layout.parameters) {
        const auto index = static_cast<int32_t>(port);
        std::vector<float>& pending = pendingEchoes[port];
        const auto echo = std::find(pending.begin(), pending.end(), v);
        if (echo != pending.end()) {  // one of our own writes coming back, and every one before it
            pending.erase(pending.begin(), echo + 1);
            return;
        }
        float normalized;
        if (FormatCore::normalizedFor(*model, index, controls[port], displays[port], v, normalized))
            model->setParameter(index, normalized);
    } else if (port >= layout.lamp(0) && port < layout.count()) {
        lamps[port - layout.lamp(0)] = v;
        // Handed to the editor the way the signal chain hands its levels over.
        PlugCore::SharedBlock& block = *editor;
        if (block.tryLock()) {
            std::memcpy(block.shared, lamps.data(), std::min<size_t>(block.sharedSize, lamps.size() * sizeof(float)));
            block.sharedTaken.store(false, std::memory_order_release);
            block.unlock();
        }
    }
}

void Lv2Ui::sendRequest(LV2_URID type, int32_t value) {
    if (!map) return;
    struct {
        LV2_Atom atom;
        int32_t value;
    } message{{sizeof(int32_t), type}, value};
    const PortLayout layout(static_cast<uint32_t>(controls.size()), static_cast<uint32_t>(lamps.size()));
    write(controller, layout.midiIn(), sizeof message, eventTransfer, &message);
}

// The editor asks the model to learn and unlearn (it knows no other plug-in);
// what changed in the model since the last look is asked of the DSP.
void Lv2Ui::pollLearn() {
    if (!map) return;
    const int32_t target = model->getLearnTarget();
    if (target != sentLearn) {
        sendRequest(learnType, target);
        sentLearn = target;
    }
    for (size_t i = 0; i < knownKeys.size(); ++i) {
        const int32_t key = model->getMidiKey(static_cast<VstInt32>(i));
        if (key == knownKeys[i]) continue;
        if (key == -1) sendRequest(unlearnType, static_cast<int32_t>(i));
        knownKeys[i] = key;
    }
}

// A notice from the DSP: a binding as it now is, or the learn target, which
// falls back to -1 when a controller completed the learn.
void Lv2Ui::takeNotice(const void* buffer, uint32_t size) {
    if (!buffer || size < sizeof(LV2_Atom)) return;
    const auto* atom = static_cast<const LV2_Atom*>(buffer);
    if (atom->size > size - sizeof(LV2_Atom)) return;
    int32_t values[2] = {0, 0};
    std::memcpy(values, atom + 1, std::min<size_t>(atom->size, sizeof values));
    const auto count = static_cast<int32_t>(knownKeys.size());
    if (atom->type == bindingType && atom->size == 2 * sizeof(int32_t) && values[0] >= 0 && values[0] < count) {
        model->assignMidiKey(values[0], values[1]);
        knownKeys[static_cast<size_t>(values[0])] = values[1];
    } else if (atom->type == learnTargetType && atom->size == sizeof(int32_t) && values[0] == -1 && sentLearn != -1) {
        const int32_t learned = sentLearn;
        model->cancelLearn();
        sentLearn = -1;
        editor->learnCompleted(learned);
    }
}

int Lv2Ui::idle() {
    pollLearn();
    editor->idle();
    return opened && !editor->isOpen() ? 1 : 0;
}

int Lv2Ui::show() {
    if (editor->isOpen()) return 0;
    // A top-level window: a child of the screen's root.
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window root = DefaultRootWindow(display);
    XCloseDisplay(display);
    opened = editor->open(reinterpret_cast<void*>(static_cast<uintptr_t>(root)));
    return opened ? 0 : 1;
}

int Lv2Ui::hide() {
    editor->close();
    opened = false;
    return 0;
}

}  // namespace Lv2Format
