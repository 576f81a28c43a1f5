// What every widget needs from its surroundings: its parameter index, the
// editor window above it, requests to that window, hover tracking and cursors.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugedit/EditWin.h"
#include "plugedit/messages.h"

namespace PlugEdit {

// The parameter index of a widget: its window identifier.
inline int32_t widgetIndex(HWND widget) { return static_cast<int32_t>(GetWindowLongPtrA(widget, GWLP_ID)); }

// [UI thread] Sends an editor message for the widget's parameter to its parent window.
inline void requestFromEditor(HWND widget, UINT message, LPARAM lParam = 0) {
    SendMessageA(GetParent(widget), message, static_cast<WPARAM>(widgetIndex(widget)), lParam);
}

// [UI thread] Begin-edit, set-value, end-edit for one complete change.
inline void requestValueChange(HWND widget, float value) {
    requestFromEditor(widget, msgBeginEdit);
    requestFromEditor(widget, msgSetValue, static_cast<LPARAM>(floatBits(value)));
    requestFromEditor(widget, msgEndEdit);
}

// [UI thread] Asks for a WM_MOUSELEAVE when the pointer leaves the widget.
inline void requestLeaveNotice(HWND widget) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = widget;
    track.dwHoverTime = 0;
    TrackMouseEvent(&track);
}

// [UI thread] Enter or leave the learn display, the same for every widget; true
// when the message was one of the two.
inline bool applyLearnMessage(WinWrap::WinControl& widget, UINT message, uint8_t& learning) {
    if (message != msgLearn && message != msgLearnEnd) return false;
    learning = message == msgLearn ? 1 : 0;
    widget.invalidate();
    return true;
}

inline void setSystemCursor(LPCSTR id) { SetCursor(LoadCursorA(nullptr, id)); }

// [UI thread] WM_SETCURSOR over a widget's client area: shows the widget's own
// cursor and returns true. The system asks before every mouse message (also
// wheel turns); left to the default procedure the class arrow would flash up
// until the widget's next mouse move set its cursor again.
inline bool answerSetCursor(LPARAM lParam, LPCSTR id) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    setSystemCursor(id);
    return true;
}

// The controller key bound to the widget's parameter, -1 when none (or no plug-in).
inline int32_t widgetMidiKey(HWND widget) {
    EditWin* editor = EditWin::ofWidget(widget);
    return editor ? editor->plugin()->getMidiKey(widgetIndex(widget)) : -1;
}

}  // namespace PlugEdit
