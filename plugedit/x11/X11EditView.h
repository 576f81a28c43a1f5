// PlugEdit::X11EditView: the X11 layer's editor window. A child of the host's
// window on an xcb connection of its own (the errors of its requests come back
// to it alone), painted by putting the editor's 32-bit picture. It has no event
// loop of its own: the host's idle call pumps its events without blocking and
// runs its 10 ms tick (meter, value poll, repaint). As a top-level window (a
// child of the root) it answers the window manager's close by closing.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "blt/surface.h"
#include "plugedit/ControlSink.h"
#include "plugedit/EditView.h"
#include "plugedit/knobMath.h"
#include "plugedit/x11/XcbConnection.h"
#include "plugedit/x11/x11Popup.h"

struct X11Probe;

namespace PlugEdit {

class Edit;
class EditHost;

class X11EditView final : public EditView, public ControlSink {
public:
    // [UI thread] Null when the display cannot be opened or the parent is not a
    // window. A parent that a live client may not have flushed to the server
    // yet is waited for in idle (closed when it has not come within 2 s).
    static X11EditView* create(Edit& owner, xcb_window_t parent);
    ~X11EditView() override;

    // --- EditView ---
    // [UI thread, the editor's lock held] Queued for the next repaint.
    void showValue(int32_t index, float value) override;
    // [audio thread, the editor's lock held] Only flags: the widget leaves its learn display at the next pump.
    void learnCompleted(int32_t index) override;
    // [UI thread] The window, the pump and its descriptor.
    void destroy() override;
    void idle() override;
    int eventDescriptor() const override { return x->descriptor(); }

    // --- ControlSink [UI thread] ---
    void addKnob(int32_t index, WidgetPlace place, const char* caption) override;
    void addSwitch(int32_t index, WidgetPlace place, const char* caption, const char* const* stateNames,
                   const char* const* menuNames) override;

    // [UI thread] The editor's window on its own connection (its id is fixed
    // before a parent that is waited for exists).
    xcb_window_t window() const { return editorWindow; }
    // [UI thread] The picture last put on the window (0x00RRGGBB words in the low 24 bits).
    const QuillBLT::Surface& picture() const { return pictureView; }

private:
    friend struct ::X11Probe;  // tests read the widgets' state and the open popup

    struct Widget {
        int32_t index;
        WidgetPlace place;
        const char* caption;
        bool knob;
        const char* const* stateNames;  // switches: off, on
        const char* const* menuNames;
        float value = 0.0f;  // knob: the value shown; switch: on above 0.5
        bool hovered = false;
        bool learning = false;
        bool dragging = false;
        KnobDrag drag{0.0f, 0};
        bool on() const { return value > 0.5f; }
        bool hits(int x, int y) const;
    };

    X11EditView(Edit& owner, std::unique_ptr<XcbConnection> connection);
    bool createWindow();
    void setUp();
    EditHost& host() const;
    void close();

    void handle(const xcb_generic_event_t& event);
    void onPress(const xcb_button_press_event_t& e);
    void onRelease(const xcb_button_release_event_t& e);
    void onMotion(const xcb_motion_notify_event_t& e);
    void tick();
    void repaint();
    void putPicture();
    Widget* widgetAt(int x, int y);
    Widget* widgetOf(int32_t index);
    void setHovered(Widget* w);
    void updateCursor();

    // The widgets' requests, as the Win32 editor window answers them.
    void changeValue(Widget& w, float value);
    void beginDrag(Widget& w, int y);
    void endDrag(Widget& w);
    void resetToDefault(Widget& w);
    void cancelLearn(Widget& w);
    void startLearn(Widget& w);
    void endPendingLearn();
    void unlearn(Widget& w);
    void showWidgetMenu(Widget& w);
    void showBackgroundMenu();
    void onMenuCommand(int32_t index, unsigned command);
    void onBackgroundCommand(unsigned command);
    void saveDefaults();
    void showMessage(const std::string& text, bool question);
    void openPopup(const MenuEntries& entries, int x, int y, bool centred, X11Popup::Choice choice,
                   bool messageBox = false);
    // Closes the popup; runs its choice when one was made.
    void closePopup();

    Edit& owner;
    const std::unique_ptr<XcbConnection> x;
    xcb_connection_t* const c;
    xcb_window_t parentWindow = 0;
    xcb_window_t editorWindow = 0;
    bool windowMade = false;  // false while the parent is waited for
    std::chrono::steady_clock::time_point parentDeadline{};
    xcb_gcontext_t gc = 0;
    xcb_cursor_t arrowCursor = 0;
    xcb_cursor_t handCursor = 0;
    xcb_cursor_t upDownCursor = 0;
    xcb_cursor_t shownCursor = 0;
    xcb_atom_t protocolsAtom = 0, deleteAtom = 0;  // WM_PROTOCOLS, WM_DELETE_WINDOW
    std::vector<uint32_t> pixels;  // the picture put on the window
    QuillBLT::Surface pictureView;
    std::vector<uint32_t> underWidgets;  // background and overlay, before the widgets
    std::unique_ptr<QuillBLT::BasicSurface> background;
    std::vector<Widget> widgets;
    std::vector<uint8_t> sharedCopy;
    std::unique_ptr<X11Popup> popup;
    X11Popup::Choice popupChoice;  // run after the popup is gone
    Widget* hoveredWidget = nullptr;
    Widget* draggedWidget = nullptr;
    bool dirty = true;
    bool mapped = false;
    bool windowGone = false;    // the host destroyed its window, and ours with it
    bool closeAsked = false;    // the window manager's close on a window of its own
    std::chrono::steady_clock::time_point lastTick{};
    // The last left press, for double clicks (500 ms, within 2 pixels, as Windows counts them).
    xcb_timestamp_t lastPressTime = 0;
    int lastPressX = -100;
    int lastPressY = -100;
    std::atomic<bool> learning{false};
    std::atomic<int32_t> learnIndex{0};
    std::atomic<int32_t> learnDone{-1};  // set by the audio side, shown at the next pump
};

}  // namespace PlugEdit
