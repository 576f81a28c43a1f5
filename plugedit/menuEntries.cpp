// The editor's menus and the knob's value line, the same on every window system.
#include "plugedit/menuEntries.h"

#include <cstdio>

#include "plugedit/messages.h"

namespace PlugEdit {

namespace {
// Hosts read display texts into 8-byte buffers; the editor shows what they show.
constexpr size_t displaySize = 8;
constexpr size_t labelSize = 64;

MenuEntry separator() {
    MenuEntry e;
    e.separator = true;
    return e;
}
}  // namespace

void appendLearnEntries(MenuEntries& menu, int32_t key) {
    menu.push_back({"MIDI &Learn...", msgLearn});
    if (key == -1) {
        menu.push_back({"MIDI &Unlearn", msgUnlearn, false});
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "MIDI &Unlearn (chan:%d, cc:%d)", ((key >> 8) & 0x0F) + 1, key & 0xFF);
    menu.push_back({text, msgUnlearn});
}

MenuEntries knobMenu(EditHost& host, int32_t index) {
    char shown[64] = {};
    char label[labelSize] = {};
    host.formatValue(index, host.defaultValue(index), shown, sizeof shown);
    host.label(index, label, sizeof label);
    char reset[160];
    std::snprintf(reset, sizeof reset, "&Reset to default (%s %s)", shown, label);
    MenuEntries menu{{reset, msgResetDefault}, separator()};
    appendLearnEntries(menu, host.midiKey(index));
    return menu;
}

MenuEntries switchMenu(EditHost& host, int32_t index, bool on, const char* offName, const char* onName) {
    MenuEntries menu{{offName ? offName : "", 0, true, !on}, {onName ? onName : "", 1, true, on}, separator()};
    appendLearnEntries(menu, host.midiKey(index));
    return menu;
}

MenuEntries backgroundMenu(const char* webHost) {
    char web[128];
    std::snprintf(web, sizeof web, "&Go to %s", webHost ? webHost : "");
    return {{"&Save defaults...", commandSaveDefaults}, {web, commandWebSite}};
}

std::string withoutAccessKeys(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

const char* const saveDefaultsQuestion =
    "Saving new defaults for:\n - parameter values (current values) and presets\n - MIDI mappings (current mappings)\n";

std::string saveFailureText(const std::string& file, const std::string& reason) {
    return "Couldn't save the defaults to\n" + file + "\n\n" + reason;
}

std::string valueLine(EditHost& host, int32_t index) {
    char display[displaySize] = {};
    char label[labelSize] = {};
    host.formatValue(index, host.value(index), display, sizeof display);
    host.label(index, label, sizeof label);
    return std::string(display) + " " + label;
}

}  // namespace PlugEdit
