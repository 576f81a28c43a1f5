// PlugEdit::X11EditView: the X11 layer's editor window. A child of the host's
// window on a display connection of its own (no Xlib thread support needed),
// painted by putting the editor's 32-bit picture with XPutImage. It has no
// event loop of its own: the host's idle call pumps its events without
// blocking and runs its 10 ms tick (meter, value poll, repaint).
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "blt/surface.h"
#include "plugedit/ControlSink.h"
#include "plugedit/EditView.h"
#include "plugedit/knobMath.h"
#include "plugedit/x11/x11Popup.h"

struct X11Probe;

namespace PlugEdit {

class Edit;
class EditHost;

class X11EditView final : public EditView, public ControlSink {
public:
    // [UI thread] Null when the display cannot be opened or the parent is not a window.
    static X11EditView* create(Edit& owner, Window parent);
    ~X11EditView() override;

    // --- EditView ---
    void showValue(int32_t index, float value) override;
    void learnCompleted(int32_t index) override;
    void destroy() override;
    void idle() override;
    int eventDescriptor() const override { return ConnectionNumber(display); }

    // --- ControlSink [UI thread] ---
    void addKnob(int32_t index, WidgetPlace place, const char* caption) override;
    void addSwitch(int32_t index, WidgetPlace place, const char* caption, const char* const* stateNames,
                   const char* const* menuNames) override;

    // [UI thread] The editor's window on its own connection.
    Window window() const { return editorWindow; }
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

    X11EditView(Edit& owner, Display* display);
    bool createWindow(Window parent);
    EditHost& host() const;

    void handle(XEvent& event);
    void onPress(const XButtonEvent& e);
    void onRelease(const XButtonEvent& e);
    void onMotion(const XMotionEvent& e);
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
    Display* const display;
    Window editorWindow = 0;
    GC gc = nullptr;
    Cursor arrowCursor = 0;
    Cursor handCursor = 0;
    Cursor upDownCursor = 0;
    Cursor shownCursor = 0;
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
    bool windowGone = false;  // the host destroyed its window, and ours with it
    std::chrono::steady_clock::time_point lastTick{};
    // The last left press, for double clicks (500 ms, within 2 pixels, as Windows counts them).
    Time lastPressTime = 0;
    int lastPressX = -100;
    int lastPressY = -100;
    std::atomic<bool> learning{false};
    std::atomic<int32_t> learnIndex{0};
    std::atomic<int32_t> learnDone{-1};  // set by the audio side, shown at the next pump
};

}  // namespace PlugEdit
