// PlugEdit::Widget: what a knob and a switch share. Each is a child window of
// the editor window that stands for one parameter (its window identifier),
// sends every request to the editor window as an editor message and shows what
// comes back; each tracks hover, shows the hand cursor, cancels a pending learn
// when clicked, and offers the learn entries at the end of its menu.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugedit/messages.h"
#include "plugedit/win32/EditWin.h"
#include "plugedit/win32/popupMenu.h"
#include "winwrap/WinControl.h"

namespace PlugEdit {

inline void setSystemCursor(LPCSTR id) { SetCursor(LoadCursorA(nullptr, id)); }

class Widget : public WinWrap::WinControl {
public:
    // [UI thread] The messages every widget answers alike: msgShowValue, the
    // learn display, hover and leave, the cursor, the right click and the learn
    // commands of the menu. Everything else goes to the window wrapper.
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    // [UI thread] What the widget shows.
    const char* caption() const { return captionText; }
    bool isLearning() const { return learning; }
    bool isHovered() const { return hovered; }

protected:
    // [UI thread] caption is not owned.
    Widget(HWND parent, int x, int y, int width, int height, DWORD style, const char* caption);

    // The parameter index: the window identifier.
    int32_t index() const;
    // The editor window above, or null.
    EditWin* editorWindow() const;
    // [UI thread] Sends an editor message for this widget's parameter to the editor window.
    void request(UINT message, LPARAM lParam = 0) const;
    // [UI thread] Begin-edit, set-value, end-edit: one complete change.
    void requestValueChange(float value) const;
    // [UI thread] A click while learning cancels the learn; the display follows with msgLearnEnd.
    void cancelLearn() const;

    // [UI thread] The context menu (the widget's own entries, a separator and
    // the learn entries) at the widget's left screen edge, `rise` pixels above
    // its bottom screen edge. The choice comes back as WM_COMMAND.
    void showMenu(int rise, const MenuEntries& entries) const;

    // --- what each widget does its own way [UI thread] ---
    // msgShowValue: take the value (the widget is repainted afterwards).
    virtual void showValue(float value) = 0;
    // Right click (after a learn was cancelled): show the context menu.
    virtual void showContextMenu() = 0;
    // A menu command other than learn and unlearn.
    virtual void menuCommand(unsigned command) = 0;
    // A gesture of the widget holds the mouse: moves go to heldMove, not to hover.
    virtual bool holdsPointer() const = 0;
    virtual void heldMove(int /*y*/, WPARAM /*keys*/) {}
    // The cursor while the pointer is held; null leaves the cursor alone.
    virtual LPCSTR heldCursor() const { return nullptr; }

private:
    void trackHover();
    LPCSTR ownCursor() const;

    const char* const captionText;
    bool learning = false;
    bool hovered = false;
};

}  // namespace PlugEdit
