// The window wrapper on its own: class values, paint rhythm, back buffer size, wheel, self-deletion.
#include <gtest/gtest.h>

#include <cstdio>

#include "editorHarness.h"
#include "winwrap/WinControl.h"
#include "winwrap/windowClass.h"

using namespace editortest;

namespace {

struct CountingControl : WinWrap::WinControl {
    using WinControl::WinControl;
    void paint(HWND, HDC) override { ++paints; }
    int paints = 0;
};

struct Parent {
    Parent()
        : control((platform::setModuleHandle(GetModuleHandleA(nullptr)),
                   new CountingControl(topLevelWindow(), 10, 5, 120, 90, WS_VISIBLE))),
          hwnd(control->hwnd()) {}
    ~Parent() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    CountingControl* control;
    HWND hwnd;
};

}  // namespace

TEST(WindowWrapper, TheClassIsRegisteredWithItsValues) {
    Parent p;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "WinControlWrapperWindowClass", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(wc.hbrBackground, nullptr);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.lpfnWndProc, WinWrap::windowProc);
    char name[32];
    GetWindowTextA(p.hwnd, name, sizeof name);
    EXPECT_STREQ(name, "control");
}

TEST(WindowWrapper, PaintsOnlyWhenMarkedAndCopiesTheBackBufferOtherwise) {
    Parent p;
    UpdateWindow(p.hwnd);
    pump(30);
    EXPECT_EQ(p.control->paints, 1);
    ASSERT_NE(WidgetProbe::memoryDC(*p.control), nullptr);
    EXPECT_EQ(p.control->backBuffer().width, 120u);
    EXPECT_EQ(p.control->backBuffer().height, 90u);
    EXPECT_EQ(p.control->backBuffer().stride, 120u);
    EXPECT_EQ(p.control->backBuffer().pixels, WidgetProbe::bits(*p.control));

    RedrawWindow(p.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // uncovered, not stale
    EXPECT_EQ(p.control->paints, 1);
    p.control->invalidate();
    UpdateWindow(p.hwnd);
    EXPECT_EQ(p.control->paints, 2);
    EXPECT_FALSE(WidgetProbe::needsPaint(*p.control));

    WidgetProbe::markStale(*p.control);
    SendMessageA(p.hwnd, WM_PAINT, 0, 0);  // no update region: nothing happens
    EXPECT_EQ(p.control->paints, 2);
}

TEST(WindowWrapper, AResizedWindowKeepsItsFirstBackBuffer) {
    Parent p;
    UpdateWindow(p.hwnd);
    SetWindowPos(p.hwnd, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
    p.control->invalidate();
    UpdateWindow(p.hwnd);
    EXPECT_EQ(p.control->width(), 200);
    EXPECT_EQ(p.control->height(), 150);
    EXPECT_EQ(p.control->backBuffer().width, 120u);
    EXPECT_EQ(p.control->backBuffer().height, 90u);
}

TEST(WindowWrapper, AnUnhandledWheelIsNotPassedUp) {
    Parent p;
    CountingControl* child = new CountingControl(p.hwnd, 5, 5, 20, 20, WS_VISIBLE);
    EXPECT_EQ(SendMessageA(child->hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0), 0);
    EXPECT_EQ(GetWindowLongA(child->hwnd(), GWL_STYLE) & WS_CHILD, WS_CHILD);
    EXPECT_EQ(child->x(), 5);
}

TEST(WindowWrapper, DestroyingTheParentDeletesEveryChildObjectOnce) {
    const int before = WinWrap::WinControl::liveCount();
    {
        Parent p;
        HWND children[3];
        for (int i = 0; i < 3; ++i) children[i] = (new CountingControl(p.hwnd, 10 * i, 0, 10, 10, WS_VISIBLE))->hwnd();
        UpdateWindow(p.hwnd);
        EXPECT_EQ(WinWrap::WinControl::liveCount(), before + 4);
        DestroyWindow(p.hwnd);
        EXPECT_EQ(WinWrap::WinControl::liveCount(), before);
        for (HWND child : children) {
            EXPECT_FALSE(IsWindow(child));
            EXPECT_EQ(WinWrap::WinControl::fromWindow(child), nullptr);
        }
    }
    EXPECT_EQ(WinWrap::WinControl::liveCount(), before);
}

TEST(WindowWrapper, AFailedClassRegistrationWarnsAndTheNextControlRetries) {
    platform::setModuleHandle(GetModuleHandleA(nullptr));
    ScriptedDialogs dialogs;
    platform::DialogHandler* previous = platform::setDialogHandler(&dialogs);
    WinWrap::unregisterWindowClass();
    ASSERT_EQ(WinWrap::windowClassAtom, 0) << "a wrapper window is still open";
    // Another class of the same name in the same module makes the registration fail.
    WNDCLASSEXA blocker{};
    blocker.cbSize = sizeof blocker;
    blocker.lpfnWndProc = DefWindowProcA;
    blocker.hInstance = GetModuleHandleA(nullptr);
    blocker.lpszClassName = "WinControlWrapperWindowClass";
    ASSERT_NE(RegisterClassExA(&blocker), 0);

    CountingControl* failed = new CountingControl(topLevelWindow(), 0, 0, 10, 10, WS_VISIBLE);
    EXPECT_EQ(failed->hwnd(), nullptr);
    EXPECT_EQ(WinWrap::windowClassAtom, 0);
    char expected[96];
    std::snprintf(expected, sizeof expected, "Couldn't create a wrapper windowclass (hInstance: %x)",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr))));
    // A warning (no owner), then the error of the window that could not be made.
    EXPECT_EQ(dialogs.warnings, (std::vector<std::string>{expected}));
    EXPECT_EQ(dialogs.captions, (std::vector<std::string>{"Error!", "Error!"}));
    EXPECT_EQ(dialogs.texts, (std::vector<std::string>{expected, "Failed to create a control."}));
    delete failed;  // a control without a window is its creator's to delete

    ASSERT_TRUE(UnregisterClassA("WinControlWrapperWindowClass", GetModuleHandleA(nullptr)));
    {
        Parent p;  // the next construction registers the class and gets its window
        EXPECT_NE(p.hwnd, nullptr);
        EXPECT_NE(WinWrap::windowClassAtom, 0);
    }
    EXPECT_EQ(dialogs.texts.size(), 2u);
    platform::setDialogHandler(previous);
}
