// PlugEdit::EditWin: the Win32 layer's editor window inside the host's window.
// Holds the widgets, fonts, background and timer, and turns the widgets'
// requests (editor messages) into calls on the plug-in through the editor's
// EditHost.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "plugedit/ControlSink.h"
#include "plugedit/EditHost.h"
#include "plugedit/EditView.h"
#include "plugedit/menuEntries.h"
#include "plugcore/ProductInfo.h"
#include "winwrap/WinControl.h"
#include "winwrap/gdiObject.h"

namespace PlugEdit {

class Edit;

// The style the editor gives its widgets (WS_CHILD is added by the window wrapper).
constexpr DWORD widgetStyle = WS_VISIBLE | WS_CLIPSIBLINGS;

class EditWin : public WinWrap::WinControl, public EditView, public ControlSink {
public:
    // [UI thread] Creates the window, fonts, widgets (through the owner), shared copy and background.
    EditWin(const PlugCore::EditorLayout& layout, Edit* owner, HWND parent);
    // [UI thread] Runs from WM_NCDESTROY: abandons a pending learn, stops the timer; the GDI objects free themselves.
    ~EditWin() override;

    // [UI thread] The editor window's messages.
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // [UI thread] Background (or black), then the owner's overlay.
    void paint(HWND hwnd, HDC memoryDC) override;

    // --- EditView ---
    // [UI thread, the editor's lock held] Posts msgShowValue to the parameter's widget.
    void showValue(int32_t index, float value) override;
    // [audio thread, the editor's lock held] When index is the pending learn, its
    // widget is told to leave the learn display (posted) and nothing is pending any more.
    void learnCompleted(int32_t index) override;
    // [UI thread] DestroyWindow: deletes this window and every widget.
    void destroy() override;

    // --- ControlSink: the widgets are child windows [UI thread] ---
    void addKnob(int32_t index, WidgetPlace place, const char* caption) override;
    void addSwitch(int32_t index, WidgetPlace place, const char* caption, const char* const* stateNames,
                   const char* const* menuNames) override;

    // [UI thread] Registers a widget created as a child of this window: it
    // becomes the control of that parameter index (its window identifier) and
    // is sent the parameter's current value. A widget whose window could not be
    // created, or an index outside the table, is deleted.
    void addControl(int32_t index, WinWrap::WinControl* widget);

    // [any thread] The widget window of a parameter index; null outside the table.
    HWND control(int32_t index) const;

    // [UI thread] The editor window that holds a widget window, or null.
    static EditWin* ofWidget(HWND widget);

    // [UI thread] The plug-in as the widgets see it.
    EditHost& host() const;

    // [any thread] A learn request is pending.
    bool learnPending() const { return learning.load(std::memory_order_relaxed); }

    // [UI thread] The fonts every widget of the window draws with, and the caption colour.
    HFONT smallTextFont() const { return smallFont.get(); }
    HFONT underlinedTextFont() const { return smallUnderlinedFont.get(); }
    HFONT largeTextFont() const { return largeFont.get(); }
    COLORREF captionColour() const { return layout->captionColour; }

private:
    friend struct ::WidgetProbe;  // tests check that the fonts and the background are released

    std::atomic<bool> learning{false};   // a learn request is pending for learnIndex
    std::atomic<int32_t> learnIndex{0};  // the pending or last learn request
    Edit* const owner;
    std::vector<HWND> controls;  // one per parameter index, filled by addControl
    WinWrap::GdiObject<HBITMAP> background;
    bool timerRunning = false;
    std::vector<uint8_t> sharedCopy;  // the window's private copy of the shared block
    const PlugCore::EditorLayout* const layout;
    WinWrap::GdiObject<HFONT> smallFont;
    WinWrap::GdiObject<HFONT> smallUnderlinedFont;
    WinWrap::GdiObject<HFONT> largeFont;

    void createFonts();
    void timerTick();
    void showBackgroundMenu();
    void onCommand(WPARAM command);
    // Saves the defaults after the user confirmed; an error box names the file and the reason on failure.
    void saveDefaults();
    LRESULT onEditorMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void sendToControl(int32_t index, UINT message);
    void endPendingLearn();
};

// [UI thread] The editor background: bitmap resource `id` of the module, else a
// PNG resource of that id decoded into a 32-bit section; null when neither works.
HBITMAP loadBackground(int32_t id);

}  // namespace PlugEdit
