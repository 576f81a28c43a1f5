// Open, close, the lock and the notifications of PlugEdit::Edit.
#include "plugedit/Edit.h"

#include <cstring>
#include <thread>

#include "plugedit/EditWin.h"
#include "plugedit/messages.h"

namespace PlugEdit {

Edit::Edit(PlugCore::Plug* plugin)
    : AEffEditor(plugin),
      SharedBlock(plugin->productInfo().editor.sharedSize),
      plug(plugin),
      layoutRecord(&plugin->productInfo().editor) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(layoutRecord->height);
    rect.right = static_cast<VstInt16>(layoutRecord->width);
    plugin->setEditor(this);
}

Edit::~Edit() {
    if (openFlag) close();
}

bool Edit::takeSharedData(const uint8_t*) { return false; }

void Edit::paintOverlay(EditWin*, HDC) {}

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
    if (!openFlag) {
        systemWindow = parentWindow;
        window = new EditWin(*layoutRecord, this, static_cast<HWND>(parentWindow));
        if (window->hwnd()) {
            openFlag = true;
        } else {
            // No window: the object is ours alone to delete, and the host hears of the failure.
            delete window;
            window = nullptr;
            systemWindow = nullptr;
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
    if (openFlag) {
        openFlag = false;
        if (window && window->hwnd()) DestroyWindow(window->hwnd());  // deletes the window and every widget
        systemWindow = nullptr;
    }
    uiHoldsLock = false;
    unlock();
}

void Edit::windowDestroyed() {
    const bool takeLock = !uiHoldsLock;
    if (takeLock) spinLock();
    window = nullptr;
    openFlag = false;
    systemWindow = nullptr;
    if (takeLock) unlock();
}

bool Edit::takeShared(uint8_t* destination) {
    if (!shared || !destination) return false;
    spinLock();
    bool taken = false;
    if (!sharedTaken.load(std::memory_order_relaxed)) {
        std::memcpy(destination, shared, sharedSize);
        sharedTaken.store(true, std::memory_order_relaxed);
        taken = true;
    }
    unlock();
    return taken;
}

bool Edit::parameterChanged(int32_t index, float value) {
    if (!tryLock()) return false;
    if (openFlag && window) {
        HWND widget = window->control(index);
        if (widget) PostMessageA(widget, msgShowValue, floatBits(value), 0);
    }
    unlock();
    return true;
}

void Edit::learnCompleted(int32_t index) {
    if (!tryLock()) return;
    if (openFlag && window) window->learnCompleted(index);
    unlock();
}

}  // namespace PlugEdit
