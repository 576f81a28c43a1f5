// Popup menus of the editor: the seam through which every menu is shown, and the shared learn entries.
#pragma once

#include <windows.h>

#include <cstdint>

namespace PlugEdit {

// Shows a popup menu owned by `owner`; the chosen command reaches the owner as
// WM_COMMAND. Same contract as TrackPopupMenuEx without TPM_RETURNCMD (command 0
// is a real entry in some menus). Tests replace it, so no test ever waits in a
// modal menu loop.
using MenuTracker = BOOL (*)(HMENU menu, UINT flags, int x, int y, HWND owner);

// [UI thread] The tracker in use; TrackPopupMenuEx by default.
extern MenuTracker chooseFromMenu;

// [UI thread] Appends "MIDI &Learn..." and the unlearn entry for the
// controller key (disabled and greyed "MIDI &Unlearn" for -1, else with channel and controller).
void appendLearnEntries(HMENU menu, int32_t key);

// [UI thread] Creates, shows and destroys a popup menu filled by `fill`.
template <typename Fill>
void showPopupMenu(HWND owner, UINT flags, int x, int y, Fill fill) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    fill(menu);
    chooseFromMenu(menu, flags, x, y, owner);
    DestroyMenu(menu);
}

}  // namespace PlugEdit
