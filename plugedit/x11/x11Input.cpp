// Pointer, keys and menus of PlugEdit::X11EditView: the same gestures and
// requests as the Win32 widgets and editor window.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "plugedit/Edit.h"
#include "plugedit/messages.h"
#include "plugedit/x11/X11EditView.h"

extern char** environ;

namespace PlugEdit {

namespace {
// Radius of the knob's hit disc around its centre.
constexpr int hitRadius = 32;
// Double clicks as Windows counts them by default.
constexpr xcb_timestamp_t doubleClickMs = 500;
constexpr int doubleClickReach = 2;
// The corner of the background that opens the background menu.
constexpr int cornerWidth = 90;
constexpr int cornerHeight = 30;

bool fineKeys(unsigned state) { return (state & (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL)) != 0; }
}  // namespace

bool X11EditView::Widget::hits(int x, int y) const {
    if (x < place.x || y < place.y || x >= place.x + place.width || y >= place.y + place.height) return false;
    if (!knob) return true;
    // Outside the disc (corners, text strip) the click belongs to the editor window below.
    const int dx = x - place.x - place.width / 2;
    const int dy = y - place.y - place.height / 2;
    return dx * dx + dy * dy < hitRadius * hitRadius;
}

X11EditView::Widget* X11EditView::widgetAt(int x, int y) {
    for (Widget& w : widgets)
        if (w.hits(x, y)) return &w;
    return nullptr;
}

void X11EditView::handle(const xcb_generic_event_t& e) {
    const uint8_t type = e.response_type & 0x7F;
    if (popup) {
        if (popup->handle(e)) {
            if (popup->closed()) closePopup();
            return;
        }
        // A press in the editor window while a popup is open closes the popup and does nothing else.
        if (type == XCB_BUTTON_PRESS) {
            closePopup();
            return;
        }
    }
    switch (type) {
        case XCB_EXPOSE: {
            const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(e);
            if (expose.window == editorWindow && expose.count == 0) {
                mapped = true;
                repaint();
            }
            break;
        }
        case XCB_MAP_NOTIFY:
            if (reinterpret_cast<const xcb_map_notify_event_t&>(e).window == editorWindow) mapped = true;
            break;
        case XCB_DESTROY_NOTIFY:
            if (reinterpret_cast<const xcb_destroy_notify_event_t&>(e).window == editorWindow) windowGone = true;
            break;
        case XCB_CLIENT_MESSAGE: {
            const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(e);
            if (deleteAtom && message.type == protocolsAtom && message.format == 32 && message.data.data32[0] == deleteAtom)
                closeAsked = true;
            break;
        }
        case XCB_BUTTON_PRESS: onPress(reinterpret_cast<const xcb_button_press_event_t&>(e)); break;
        case XCB_BUTTON_RELEASE: onRelease(reinterpret_cast<const xcb_button_release_event_t&>(e)); break;
        case XCB_MOTION_NOTIFY: onMotion(reinterpret_cast<const xcb_motion_notify_event_t&>(e)); break;
        case XCB_LEAVE_NOTIFY:
            if (!draggedWidget) setHovered(nullptr);
            break;
        default: break;
    }
}

void X11EditView::setHovered(Widget* w) {
    if (w == hoveredWidget) return;
    if (hoveredWidget) hoveredWidget->hovered = false;
    hoveredWidget = w;
    if (w) w->hovered = true;
    dirty = true;
    updateCursor();
}

void X11EditView::updateCursor() {
    const xcb_cursor_t wanted = draggedWidget ? upDownCursor : hoveredWidget ? handCursor : arrowCursor;
    if (wanted == shownCursor) return;
    shownCursor = wanted;
    xcb_change_window_attributes(c, editorWindow, XCB_CW_CURSOR, &wanted);
}

void X11EditView::onMotion(const xcb_motion_notify_event_t& e) {
    if (draggedWidget) {
        Widget& w = *draggedWidget;
        const int y = e.event_y - w.place.y;
        if (y == w.drag.y) return;  // a move that keeps the row sends nothing
        w.value = w.drag.moveTo(y, fineKeys(e.state));
        host().setValue(w.index, w.value);
        dirty = true;
        return;
    }
    setHovered(widgetAt(e.event_x, e.event_y));
}

void X11EditView::onPress(const xcb_button_press_event_t& e) {
    if (draggedWidget) {
        if (e.detail == 3) {
            // A right click during a drag ends it at mid-range.
            Widget& w = *draggedWidget;
            w.value = 0.5f;
            host().setValue(w.index, w.value);
            endDrag(w);
        }
        return;
    }
    Widget* w = widgetAt(e.event_x, e.event_y);
    if (e.detail == 1) {
        const bool doubleClick = e.time - lastPressTime <= doubleClickMs && std::abs(e.event_x - lastPressX) <= doubleClickReach &&
                                 std::abs(e.event_y - lastPressY) <= doubleClickReach;
        lastPressTime = doubleClick ? 0 : e.time;
        lastPressX = e.event_x;
        lastPressY = e.event_y;
        if (!w) {
            const PlugCore::EditorLayout& layout = owner.layout();
            if (e.event_x > layout.width - cornerWidth && e.event_y > layout.height - cornerHeight) showBackgroundMenu();
            return;
        }
        if (!w->knob) {
            // A click (or the second of a double click) toggles the state shown; a click while learning only cancels.
            if (w->learning)
                cancelLearn(*w);
            else
                changeValue(*w, w->on() ? 0.0f : 1.0f);
            return;
        }
        if (doubleClick)
            resetToDefault(*w);
        else
            beginDrag(*w, e.event_y - w->place.y);
        return;
    }
    if (e.detail == 3 && w) {
        cancelLearn(*w);
        showWidgetMenu(*w);
        return;
    }
    if ((e.detail == 4 || e.detail == 5) && w && w->knob) {
        // One wheel notch: 120 as Windows counts it.
        w->value = wheelStep(w->value, e.detail == 4 ? 120 : -120, fineKeys(e.state));
        changeValue(*w, w->value);
    }
}

void X11EditView::onRelease(const xcb_button_release_event_t& e) {
    if (draggedWidget && e.detail == 1) endDrag(*draggedWidget);
}

void X11EditView::changeValue(Widget& w, float value) {
    host().beginEdit(w.index);
    host().setValue(w.index, value);
    host().endEdit(w.index);
}

void X11EditView::beginDrag(Widget& w, int y) {
    cancelLearn(w);
    draggedWidget = &w;
    w.dragging = true;
    w.drag = KnobDrag(w.value, y);
    // Every move reaches the knob, wherever the pointer goes, until the button is let go.
    xcb_grab_pointer(c, 0, editorWindow,
                     XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION,
                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, upDownCursor, XCB_CURRENT_TIME);
    updateCursor();
    host().beginEdit(w.index);
    dirty = true;
}

void X11EditView::endDrag(Widget& w) {
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    w.dragging = false;
    draggedWidget = nullptr;
    host().endEdit(w.index);
    updateCursor();
    dirty = true;
}

void X11EditView::resetToDefault(Widget& w) {
    host().beginEdit(w.index);
    host().setValue(w.index, host().defaultValue(w.index));
    host().endEdit(w.index);
}

void X11EditView::cancelLearn(Widget& w) {
    if (w.learning && learning.load(std::memory_order_relaxed)) endPendingLearn();
    w.learning = false;
}

void X11EditView::endPendingLearn() {
    // The learning widget leaves its learn display and the plug-in stops waiting.
    learning = false;
    host().cancelLearn();
    if (Widget* w = widgetOf(learnIndex)) w->learning = false;
    dirty = true;
}

void X11EditView::startLearn(Widget& w) {
    if (learning) {
        if (Widget* previous = widgetOf(learnIndex)) previous->learning = false;  // it leaves its learn display
    }
    learning = true;
    learnIndex = w.index;
    host().startLearn(w.index);
    w.learning = true;
    dirty = true;
}

void X11EditView::unlearn(Widget& w) {
    if (learning) endPendingLearn();
    host().unlearn(w.index);
}

void X11EditView::openPopup(const MenuEntries& entries, int x, int y, bool centred, X11Popup::Choice choice,
                            bool messageBox) {
    closePopup();
    popup = std::make_unique<X11Popup>(*this->x, entries, x, y, centred, messageBox);
    popupChoice = std::move(choice);
}

void X11EditView::closePopup() {
    if (!popup) return;
    const bool chosen = popup->hasChoice();
    const unsigned command = popup->chosenCommand();
    X11Popup::Choice choice = std::move(popupChoice);
    popupChoice = nullptr;
    popup.reset();
    dirty = true;
    if (chosen && choice) choice(command);  // may open the next popup (a question's answer)
}

void X11EditView::showWidgetMenu(Widget& w) {
    int rootX = 0, rootY = 0;
    // At the widget's left edge, 10 pixels above a knob's bottom edge (a switch's bottom edge).
    const int rise = w.knob ? 10 : 0;
    if (!x->rootPosition(editorWindow, w.place.x, w.place.y + w.place.height - rise, rootX, rootY)) return;
    const int32_t index = w.index;
    const MenuEntries entries = w.knob ? knobMenu(host(), index)
                                       : switchMenu(host(), index, w.on(), w.menuNames ? w.menuNames[0] : "",
                                                    w.menuNames ? w.menuNames[1] : "");
    dirty = true;
    openPopup(entries, rootX, rootY, false, [this, index](unsigned command) { onMenuCommand(index, command); });
}

void X11EditView::onMenuCommand(int32_t index, unsigned command) {
    Widget* w = widgetOf(index);
    if (!w) return;
    if (command == msgLearn) {
        startLearn(*w);
    } else if (command == msgUnlearn) {
        unlearn(*w);
    } else if (w->knob) {
        if (command == msgResetDefault) resetToDefault(*w);
    } else {
        // The two state entries have the commands 0 and 1; the choice is shown at once.
        w->value = command != 0 ? 1.0f : 0.0f;
        changeValue(*w, w->value);
    }
    dirty = true;
}

void X11EditView::showBackgroundMenu() {
    int rootX = 0, rootY = 0;
    const PlugCore::EditorLayout& layout = owner.layout();
    if (!x->rootPosition(editorWindow, layout.width - 45, layout.height, rootX, rootY)) return;
    openPopup(backgroundMenu(owner.webHost()), rootX, rootY, true, [this](unsigned c) { onBackgroundCommand(c); });
}

void X11EditView::onBackgroundCommand(unsigned command) {
    if (command == commandWebSite) {
        if (!owner.webHost()) return;
        char url[160];
        std::snprintf(url, sizeof url, "https://%s/", owner.webHost());
        // The desktop's opener, started by a shell that leaves it running and
        // ends at once: the shell is reaped here, the opener belongs to init.
        char shell[] = "/bin/sh", dashC[] = "-c", script[] = "xdg-open \"$1\" >/dev/null 2>&1 &", name[] = "sh";
        char* argv[] = {shell, dashC, script, name, url, nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, shell, nullptr, nullptr, argv, environ) == 0) waitpid(pid, nullptr, 0);
    } else if (command == commandSaveDefaults) {
        showMessage(saveDefaultsQuestion, true);
    }
}

void X11EditView::saveDefaults() {
    std::string file, reason;
    if (host().saveDefaults(file, reason)) return;
    // The user asked for this and confirmed it: a failure must not pass unseen.
    showMessage(saveFailureText(file, reason), false);
}

void X11EditView::showMessage(const std::string& text, bool question) {
    MenuEntries entries;
    entries.push_back({host().productName(), 0, false});
    entries.push_back({"", 0, false, false, true});
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) entries.push_back({line, 0, false});
    entries.push_back({"", 0, false, false, true});
    entries.push_back({"OK", 1});
    if (question) entries.push_back({"Cancel", 2});
    int rootX = 0, rootY = 0;
    const PlugCore::EditorLayout& layout = owner.layout();
    if (!x->rootPosition(editorWindow, layout.width / 2, 0, rootX, rootY)) return;
    openPopup(entries, rootX, rootY, true,
              [this, question](unsigned c) {
                  if (question && c == 1) saveDefaults();
              },
              true);
}

}  // namespace PlugEdit
