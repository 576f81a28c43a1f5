// PlugEdit::EditWin: the editor's top window inside the host's window. Holds
// the widgets, fonts, background and timer, and turns the widgets' requests
// (editor messages) into calls on the plug-in.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "plugcore/Plug.h"
#include "winwrap/WinControl.h"

namespace PlugEdit {

class Edit;

// The style the product gives its widgets (WS_CHILD is added by the window wrapper).
constexpr DWORD widgetStyle = WS_VISIBLE | WS_CLIPSIBLINGS;

class EditWin : public WinWrap::WinControl {
public:
    // [UI thread] Creates the window, fonts, widgets (through the owner), shared copy and background.
    EditWin(const PlugCore::EditorLayout& layout, Edit* owner, HWND parent);
    // [UI thread] Runs from WM_NCDESTROY: abandons a pending learn, stops the timer, frees the GDI objects.
    ~EditWin() override;

    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // [UI thread] Background (or black), then the owner's overlay.
    void paint(HWND hwnd, HDC memoryDC) override;

    // [UI thread] Registers a widget that the product created as a child of this
    // window: it becomes the control of that parameter index (its window
    // identifier) and is sent the parameter's current value. A widget whose
    // window could not be created, or an index outside the table, is deleted.
    void addControl(int32_t index, WinWrap::WinControl* widget);

    // [any thread] The widget window of a parameter index; null outside the table.
    HWND control(int32_t index) const;

    // [UI thread] The editor window that holds a widget window, or null.
    static EditWin* ofWidget(HWND widget);

    PlugCore::Plug* plugin() const;

    // [any thread] A learn request is pending.
    bool learnPending() const { return learning.load(std::memory_order_relaxed); }
    // [audio thread, the editor's lock held] The learn for index finished: when
    // it is the pending one, its widget is told to leave the learn display
    // (posted) and nothing is pending any more.
    void learnCompleted(int32_t index);

    // [UI thread] The fonts every widget of the window draws with, and the caption colour.
    HFONT smallTextFont() const { return smallFont; }
    HFONT underlinedTextFont() const { return smallUnderlinedFont; }
    HFONT largeTextFont() const { return largeFont; }
    COLORREF captionColour() const { return layout->captionColour; }

private:
    friend struct ::WidgetProbe;  // tests check that the fonts and the background are released

    std::atomic<bool> learning{false};   // a learn request is pending for learnIndex
    std::atomic<int32_t> learnIndex{0};  // the pending or last learn request
    Edit* const owner;
    std::vector<HWND> controls;  // one per parameter index, filled by addControl
    HBITMAP background = nullptr;
    bool timerRunning = false;
    std::vector<uint8_t> sharedCopy;  // the window's private copy of the shared block
    const PlugCore::EditorLayout* const layout;
    HFONT smallFont = nullptr;
    HFONT smallUnderlinedFont = nullptr;
    HFONT largeFont = nullptr;

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
