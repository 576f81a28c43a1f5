// The host side of the editor tests.
#include "editorHarness.h"

#include <cmath>
#include <cstring>

#include "plugedit/win32/popupMenu.h"

namespace editortest {

namespace {

MenuRecord menuRecord;
int nextCommand = -1;

BOOL recordingTracker(HMENU menu, UINT flags, int x, int y, HWND owner) {
    MenuRecord record;
    record.flags = flags;
    record.x = x;
    record.y = y;
    record.owner = owner;
    record.shown = menuRecord.shown + 1;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        record.texts.push_back(text);
        record.states.push_back(GetMenuState(menu, i, MF_BYPOSITION));
        record.ids.push_back(GetMenuItemID(menu, i));
    }
    menuRecord = record;
    // A real menu reports the choice to its owner after the menu loop ends.
    if (nextCommand >= 0) PostMessageA(owner, WM_COMMAND, static_cast<WPARAM>(nextCommand), 0);
    nextCommand = -1;
    return TRUE;
}

LRESULT CALLBACK hostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND registerHostClass() {
    static ATOM hostClass = 0;
    if (!hostClass) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = hostWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "EditorTestHostWindow";
        hostClass = RegisterClassExA(&wc);
    }
    return nullptr;
}

// The frame of the editor inside the persistent top-level window. A fresh one per
// test: destroying a child is immediate, while Wine waits up to two seconds for
// a window manager whenever a top-level window is hidden.
HWND createHostWindow() {
    registerHostClass();
    HWND host = CreateWindowExA(0, "EditorTestHostWindow", "frame", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                410, 100, topLevelWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
    return host;
}

}  // namespace

HWND topLevelWindow() {
    static HWND top = nullptr;
    if (!top || !IsWindow(top)) {
        registerHostClass();
        top = CreateWindowExA(WS_EX_TOPMOST, "EditorTestHostWindow", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                              EditorFixture::hostX, EditorFixture::hostY, 410, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(top);
    }
    return top;
}

namespace {
constexpr UINT moveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
}
TopLevelAt::TopLevelAt(int y) { SetWindowPos(topLevelWindow(), nullptr, EditorFixture::hostX, y, 0, 0, moveOnly); }
TopLevelAt::~TopLevelAt() {
    SetWindowPos(topLevelWindow(), nullptr, EditorFixture::hostX, EditorFixture::hostY, 0, 0, moveOnly);
}

MenuRecord& lastMenu() { return menuRecord; }
void chooseNext(int command) { nextCommand = command; }

void pump(int ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    } while (static_cast<int>(GetTickCount() - start) < ms);
}

void ScriptedDialogs::showError(const char* caption, const char* text) {
    captions.push_back(caption);
    texts.push_back(text);
}
void ScriptedDialogs::showWarning(const char* caption, const char* text) {
    showError(caption, text);
    warnings.push_back(text);
}
bool ScriptedDialogs::askYesNo(const char* caption, const char* text) {
    showError(caption, text);
    return false;
}
bool ScriptedDialogs::askOkCancel(const char* caption, const char* text) {
    showError(caption, text);
    return answerOk;
}

std::string defaultsFilePath() {
    std::string folder;
    if (!platform::settingsFolder(folder)) return std::string();
    return platform::joinPath(platform::joinPath(folder, "Quillmarsh"), "Orvalt.defaults");
}

EditorFixture::EditorFixture() {
    platform::setModuleHandle(GetModuleHandleA(nullptr));  // the resources are linked into the test program
    platform::setDialogHandler(&dialogs);
    PlugEdit::chooseFromMenu = recordingTracker;
    nextCommand = -1;
    menuRecord = MenuRecord();
    DeleteFileA(defaultsFilePath().c_str());
    plug = new Orvalt(testsupport::recordingHost);
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(effSetBlockSize, 0, 512);
    dispatch(effMainsChanged, 0, 1);
    host = createHostWindow();
    editCalls().clear();
}

EditorFixture::~EditorFixture() {
    closeEditor();
    dispatch(effMainsChanged, 0, 0);
    effect()->dispatcher(effect(), effClose, 0, 0, nullptr, 0.0f);  // deletes the plug-in
    DestroyWindow(host);
    pump(10);
    DeleteFileA(defaultsFilePath().c_str());
    platform::setDialogHandler(nullptr);
}

VstIntPtr EditorFixture::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect()->dispatcher(effect(), opcode, index, value, ptr, opt);
}

bool EditorFixture::openEditor() {
    const bool opened = dispatch(effEditOpen, 0, 0, host) == 1;
    pump(80);
    return opened;
}

void EditorFixture::closeEditor() { dispatch(effEditClose); }

OrvaltEdit* EditorFixture::editor() const { return dynamic_cast<OrvaltEdit*>(plug->getEditor()); }

PlugEdit::Knob* EditorFixture::knob(int index) const {
    return dynamic_cast<PlugEdit::Knob*>(WinWrap::WinControl::fromWindow(control(index)));
}

PlugEdit::OnOff* EditorFixture::onOff(int index) const {
    return dynamic_cast<PlugEdit::OnOff*>(WinWrap::WinControl::fromWindow(control(index)));
}

void EditorFixture::sendController(int channel, int controller, int value) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.midiData[0] = static_cast<char>(0xB0 | ((channel - 1) & 0x0F));
    event.midiData[1] = static_cast<char>(controller);
    event.midiData[2] = static_cast<char>(value);
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&event);
    dispatch(effProcessEvents, 0, 0, &events);
    float left[64] = {}, right[64] = {};
    float* io[2] = {left, right};
    effect()->processReplacing(effect(), io, io, 64);
}

void EditorFixture::processLoud(int blocks) {
    static float left[512], right[512];
    for (int i = 0; i < 512; ++i) left[i] = right[i] = static_cast<float>(0.99 * std::sin(i * 0.05));
    float* in[2] = {left, right};
    static float outLeft[512], outRight[512];
    float* out[2] = {outLeft, outRight};
    for (int b = 0; b < blocks; ++b) effect()->processReplacing(effect(), in, out, 512);
}

uint32_t EditorFixture::editorPixel(int x, int y) const {
    GdiFlush();
    const QuillBLT::Surface& s = window()->backBuffer();
    return s.pixels ? s.at(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) : 0;
}

}  // namespace editortest
