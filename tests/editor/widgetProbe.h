// Read access to what the editor's windows keep to themselves (a friend of
// WinControl, EditWin and Knob): the back buffer's GDI objects and paint flag,
// the editor window's background, and the row a knob's drag is measured from.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugedit/win32/EditWin.h"
#include "plugedit/win32/Knob.h"
#include "winwrap/WinControl.h"

struct WidgetProbe {
    static HDC memoryDC(const WinWrap::WinControl& c) { return c.memoryDC; }
    static HBITMAP bitmap(const WinWrap::WinControl& c) { return c.bitmap; }
    static void* bits(const WinWrap::WinControl& c) { return c.bits; }
    static bool needsPaint(const WinWrap::WinControl& c) { return c.needsPaint; }
    // Marks the content stale without asking the system for a WM_PAINT.
    static void markStale(WinWrap::WinControl& c) { c.needsPaint = true; }
    static HBITMAP background(const PlugEdit::EditWin& w) { return w.background.get(); }
    static int32_t dragY(const PlugEdit::Knob& k) { return k.drag.y; }
};
