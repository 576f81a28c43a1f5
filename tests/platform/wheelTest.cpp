// The vendor-specific wheel call posts one wheel message to a window of this
// module under the cursor, and nothing to a window of another module.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/platform.h"

namespace {

LRESULT CALLBACK plainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HWND makeWindowUnderCursor(HINSTANCE instance, const char* className) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = plainProc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(WS_EX_TOPMOST, className, "wheel", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, nullptr,
                             nullptr, instance, nullptr);
    SetCursorPos(150, 150);
    for (int i = 0; i < 50; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        POINT p;
        GetCursorPos(&p);
        if (WindowFromPoint(p) == w) break;
        Sleep(20);
    }
    return w;
}

int takeWheelDelta(HWND w) {
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        if (PeekMessageA(&msg, w, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_REMOVE))
            return static_cast<short>(HIWORD(msg.wParam));
        Sleep(5);
    }
    return 0;
}

TEST(WheelForwarding, PostsToThisModulesWindowUnderTheCursor) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    platform::setModuleHandle(self);
    HWND w = makeWindowUnderCursor(self, "OrvaltWheelTest");
    ASSERT_TRUE(w);
    POINT p;
    GetCursorPos(&p);
    if (WindowFromPoint(p) != w) GTEST_SKIP() << "the X server did not move the cursor over the window";
    EXPECT_EQ(platform::forwardMouseWheel(1.0f), 1);
    EXPECT_EQ(takeWheelDelta(w), 120);
    EXPECT_EQ(platform::forwardMouseWheel(-0.5f), 1);
    EXPECT_EQ(takeWheelDelta(w), -60);

    platform::setModuleHandle(reinterpret_cast<HINSTANCE>(0x12340000));  // another module's library
    EXPECT_EQ(platform::forwardMouseWheel(1.0f), 0);
    EXPECT_EQ(takeWheelDelta(w), 0) << "nothing is posted to a foreign window";
    platform::setModuleHandle(self);
    DestroyWindow(w);
}

}  // namespace
