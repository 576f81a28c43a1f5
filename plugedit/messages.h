// The editor messages between the editor window and its widgets, and the float-in-a-word helpers.
#pragma once

#include <cstdint>
#include <cstring>

namespace PlugEdit {

// Window messages in the application range. wParam is a parameter index unless noted.
enum EditMessage : unsigned {
    msgSetValue = 0x8000,      // to the editor window: lParam holds the new value's bits
    msgShowValue = 0x8001,     // to a widget: wParam holds the value's bits
    msgBeginEdit = 0x8002,     // to the editor window
    msgEndEdit = 0x8003,       // to the editor window
    msgLearn = 0x8004,         // to the editor window, then on to the widget
    msgUnlearn = 0x8005,       // to the editor window
    msgLearnEnd = 0x8006,      // to the window: cancel a pending learn; to a widget: leave learn display
    msgResetDefault = 0x8007,  // to the editor window
};

// The command of the background menu's save entry (same number as msgResetDefault).
constexpr unsigned commandSaveDefaults = 0x8007;
// The command that opens the vendor's web site.
constexpr unsigned commandWebSite = 0;

inline uint32_t floatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float floatFromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace PlugEdit
