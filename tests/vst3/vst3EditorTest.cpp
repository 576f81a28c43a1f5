// The VST 3 editor on a real X server, embedded as Linux hosts embed it: the
// view registers with the host's run loop, a drag becomes begin/perform/end on
// the component handler, and opening and closing leaves nothing behind.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>

#include <chrono>
#include <thread>

#include "tests/support/x11Display.h"
#include "tools/vst3host/vst3host.h"

namespace {

// The host's window frame with its run loop; handlers are called by pump().
class Frame final : public Vst3::IPlugFrame, public Vst3::IRunLoop {
public:
    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override {
        if (Vst3::sameIid(iid, Vst3::IRunLoop::iid)) {
            *obj = static_cast<Vst3::IRunLoop*>(this);
            return Vst3::kResultOk;
        }
        if (Vst3::sameIid(iid, Vst3::IPlugFrame::iid) || Vst3::sameIid(iid, Vst3::FUnknown::iid)) {
            *obj = static_cast<Vst3::IPlugFrame*>(this);
            return Vst3::kResultOk;
        }
        *obj = nullptr;
        return Vst3::kNoInterface;
    }
    Vst3::uint32 VST3CALL addRef() override { return 1; }
    Vst3::uint32 VST3CALL release() override { return 1; }
    Vst3::tresult VST3CALL resizeView(Vst3::IPlugView*, Vst3::ViewRect*) override { return Vst3::kResultFalse; }
    Vst3::tresult VST3CALL registerEventHandler(Vst3::IEventHandler* h, Vst3::FileDescriptor f) override {
        handler = h, fd = f;
        return Vst3::kResultOk;
    }
    Vst3::tresult VST3CALL unregisterEventHandler(Vst3::IEventHandler* h) override {
        if (h == handler) handler = nullptr;
        return Vst3::kResultOk;
    }
    Vst3::tresult VST3CALL registerTimer(Vst3::ITimerHandler* t, Vst3::TimerInterval ms) override {
        timer = t, interval = ms;
        return Vst3::kResultOk;
    }
    Vst3::tresult VST3CALL unregisterTimer(Vst3::ITimerHandler* t) override {
        if (t == timer) timer = nullptr;
        return Vst3::kResultOk;
    }
    void pump(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            if (handler) handler->onFDIsSet(fd);
            if (timer) timer->onTimer();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (std::chrono::steady_clock::now() < end);
    }
    Vst3::IEventHandler* handler = nullptr;
    Vst3::ITimerHandler* timer = nullptr;
    Vst3::FileDescriptor fd = -1;
    Vst3::TimerInterval interval = 0;
};

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

TEST(Vst3Editor, DragsReachTheHostAsOneEditAndViewsComeAndGoWithoutATrace) {
    Display* display = testsupport::openDisplayRetrying(8);
    if (!display) GTEST_SKIP() << "no X display";
    std::string error;
    auto module = vst3host::Module::load(ORVALT_VST3_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    auto e = vst3host::Effect::create(module, error);
    ASSERT_TRUE(e) << error;
    const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 410, 100, 0, 0, 0);
    XMapRaised(display, parent);
    XSync(display, False);

    EXPECT_EQ(e->controller->createView("other"), nullptr);
    Vst3::IPlugView* view = e->controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), Vst3::kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported("HWND"), Vst3::kResultFalse);
    Vst3::ViewRect size{};
    ASSERT_EQ(view->getSize(&size), Vst3::kResultOk);
    EXPECT_EQ(size.right - size.left, 410);
    EXPECT_EQ(size.bottom - size.top, 100);
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(parent), "HWND"), Vst3::kInvalidArgument);

    const int descriptors = openDescriptors();  // the editor's own connection comes and goes
    Frame frame;
    ASSERT_EQ(view->setFrame(&frame), Vst3::kResultOk);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(parent), "X11EmbedWindowID"), Vst3::kResultOk);
    EXPECT_NE(frame.handler, nullptr);
    EXPECT_GE(frame.fd, 0);
    EXPECT_NE(frame.timer, nullptr);
    frame.pump(100);

    // The input knob, dragged up 40 pixels: a tenth of its range, in one gesture.
    const double before = e->controller->getParamNormalized(0);
    XTestFakeMotionEvent(display, -1, 55, 60, 0);
    XTestFakeButtonEvent(display, 1, True, 0);
    XSync(display, False);
    frame.pump(30);
    for (int k = 1; k <= 40; ++k) {
        XTestFakeMotionEvent(display, -1, 55, 60 - k, 0);
        XSync(display, False);
        frame.pump(2);
    }
    XTestFakeButtonEvent(display, 1, False, 0);
    XSync(display, False);
    frame.pump(60);
    const auto& calls = e->handler.calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front(), "begin 0");
    EXPECT_EQ(calls.back(), "end 0");
    for (size_t k = 1; k + 1 < calls.size(); ++k) EXPECT_EQ(calls[k].rfind("perform 0 ", 0), 0u) << calls[k];
    EXPECT_NEAR(e->controller->getParamNormalized(0) - before, 0.1, 0.01);

    EXPECT_EQ(view->removed(), Vst3::kResultOk);
    EXPECT_EQ(frame.handler, nullptr);
    EXPECT_EQ(frame.timer, nullptr);
    view->release();

    // Hosts open and close editors all session long.
    for (int k = 0; k < 200; ++k) {
        Vst3::IPlugView* again = e->controller->createView("editor");
        ASSERT_NE(again, nullptr);
        again->setFrame(&frame);
        ASSERT_EQ(again->attached(reinterpret_cast<void*>(parent), "X11EmbedWindowID"), Vst3::kResultOk);
        frame.pump(0);
        if (k % 2) again->removed();  // a host may also just release an attached view
        again->release();
        ASSERT_EQ(frame.handler, nullptr);
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

}  // namespace
