// clap.gui: the product's own editor (the one the VST 2 build opens, at its
// fixed size), embedded in the host's window: x11 on Linux, pumped through
// the host's posix-fd support (the editor's X connection) and timer support
// (its 10 ms tick), win32 on Windows, where the host's message loop pumps it.
#pragma once

#include <cstdint>

#include "clap/clapExtensions.h"

class AEffEditor;

namespace ClapFormat {

class ClapPlugin;

class ClapEditor {
public:
    // [any thread] The extension tables; null in a build without an editor.
    static const clap_plugin_gui_t* guiTable();
    static const clap_plugin_timer_support_t* timerTable();
    static const clap_plugin_posix_fd_support_t* fdTable();

    // [UI thread] For gui.create; null when the product has no editor.
    ClapEditor(ClapPlugin& owner, AEffEditor& editor);
    // [UI thread] Closes the window and leaves the host's loop.
    ~ClapEditor();

    // [UI thread]
    bool setParent(const clap_window_t& window);
    void pump();
    bool size(uint32_t& width, uint32_t& height) const;

private:
    void stopPumping();

    ClapPlugin& owner;
    AEffEditor& editor;
    const clap_host_timer_support_t* timers = nullptr;
    const clap_host_posix_fd_support_t* descriptors = nullptr;
    clap_id timer = CLAP_INVALID_ID;
    int watched = -1;  // the descriptor the host watches for us
};

}  // namespace ClapFormat
