// PlugEdit::ControlSink: where a product's createControls puts its widgets.
// The window-system layer turns each request into its own widget.
#pragma once

#include <cstdint>

namespace PlugEdit {

// A widget's rectangle in the editor window.
struct WidgetPlace {
    int x;
    int y;
    int width;
    int height;
};

class ControlSink {
public:
    virtual ~ControlSink() = default;
    // [UI thread] A knob for a continuous parameter; the caption is not copied.
    virtual void addKnob(int32_t index, WidgetPlace place, const char* caption) = 0;
    // [UI thread] A two-state text switch; stateNames and menuNames each point to
    // two strings (off, then on) that outlive the editor.
    virtual void addSwitch(int32_t index, WidgetPlace place, const char* caption, const char* const* stateNames,
                           const char* const* menuNames) = 0;
};

}  // namespace PlugEdit
