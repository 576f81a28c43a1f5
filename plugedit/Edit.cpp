// Open, close, the lock and the notifications of PlugEdit::Edit.
#include "plugedit/Edit.h"

#include <thread>

#include "plugedit/EditView.h"

namespace PlugEdit {

Edit::Edit(PlugCore::Plug* plugin)
    : AEffEditor(plugin), SharedBlock(plugin->productInfo().editor.sharedSize), plug(plugin), plugHost(*plugin, *this) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(layout().height);
    rect.right = static_cast<VstInt16>(layout().width);
}

Edit::~Edit() {
    if (isOpen() || view) close();
}

bool Edit::takeSharedData(const uint8_t*) { return false; }

void Edit::paintOverlay(const QuillBLT::Surface&) {}

void Edit::spinLock() {
    // The audio side holds the lock for a few instructions at most.
    while (!tryLock()) std::this_thread::yield();
}

bool Edit::getRect(ERect** out) {
    if (!out) return false;
    *out = &rect;
    return true;
}

bool Edit::open(void* parentWindow) {
    spinLock();
    uiHoldsLock = true;
    bool ok = true;
    if (!view) {
        systemWindow = parentWindow;
        view = createEditView(*this, parentWindow);
        if (view) {
            openFlag.store(true, std::memory_order_relaxed);
        } else {
            systemWindow = nullptr;  // the host hears of the failure
            ok = false;
        }
    }
    uiHoldsLock = false;
    unlock();
    return ok;
}

void Edit::close() {
    spinLock();
    uiHoldsLock = true;
    openFlag.store(false, std::memory_order_relaxed);
    if (view) view->destroy();  // deletes the window and every widget, then calls viewDestroyed
    view = nullptr;
    systemWindow = nullptr;
    uiHoldsLock = false;
    unlock();
}

void Edit::idle() {
    if (view) view->idle();
}

int Edit::eventDescriptor() const { return view ? view->eventDescriptor() : -1; }

void Edit::viewDestroyed() {
    const bool takeLock = !uiHoldsLock;
    if (takeLock) spinLock();
    view = nullptr;
    openFlag.store(false, std::memory_order_relaxed);
    systemWindow = nullptr;
    if (takeLock) unlock();
}

bool Edit::parameterChanged(int32_t index, float value) {
    if (!tryLock()) return false;
    if (isOpen() && view) view->showValue(index, value);
    unlock();
    return true;
}

void Edit::learnCompleted(int32_t index) {
    if (!tryLock()) return;
    if (isOpen() && view) view->learnCompleted(index);
    unlock();
}

}  // namespace PlugEdit
