// PlugEdit::X11Popup: the X11 layer's popup menus and message boxes, drawn by
// the editor itself in an override-redirect window on the editor's own display
// connection. Nothing blocks: the editor's event pump feeds it, and a choice
// (or none) is reported once. Escape, a click outside and closing the editor
// close it.
#pragma once

#include <functional>
#include <vector>

#include "plugedit/menuEntries.h"
#include "plugedit/x11/XcbConnection.h"

namespace PlugEdit {

class X11Popup {
public:
    // What the owner does with the chosen command once the popup is gone.
    using Choice = std::function<void(unsigned command)>;

    // [UI thread] Shows the entries with the top-left corner at root
    // coordinates (x, y) (moved onto the screen), `centred` around x instead.
    // A message box is a popup whose text lines are disabled entries drawn in black.
    X11Popup(XcbConnection& connection, const MenuEntries& entries, int x, int y, bool centred, bool messageBox = false);
    // [UI thread] Frees the window, its GC and the grabs.
    ~X11Popup();
    X11Popup(const X11Popup&) = delete;
    X11Popup& operator=(const X11Popup&) = delete;

    // [UI thread] Takes one event of the connection; true when it was the
    // popup's (the editor ignores it then). Afterwards `closed` may hold.
    bool handle(const xcb_generic_event_t& event);
    bool closed() const { return done; }
    // After closing: whether an entry was chosen, and its command.
    bool hasChoice() const { return choiceMade; }
    unsigned chosenCommand() const { return command; }
    xcb_window_t window() const { return popup; }
    // [UI thread] The entry under a point of the popup, -1 when none or not choosable.
    int entryAt(int y) const;
    // Row tops of the entries, for tests that click them.
    int entryTop(int entry) const { return entry >= 0 && entry < static_cast<int>(tops.size()) ? tops[entry] : -1; }

private:
    void paint();
    std::string shownText(const MenuEntry& e) const;
    void finish(int entry);

    XcbConnection& x;
    xcb_connection_t* const c;
    const MenuEntries entries;
    const bool messageBox;
    xcb_window_t popup = 0;
    xcb_gcontext_t gc = 0;
    std::vector<int> tops;
    int width = 0;
    int height = 0;
    int highlighted = -1;
    bool pressedInside = false;
    bool done = false;
    bool choiceMade = false;
    unsigned command = 0;
    bool grabbed = false;
    bool keyboardGrabbed = false;
};

}  // namespace PlugEdit
