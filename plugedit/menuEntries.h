// The editor's context menus as plain data: entries, commands, greying and
// check marks. Every window-system layer shows these lists its own way, so the
// menus read the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugedit/EditHost.h"

namespace PlugEdit {

struct MenuEntry {
    std::string text;  // with '&' before the access key, as Windows menus write it
    unsigned command = 0;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
};
using MenuEntries = std::vector<MenuEntry>;

// "MIDI &Learn..." and the unlearn entry for the controller key: disabled and
// greyed "MIDI &Unlearn" for -1, else with channel and controller.
void appendLearnEntries(MenuEntries& menu, int32_t key);

// A knob's menu: reset to the default (shown as its display text and unit), a separator, the learn entries.
MenuEntries knobMenu(EditHost& host, int32_t index);
// A switch's menu: both states by name (the shown one checked), a separator, the learn entries.
MenuEntries switchMenu(EditHost& host, int32_t index, bool on, const char* offName, const char* onName);
// The background menu: save the defaults, open the vendor's web site.
MenuEntries backgroundMenu(const char* webHost);

// The text without access-key marks ("&&" stays one '&').
std::string withoutAccessKeys(const std::string& text);

// The question before the defaults are saved, and the text of the box when saving failed.
extern const char* const saveDefaultsQuestion;
std::string saveFailureText(const std::string& file, const std::string& reason);

// "display unit" of a parameter's current value, as knobs show it under their caption.
std::string valueLine(EditHost& host, int32_t index);

}  // namespace PlugEdit
