// Popup menus of the Win32 layer: the seam through which every menu is shown.
#pragma once

#include <windows.h>

#include "plugedit/menuEntries.h"

namespace PlugEdit {

// Shows a popup menu owned by `owner`; the chosen command reaches the owner as
// WM_COMMAND. Same contract as TrackPopupMenuEx without TPM_RETURNCMD (command 0
// is a real entry in some menus). Tests replace it, so no test ever waits in a
// modal menu loop.
using MenuTracker = BOOL (*)(HMENU menu, UINT flags, int x, int y, HWND owner);

// [UI thread] The tracker in use; TrackPopupMenuEx by default.
extern MenuTracker chooseFromMenu;

// [UI thread] Creates, shows and destroys a popup menu of the entries
// (disabled entries are greyed as well: MF_DISABLED alone looks enabled).
void showPopupMenu(HWND owner, UINT flags, int x, int y, const MenuEntries& entries);

}  // namespace PlugEdit
