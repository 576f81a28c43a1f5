// Base of every plug-in editor as the host interface sees it: rectangle,
// open and close, idle, keys and knob mode. Concrete editors live in plugedit/.
#pragma once

#include "host/vst24.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    virtual ~AEffEditor() = default;

    // [UI thread] The editor's size; false when there is none.
    virtual bool getRect(ERect** rect) {
        if (rect) *rect = nullptr;
        return false;
    }
    // [UI thread] Creates the editor window inside the host's parent window.
    virtual bool open(void* parentWindow) {
        systemWindow = parentWindow;
        return false;
    }
    // [UI thread] Destroys the editor window.
    virtual void close() { systemWindow = nullptr; }
    // [UI thread] The host's idle call, and the editor's state as the host asks it.
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }
    virtual bool setKnobMode(VstInt32) { return false; }
    virtual bool isOpen() const { return systemWindow != nullptr; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
