// The CLAP editor as a host drives it: embedded in the host's X window at its
// fixed size, pumped by the host's descriptor and timer callbacks, its drags
// reaching the host as gesture and value events, with the real X pointer.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/clap/clapTestHost.h"

// After everything else: Xlib's macros (None, Bool, Status) clash with C++ names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "tests/support/x11Display.h"

namespace {

using claptest::Instance;

class EditorFixture {
public:
    EditorFixture() {
        display = testsupport::openDisplayRetrying(8);
        if (!display) return;
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 410, 100, 0, 0, 0);
        XMapRaised(display, parent);
        XSync(display, False);
        gui = o.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    }
    ~EditorFixture() {
        if (display) XCloseDisplay(display);
    }
    bool open() {
        clap_window_t window{CLAP_WINDOW_API_X11, {}};
        window.x11 = parent;
        return gui->create(o.plugin, CLAP_WINDOW_API_X11, false) && gui->set_parent(o.plugin, &window);
    }
    // The windows inside the host's window.
    unsigned children() {
        Window root, up, *list = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &up, &list, &count);
        if (list) XFree(list);
        return count;
    }
    void drag(int x, int y, int up) {
        XTestFakeMotionEvent(display, -1, x, y, 0);
        XTestFakeButtonEvent(display, 1, True, 0);
        XSync(display, False);
        o.pump(30);
        for (int k = 1; k <= up; ++k) {
            XTestFakeMotionEvent(display, -1, x, y - k, 0);
            XSync(display, False);
            o.pump(2);
        }
        XTestFakeButtonEvent(display, 1, False, 0);
        XSync(display, False);
        o.pump(60);
    }

    Display* display = nullptr;
    Window parent = 0;
    Instance o;
    const clap_plugin_gui_t* gui = nullptr;
};

#define REQUIRE_DISPLAY(f) \
    if (!(f).display) GTEST_SKIP() << "no X display"

TEST(ClapEditor, EmbedsAtItsFixedSizePumpedByTheHostsLoopAndLeavesIt) {
    EditorFixture f;
    REQUIRE_DISPLAY(f);
    ASSERT_NE(f.gui, nullptr);
    EXPECT_TRUE(f.gui->is_api_supported(f.o.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(f.gui->is_api_supported(f.o.plugin, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(f.gui->is_api_supported(f.o.plugin, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(f.gui->create(f.o.plugin, "wayland", false));
    ASSERT_TRUE(f.open());
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(f.gui->get_size(f.o.plugin, &width, &height));
    EXPECT_EQ(width, 410u);
    EXPECT_EQ(height, 100u);
    EXPECT_FALSE(f.gui->can_resize(f.o.plugin));
    EXPECT_FALSE(f.gui->set_size(f.o.plugin, 820, 200));
    EXPECT_TRUE(f.gui->set_size(f.o.plugin, 410, 100));
    EXPECT_EQ(f.o.timers.size(), 1u);
    EXPECT_EQ(f.o.descriptors.size(), 1u);
    EXPECT_TRUE(f.gui->show(f.o.plugin));
    f.o.pump(50);
    EXPECT_EQ(f.children(), 1u);
    f.gui->destroy(f.o.plugin);
    XSync(f.display, False);
    EXPECT_EQ(f.children(), 0u);
    EXPECT_TRUE(f.o.timers.empty());
    EXPECT_TRUE(f.o.descriptors.empty());
}

TEST(ClapEditor, ADragReachesTheHostAsOneGestureOfRisingValues) {
    EditorFixture f;
    REQUIRE_DISPLAY(f);
    ASSERT_TRUE(f.open());
    f.o.pump(50);
    f.drag(55, 60, 40);  // the input knob
    EXPECT_GT(f.o.flushRequests, 0);
    f.o.flush(claptest::EventList());
    const auto& pushed = f.o.pushed;
    ASSERT_GE(pushed.size(), 3u);
    EXPECT_EQ(pushed.front(), (claptest::OutEvent{CLAP_EVENT_PARAM_GESTURE_BEGIN, 0, 0.0}));
    EXPECT_EQ(pushed.back(), (claptest::OutEvent{CLAP_EVENT_PARAM_GESTURE_END, 0, 0.0}));
    double last = 0.0;
    for (size_t k = 1; k + 1 < pushed.size(); ++k) {
        EXPECT_EQ(pushed[k].type, CLAP_EVENT_PARAM_VALUE);
        EXPECT_EQ(pushed[k].param, 0u);
        EXPECT_GE(pushed[k].value, last);
        last = pushed[k].value;
    }
    double value = -1.0;
    ASSERT_TRUE(f.o.params->get_value(f.o.plugin, 0, &value));
    EXPECT_EQ(value, last);
    EXPECT_GT(last, 0.05);
    // Nothing is told twice: a process call after the flush pushes nothing.
    f.o.pushed.clear();
    ASSERT_TRUE(f.o.activate(44100.0, 64));
    std::vector<float> l(64), r(64);
    float* io[2] = {l.data(), r.data()};
    f.o.process(io, io, 64, claptest::EventList());
    EXPECT_TRUE(f.o.pushed.empty());
    f.gui->destroy(f.o.plugin);
}

// Hosts close and reopen editors all the time, and some destroy their window
// before they destroy the editor.
TEST(ClapEditor, ReopensManyTimesAndOutlivesItsParent) {
    EditorFixture f;
    REQUIRE_DISPLAY(f);
    for (int k = 0; k < 200; ++k) {
        ASSERT_TRUE(f.open()) << k;
        f.o.pump(1);
        f.gui->destroy(f.o.plugin);
    }
    EXPECT_EQ(f.children(), 0u);
    ASSERT_TRUE(f.open());
    f.o.pump(20);
    XDestroyWindow(f.display, f.parent);
    XSync(f.display, False);
    f.o.pump(50);
    f.gui->destroy(f.o.plugin);
    EXPECT_TRUE(f.o.timers.empty());
}

}  // namespace
