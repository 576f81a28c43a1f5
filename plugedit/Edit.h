// PlugEdit::Edit: the plug-in's editor object, the same on every window
// system. Owns the open state, the lock the audio side only ever tries once,
// the shared meter block, and the notifications through which values and learn
// results reach the widgets. It reaches the plug-in only through its EditHost
// and the window only through an EditView. A product derives from it and fills
// in the three hooks at the bottom.
#pragma once

#include <atomic>
#include <cstdint>

#include "blt/surface.h"
#include "host/AEffEditor.h"
#include "plugcore/Plug.h"
#include "plugcore/SharedBlock.h"
#include "plugedit/ControlSink.h"
#include "plugedit/PlugEditHost.h"

namespace PlugEdit {

class EditView;

class Edit : public AEffEditor, public PlugCore::IParamNotify, public PlugCore::SharedBlock {
public:
    // [UI thread, creation] Laid out as the plug-in's product record says. The
    // plug-in registers the editor itself (AudioEffect::setEditor) and owns it.
    explicit Edit(PlugCore::Plug* plugin);
    // [UI thread] Closes an open window first.
    ~Edit() override;

    AudioEffect* getEffect() const { return effect; }
    PlugCore::Plug* plugin() const { return plug; }
    // [any thread] The plug-in as every widget sees it.
    EditHost& host() { return plugHost; }
    const PlugCore::EditorLayout& layout() const { return plugHost.layout(); }
    const char* webHost() const { return plugHost.webHost(); }

    // [UI thread] The layout's size.
    bool getRect(ERect** rect) override;
    // [UI thread] Creates the editor window in the host's window; a second call keeps the first window.
    bool open(void* parentWindow) override;
    // [UI thread] Destroys the window and every widget; nothing when closed.
    void close() override;
    // [any thread] A relaxed read: true between a successful open and close.
    bool isOpen() const override { return openFlag.load(std::memory_order_relaxed); }
    // [UI thread] Hands the host's idle call to the window layer.
    void idle() override;
    // [UI thread] The open window's event descriptor (EditView::eventDescriptor); -1 when closed or none.
    int eventDescriptor() const;
    // [UI thread] The editor window while it exists, else null.
    EditView* editorView() const { return view; }

    // [UI thread] Takes the shared block into destination when the audio side
    // published one since the last take; false otherwise (or without a block).
    bool takeShared(uint8_t* destination) { return plugHost.takeMeter(destination); }

    // [UI thread] Queues the value for the parameter's widget; false when the lock is busy.
    bool parameterChanged(int32_t index, float value) override;
    // [audio thread] Tells the learning widget that its learn finished; dropped when the lock is busy.
    void learnCompleted(int32_t index) override;

    // [UI thread] The window layer's view is gone (closed by us or destroyed by the host).
    void viewDestroyed();

    // --- product hooks ---
    // [UI thread] Creates the widgets (ControlSink::addKnob, addSwitch).
    virtual void createControls(ControlSink& sink) = 0;
    // [UI thread] A new copy of the shared block was taken; true to repaint the window.
    virtual bool takeSharedData(const uint8_t* copy);
    // [UI thread] Draws over the background into the editor window's pixels.
    virtual void paintOverlay(const QuillBLT::Surface& pixels);

private:
    void spinLock();

    PlugCore::Plug* const plug;
    PlugEditHost plugHost;
    ERect rect;
    std::atomic<bool> openFlag{false};
    bool uiHoldsLock = false;  // open/close hold the lock while windows come and go
    EditView* view = nullptr;  // null when closed; read by the audio side only under the lock
};

}  // namespace PlugEdit
