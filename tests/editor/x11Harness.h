// Plays host for the X11 editor tests: a real Orvalt driven through its effect
// record's dispatcher, a parent window of the host's own on the host's own
// display connection, the idle pump, and the real X pointer and keyboard (XTest).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "product/Orvalt.h"
#include "product/OrvaltEdit.h"
#include "tests/support/editCalls.h"

namespace x11test {

using testsupport::EditCall;
using testsupport::editCalls;

class X11Fixture {
public:
    // The plug-in is made in any case; the caller skips (through `skipped`) what needs an X server.
    X11Fixture(int parentX = 100, int parentY = 100);
    ~X11Fixture();
    bool skipped() const { return display == nullptr; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr);
    // effEditOpen with the parent window, then idles until the editor is on screen.
    bool openEditor();
    void closeEditor();
    // Sends effEditIdle (as hosts do, every few ms) for about ms milliseconds.
    void idle(int ms = 60);
    OrvaltEdit* editor() const { return static_cast<OrvaltEdit*>(plug->getEditor()); }
    // The windows under the parent (the editor's window while it is open).
    std::vector<Window> children() const;
    // Mapped override-redirect windows on the root: the editor's popups.
    std::vector<Window> popups() const;
    // The parent's pixels as 0x00RRGGBB, rows top to bottom.
    std::vector<uint32_t> capture(int width = 410, int height = 100) const;

    // The real pointer, in coordinates of the parent window.
    void moveTo(int x, int y);
    void press(unsigned button);
    void release(unsigned button);
    void click(unsigned button) {
        press(button);
        release(button);
    }
    void key(const char* keysym, bool down);
    // Publishes clip levels the way the signal chain does.
    void publishLevels(float left, float right);

    Display* display = nullptr;
    Window parent = 0;
    Orvalt* plug = nullptr;
    int originX;
    int originY;
};

// The Windows editor's picture at the state the pixel test sets, kept in the
// tests: editor-screenshot.png as the Windows editor tests write it under Wine
// (RealPointer.TheOpenedEditorIsSavedAsAPicture), an independent reference drawn by GDI.
std::vector<uint32_t> windowsReference();
// Writes a picture as a PNG file (for the README and for looking at failures).
bool writePicture(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace x11test
