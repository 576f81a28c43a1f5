// The default menu tracker and the MIDI learn entries shared by every widget's menu.
#include "plugedit/popupMenu.h"

#include <cstdio>

#include "plugedit/messages.h"

namespace PlugEdit {

namespace {
BOOL trackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}
}  // namespace

MenuTracker chooseFromMenu = trackPopupMenu;

void appendLearnEntries(HMENU menu, int32_t key) {
    AppendMenuA(menu, MF_STRING, msgLearn, "MIDI &Learn...");
    if (key == -1) {
        // Greyed as well: MF_DISABLED alone leaves the entry looking enabled.
        AppendMenuA(menu, MF_STRING | MF_DISABLED | MF_GRAYED, msgUnlearn, "MIDI &Unlearn");
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "MIDI &Unlearn (chan:%d, cc:%d)", ((key >> 8) & 0x0F) + 1, key & 0xFF);
    AppendMenuA(menu, MF_STRING, msgUnlearn, text);
}

}  // namespace PlugEdit
