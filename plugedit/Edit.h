// PlugEdit::Edit: the plug-in's editor object. Owns the open state, the lock
// the audio side only ever tries once, the shared meter block, and the
// notifications through which values and learn results reach the widgets.
// A product derives from it and fills in the three hooks at the bottom.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/AEffEditor.h"
#include "plugcore/Plug.h"
#include "plugcore/SharedBlock.h"

namespace PlugEdit {

class EditWin;

class Edit : public AEffEditor, public PlugCore::IParamNotify, public PlugCore::SharedBlock {
public:
    // [UI thread] Makes itself the plug-in's editor, laid out as the plug-in's
    // product record says; its web host is what the background menu shows and opens.
    explicit Edit(PlugCore::Plug* plugin);
    // [UI thread] Closes an open window first.
    ~Edit() override;

    AudioEffect* getEffect() const { return effect; }
    PlugCore::Plug* plugin() const { return plug; }
    const PlugCore::EditorLayout& layout() const { return *layoutRecord; }
    const char* webHost() const { return plug->productInfo().webHost; }

    // [UI thread] The layout's size.
    bool getRect(ERect** rect) override;
    // [UI thread] Creates the editor window in the host's window; a second call keeps the first window.
    bool open(void* parentWindow) override;
    // [UI thread] Destroys the window and every widget; nothing when closed.
    void close() override;
    // [any thread]
    bool isOpen() const override { return openFlag; }
    void idle() override {}
    // [UI thread] The editor window while it exists, else null.
    EditWin* editorWindow() const { return window; }

    // [UI thread] Takes the shared block into destination when the audio side
    // published one since the last take; false otherwise (or without a block).
    bool takeShared(uint8_t* destination);

    // [UI thread] Posts the value to the parameter's widget; false when the lock is busy.
    bool parameterChanged(int32_t index, float value) override;
    // [audio thread] Tells the learning widget that its learn finished; dropped when the lock is busy.
    void learnCompleted(int32_t index) override;

    // --- product hooks ---
    // [UI thread] Creates the widgets as children of window (EditWin::addControl).
    virtual void createControls(EditWin* window) = 0;
    // [UI thread] A new copy of the shared block was taken; true to repaint the window.
    virtual bool takeSharedData(const uint8_t* copy);
    // [UI thread] Draws over the background in the window's back buffer.
    virtual void paintOverlay(EditWin* window, HDC memoryDC);

private:
    friend class EditWin;
    void spinLock();
    // [UI thread] The window is being destroyed (by close or by the host destroying its parent).
    void windowDestroyed();

    PlugCore::Plug* const plug;
    const PlugCore::EditorLayout* const layoutRecord;
    ERect rect;
    bool openFlag = false;
    bool uiHoldsLock = false;  // open/close hold the lock while windows come and go
    EditWin* window = nullptr;  // null when closed; read by the audio side only under the lock
};

}  // namespace PlugEdit
