// The default menu tracker, and menus built from the editor's entry lists.
#include "plugedit/win32/popupMenu.h"

namespace PlugEdit {

namespace {
BOOL trackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}
}  // namespace

MenuTracker chooseFromMenu = trackPopupMenu;

void showPopupMenu(HWND owner, UINT flags, int x, int y, const MenuEntries& entries) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    for (const MenuEntry& e : entries) {
        if (e.separator) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT state = MF_STRING;
        if (e.checked) state |= MF_CHECKED;
        if (!e.enabled) state |= MF_DISABLED | MF_GRAYED;
        AppendMenuA(menu, state, e.command, e.text.c_str());
    }
    chooseFromMenu(menu, flags, x, y, owner);
    DestroyMenu(menu);
}

}  // namespace PlugEdit
