// PlugEdit::EditView: an open editor window as the platform-neutral Edit sees
// it. Each window-system layer (win32/, x11/) implements it and supplies
// createEditView; the Edit above never names a window system.
#pragma once

#include <cstdint>

namespace PlugEdit {

class Edit;

class EditView {
public:
    virtual ~EditView() = default;

    // [UI thread, the editor's lock held] Hands a value to the parameter's
    // widget; it is shown at the next repaint (queued, never painted here).
    virtual void showValue(int32_t index, float value) = 0;
    // [audio thread, the editor's lock held] The learn for index finished: the
    // learning widget leaves its learn display (queued) when it was the pending one.
    virtual void learnCompleted(int32_t index) = 0;
    // [UI thread] Destroys the window, every widget and everything the layer
    // made; the view deletes itself and tells the editor (Edit::viewDestroyed).
    virtual void destroy() = 0;
    // [UI thread] The host's idle call: a layer without its own event loop
    // handles its events and its timer here. Never blocks.
    virtual void idle() {}
    // [UI thread] A descriptor that becomes readable when the window system has
    // events for the view, for hosts that pump by watching it and calling idle;
    // -1 when the layer has none (Win32: the host's message loop pumps it).
    virtual int eventDescriptor() const { return -1; }
};

// [UI thread] Creates the editor window of the linked window-system layer
// inside the host's window `parent`; null when no window could be made.
EditView* createEditView(Edit& editor, void* parent);

}  // namespace PlugEdit
