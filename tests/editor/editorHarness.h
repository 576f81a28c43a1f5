// Plays host for the editor tests: a real Orvalt with a recording host callback,
// a top-level host window, the editor opened through the dispatcher, message
// pumping, a replaceable popup-menu tracker and a scripted dialog handler.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugedit/win32/EditWin.h"
#include "plugedit/win32/Knob.h"
#include "plugedit/win32/OnOff.h"
#include "plugedit/messages.h"
#include "product/Orvalt.h"
#include "product/OrvaltEdit.h"
#include "tests/support/editCalls.h"
#include "widgetProbe.h"

namespace editortest {

using testsupport::EditCall;
using testsupport::editCalls;

// Runs every pending message of this thread, repeatedly, for about `ms` milliseconds.
void pump(int ms = 60);
// Pumps until `done` holds or about `ms` milliseconds passed; returns done().
template <typename Done>
bool pumpUntil(Done done, int ms = 2000) {
    for (int waited = 0; waited < ms; waited += 10) {
        if (done()) return true;
        pump(10);
    }
    return done();
}

// What the menu tracker saw for the last menu, and what it will choose next.
struct MenuRecord {
    std::vector<std::string> texts;  // separators as ""
    std::vector<UINT> states;        // GetMenuState flags per item
    std::vector<UINT> ids;
    UINT flags = 0;
    int x = 0;
    int y = 0;
    HWND owner = nullptr;
    int shown = 0;
};
MenuRecord& lastMenu();
// The command the next menu reports through WM_COMMAND; -1 closes it without a choice.
void chooseNext(int command);

// Records boxes (warnings also in `warnings`); answers OK/Cancel questions with `answerOk`.
struct ScriptedDialogs : platform::DialogHandler {
    bool answerOk = true;
    std::vector<std::string> captions, texts, warnings;
    void showError(const char* caption, const char* text) override;
    void showWarning(const char* caption, const char* text) override;
    bool askYesNo(const char* caption, const char* text) override;
    bool askOkCancel(const char* caption, const char* text) override;
};

// A fresh Orvalt (no defaults file), a host window at a fixed screen place and the editor opened in it.
class EditorFixture {
public:
    EditorFixture();
    ~EditorFixture();

    AEffect* effect() const { return plug->getAeffect(); }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    bool openEditor();
    void closeEditor();
    OrvaltEdit* editor() const;
    PlugEdit::EditWin* window() const { return static_cast<PlugEdit::EditWin*>(editor()->editorView()); }
    HWND control(int index) const { return window()->control(index); }
    PlugEdit::Knob* knob(int index) const;
    PlugEdit::OnOff* onOff(int index) const;
    // Sends one MIDI control change through effProcessEvents and one process call.
    void sendController(int channel, int controller, int value);
    // Processes `blocks` blocks of a loud sine (the clipper works hard).
    void processLoud(int blocks);
    // The editor window's pixel at (x, y) as 0xAARRGGBB.
    uint32_t editorPixel(int x, int y) const;

    Orvalt* plug = nullptr;
    HWND host = nullptr;
    ScriptedDialogs dialogs;

    static constexpr int hostX = 120;
    static constexpr int hostY = 140;
};

std::string defaultsFilePath();

// The one top-level window of the test program (created on first use, kept).
HWND topLevelWindow();

// Moves the top-level window down for one test (a long upward drag needs room above the knobs).
struct TopLevelAt {
    explicit TopLevelAt(int y);
    ~TopLevelAt();
};

}  // namespace editortest
