// The editor checks' parent window on Windows, the way hosts embed editors
// there: a top-level window of the host's whose messages the host pumps.
#include "tools/validator/editorParent.h"

#include <windows.h>

namespace validator {
namespace {

LRESULT CALLBACK parentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void pumpMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

class Win32Parent final : public EditorParent {
public:
    Win32Parent() {
        static ATOM registered = [] {
            WNDCLASSA c = {};
            c.lpfnWndProc = parentProcedure;
            c.hInstance = GetModuleHandleA(nullptr);
            c.hCursor = LoadCursor(nullptr, IDC_ARROW);
            c.lpszClassName = "vstvalidateEditorParent";
            return RegisterClassA(&c);
        }();
        (void)registered;
        parentWindow = CreateWindowExA(0, "vstvalidateEditorParent", "vstvalidate", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                       40, 40, 640, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~Win32Parent() override {
        if (parentWindow) DestroyWindow(parentWindow);
        pumpMessages();
    }
    std::string problem() const override { return parentWindow ? std::string() : "cannot create a parent window"; }
    void* handle() const override { return parentWindow; }

    void fit(const ERect& r) override {
        RECT box = {0, 0, r.right - r.left, r.bottom - r.top};
        AdjustWindowRect(&box, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(parentWindow, nullptr, 0, 0, box.right - box.left, box.bottom - box.top, SWP_NOMOVE | SWP_NOZORDER);
    }
    void pump() override { pumpMessages(); }
    // The close's own messages go through; Windows destroys the editor's
    // child windows with ours.
    std::string leftAfterClose() override {
        pumpMessages();
        return {};
    }

private:
    HWND parentWindow = nullptr;
};

}  // namespace

const bool kEditOpenAnswers = false;

std::unique_ptr<EditorParent> makeEditorParent() { return std::make_unique<Win32Parent>(); }

std::string editorsUnavailable() { return {}; }

}  // namespace validator
