// The host's window an editor is embedded in, one implementation per window
// system, so that the editor checks themselves are written once.
#pragma once

#include <memory>
#include <string>

#include "host/vst24.h"

namespace validator {

class EditorParent {
public:
    virtual ~EditorParent() = default;
    // "" when the window stands, or why it could not be made.
    virtual std::string problem() const = 0;
    virtual void* handle() const = 0;
    // Sizes the window around the editor's rectangle.
    virtual void fit(const ERect& r) = 0;
    // Lets the window system's messages through; called between effEditIdle calls.
    virtual void pump() = 0;
    // After effEditClose: "" or what the plug-in left behind in the window.
    virtual std::string leftAfterClose() = 0;
};

// [UI thread] A new parent window, shown on screen.
std::unique_ptr<EditorParent> makeEditorParent();

// Why no editor can be hosted on this machine at all (the checks are then
// skipped), or "".
std::string editorsUnavailable();

// Whether effEditOpen's answer means anything here: many Windows plug-ins
// answer 0 from an editor that opened fine.
extern const bool kEditOpenAnswers;

}  // namespace validator
