// PlugEdit::X11ErrorTrap: catches the X errors of a few calls that may fail
// (a host's window that is gone, a visual we cannot use) instead of letting
// Xlib's default handler end the host. Installed only around those calls and
// restored at once, so the host's own handler stays in charge otherwise.
#pragma once

#include <X11/Xlib.h>

namespace PlugEdit {

class X11ErrorTrap {
public:
    // [UI thread] Flushes what was queued before, then traps.
    explicit X11ErrorTrap(Display* display);
    // [UI thread] Syncs, so every error of the trapped calls has arrived, and restores the handler.
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // [UI thread] Syncs and tells whether any trapped call failed so far.
    bool failed();

private:
    Display* const display;
    int (*previous)(Display*, XErrorEvent*);
};

}  // namespace PlugEdit
