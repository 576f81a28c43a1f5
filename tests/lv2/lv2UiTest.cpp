// The LV2 editor binary as a host drives it: a parent window of the host's
// own, the idle interface, port events in, port writes and touch gestures
// out, with the real X pointer (XTest).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "lv2/lv2Description.h"

// After everything else: Xlib's macros (None, Bool, Status) clash with C++ names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/x11Display.h"

namespace {

struct Host {
    struct Write {
        uint32_t port;
        float value;
    };
    struct Touch {
        uint32_t port;
        bool grabbed;
    };
    std::vector<Write> writes;
    std::vector<Touch> touches;
    int width = 0, height = 0;
    // The URID map, and the editor's messages to the DSP (atom type without the plug-in URI, value).
    std::vector<std::string> uris;
    std::vector<std::pair<std::string, int32_t>> messages;
    LV2_URID id(const std::string& uri) {
        for (size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
        uris.push_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
};

LV2_URID mapUri(LV2_URID_Map_Handle h, const char* uri) { return static_cast<Host*>(h)->id(uri); }

const Lv2Format::PortLayout kLayout(7, 2);

void writePort(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
    Host& host = *static_cast<Host*>(c);
    if (protocol == 0) {
        ASSERT_EQ(size, sizeof(float));
        host.writes.push_back({port, *static_cast<const float*>(buffer)});
        return;
    }
    ASSERT_EQ(protocol, host.id(LV2_ATOM__eventTransfer));
    ASSERT_EQ(port, kLayout.midiIn());
    ASSERT_EQ(size, sizeof(LV2_Atom) + sizeof(int32_t));
    const auto* atom = static_cast<const LV2_Atom*>(buffer);
    std::string type = host.uris[atom->type - 1];
    type = type.substr(type.find('#') + 1);
    host.messages.push_back({type, *reinterpret_cast<const int32_t*>(atom + 1)});
}
void touch(LV2UI_Feature_Handle h, uint32_t port, bool grabbed) { static_cast<Host*>(h)->touches.push_back({port, grabbed}); }
int resize(LV2UI_Feature_Handle h, int width, int height) {
    static_cast<Host*>(h)->width = width;
    static_cast<Host*>(h)->height = height;
    return 0;
}

class UiFixture {
public:
    UiFixture() {
        display = testsupport::openDisplayRetrying(8);
        if (!display) return;
        void* library = dlopen(ORVALT_LV2_UI_BINARY, RTLD_NOW | RTLD_LOCAL);
        auto entry = library ? reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor")) : nullptr;
        descriptor = entry ? entry(0) : nullptr;
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 410, 100, 0, 0, 0);
        XMapRaised(display, parent);
        XSync(display, False);
    }
    ~UiFixture() {
        if (handle) descriptor->cleanup(handle);
        if (display) XCloseDisplay(display);
    }
    bool open(bool embedded = true) {
        LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
        // The touch feature is kept by the editor: it lives as long as the fixture.
        touchData = {&host, touch};
        touchFeature = {LV2_UI__touch, &touchData};
        LV2UI_Resize resizeData{&host, resize};
        LV2_Feature resizeFeature{LV2_UI__resize, &resizeData};
        mapData = {&host, mapUri};
        mapFeature = {LV2_URID__map, &mapData};
        const LV2_Feature* features[] = {&touchFeature, &resizeFeature, &mapFeature, embedded ? &parentFeature : nullptr,
                                         nullptr};
        handle = descriptor->instantiate(descriptor, "http://www.quillmarsh.com/lv2/Orvalt", ORVALT_LV2_BUNDLE, writePort,
                                         &host, &widget, features);
        if (!handle) return false;
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        idle(100);
        return idleInterface != nullptr;
    }
    void idle(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            idleInterface->idle(handle);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void portEvent(uint32_t port, float value) { descriptor->port_event(handle, port, sizeof value, 0, &value); }
    // A drag of the real pointer from (x, y) up by `up` pixels, one pixel per move.
    void drag(int x, int y, int up) {
        XTestFakeMotionEvent(display, -1, x, y, 0);
        XTestFakeButtonEvent(display, 1, True, 0);
        XSync(display, False);
        idle(30);
        for (int k = 1; k <= up; ++k) {
            XTestFakeMotionEvent(display, -1, x, y - k, 0);
            XSync(display, False);
            idle(2);
        }
        XTestFakeButtonEvent(display, 1, False, 0);
        XSync(display, False);
        idle(60);
    }
    // A click of the real pointer at (x, y) of the root window.
    void click(int x, int y, unsigned button) {
        XTestFakeMotionEvent(display, -1, x, y, 0);
        XSync(display, False);
        idle(20);
        XTestFakeButtonEvent(display, button, True, 0);
        XTestFakeButtonEvent(display, button, False, 0);
        XSync(display, False);
        idle(60);
    }
    void escape() {
        const KeyCode code = XKeysymToKeycode(display, XStringToKeysym("Escape"));
        XTestFakeKeyEvent(display, code, True, 0);
        XTestFakeKeyEvent(display, code, False, 0);
        XSync(display, False);
        idle(60);
    }
    void notice(const std::string& type, std::vector<int32_t> values) {
        std::vector<uint8_t> bytes(sizeof(LV2_Atom) + values.size() * sizeof(int32_t));
        auto* atom = reinterpret_cast<LV2_Atom*>(bytes.data());
        atom->size = static_cast<uint32_t>(values.size() * sizeof(int32_t));
        atom->type = host.id("http://www.quillmarsh.com/lv2/Orvalt#" + type);
        std::memcpy(atom + 1, values.data(), atom->size);
        descriptor->port_event(handle, kLayout.notify(), static_cast<uint32_t>(bytes.size()),
                               host.id(LV2_ATOM__eventTransfer), bytes.data());
    }
    std::vector<uint32_t> capture() {
        XImage* image = XGetImage(display, parent, 0, 0, 410, 100, AllPlanes, ZPixmap);
        std::vector<uint32_t> pixels;
        if (!image) return pixels;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 410; ++x) pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
        XDestroyImage(image);
        return pixels;
    }

    Display* display = nullptr;
    Window parent = 0;
    const LV2UI_Descriptor* descriptor = nullptr;
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Touch touchData{};
    LV2_Feature touchFeature{};
    LV2_URID_Map mapData{};
    LV2_Feature mapFeature{};
    Host host;
};

TEST(Lv2Ui, DragsBecomePortWritesInsideOneTouchGestureAndTheirEchoesChangeNothing) {
    UiFixture f;
    if (!f.display) GTEST_SKIP() << "no X display";
    ASSERT_NE(f.descriptor, nullptr);
    ASSERT_STREQ(f.descriptor->URI, "http://www.quillmarsh.com/lv2/Orvalt#ui");
    ASSERT_TRUE(f.open());
    EXPECT_NE(f.widget, nullptr);
    EXPECT_EQ(f.host.width, 410);
    EXPECT_EQ(f.host.height, 100);
    // The host tells the editor every port's value; none of that comes back as a write.
    const float defaults[7] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
    for (uint32_t i = 0; i < 7; ++i) f.portEvent(i, defaults[i]);
    f.idle(50);
    EXPECT_TRUE(f.host.writes.empty());
    // A double click resets the input knob to where it already is: nothing to tell the host.
    f.click(55, 60, 1);
    f.click(55, 60, 1);
    EXPECT_TRUE(f.host.writes.empty());
    EXPECT_EQ(f.host.touches.size(), 4u);  // the two gestures themselves (a host may show them)
    f.host.touches.clear();
    f.idle(600);  // the next press is no third click

    f.drag(55, 60, 40);  // input: 400 pixels span the range, so +0.1 of 0..20 dB
    ASSERT_FALSE(f.host.writes.empty());
    ASSERT_EQ(f.host.touches.size(), 2u);
    EXPECT_EQ(f.host.touches[0].port, 0u);
    EXPECT_TRUE(f.host.touches[0].grabbed);
    EXPECT_FALSE(f.host.touches[1].grabbed);
    float last = -1.0f;
    for (const auto& w : f.host.writes) {
        EXPECT_EQ(w.port, 0u);
        EXPECT_GE(w.value, last);  // moving up only raises it
        last = w.value;
    }
    EXPECT_FLOAT_EQ(last, 2.0f);  // in displayed units: +2.00 dB

    // A host that echoes every write: nothing is written back, and the next
    // drag goes on from +2 dB.
    const std::vector<Host::Write> echoes = f.host.writes;
    for (const auto& w : echoes) f.portEvent(w.port, w.value);
    f.idle(50);
    EXPECT_EQ(f.host.writes.size(), echoes.size());
    f.host.writes.clear();
    f.drag(60, 60, 40);  // a few pixels aside: not a double click
    ASSERT_FALSE(f.host.writes.empty());
    EXPECT_FLOAT_EQ(f.host.writes.back().value, 4.0f);

    // A change from the host (automation) moves the knob; its next drag starts there.
    f.portEvent(0, 10.0f);
    f.idle(50);
    f.host.writes.clear();
    f.drag(50, 60, 40);
    ASSERT_FALSE(f.host.writes.empty());
    EXPECT_FLOAT_EQ(f.host.writes.back().value, 12.0f);
}

TEST(Lv2Ui, LampPortsLightTheLamps) {
    UiFixture f;
    if (!f.display) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(f.open());
    f.idle(50);
    const std::vector<uint32_t> dark = f.capture();
    f.portEvent(kLayout.lamp(0), 1.0f);
    f.portEvent(kLayout.lamp(1), 0.25f);
    f.idle(60);
    const std::vector<uint32_t> lit = f.capture();
    ASSERT_EQ(dark.size(), lit.size());
    int changedLeft = 0, changedRight = 0, changedElsewhere = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 410; ++x) {
            if (dark[y * 410 + x] == lit[y * 410 + x]) continue;
            if (y >= 43 && y <= 53 && x >= 347 && x <= 357) ++changedLeft;
            else if (y >= 43 && y <= 53 && x >= 371 && x <= 381) ++changedRight;
            else ++changedElsewhere;
        }
    EXPECT_GT(changedLeft, 20);
    EXPECT_GT(changedRight, 20);
    EXPECT_EQ(changedElsewhere, 0);
    // The centre of the left lamp: red 204 (0.8 of full) added to the well's red.
    EXPECT_GT((lit[48 * 410 + 352] >> 16) & 0xFF, 200u);
}

// MIDI learn from the editor's knob menu reaches the DSP as a message, and the
// DSP's binding comes back: the menu then offers to unlearn it, which is asked
// of the DSP too. (Without the binding that entry is greyed and sends nothing.)
TEST(Lv2Ui, MidiLearnFromTheMenuGoesToTheDspAndItsBindingComesBack) {
    UiFixture f;
    if (!f.display) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(f.open());
    ASSERT_FALSE(f.host.messages.empty());
    EXPECT_EQ(f.host.messages[0], (std::pair<std::string, int32_t>{"hello", 0}));
    f.host.messages.clear();
    // The input knob's menu opens at its left edge, 10 pixels above its bottom:
    // rows of 18 pixels after a 3-pixel frame; reset, separator (8), learn, unlearn.
    const int menuX = 15 + 30, menuY = 16 + 80 - 10;
    const int learnRow = menuY + 3 + 18 + 8 + 9, unlearnRow = learnRow + 18;
    f.click(55, 60, 3);
    f.click(menuX, unlearnRow, 1);  // greyed: nothing to unlearn yet, and the menu stays
    EXPECT_TRUE(f.host.messages.empty());
    f.escape();
    f.click(55, 60, 3);
    f.click(menuX, learnRow, 1);
    f.idle(30);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0], (std::pair<std::string, int32_t>{"learn", 0}));
    // The DSP heard controller 7 and tells the editor.
    f.notice("binding", {0, static_cast<int16_t>(0xB007)});
    f.notice("learnTarget", {-1});
    f.idle(30);
    f.host.messages.clear();
    f.click(55, 60, 3);
    f.click(menuX, unlearnRow, 1);
    f.idle(30);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0], (std::pair<std::string, int32_t>{"unlearn", 0}));
}

// Mapped top-level windows of the editor's size, but `except`.
std::vector<Window> editorSizedTopLevels(Display* display, Window except = 0) {
    Window root, parentOfRoot, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> found;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parentOfRoot, &children, &count)) return found;
    for (unsigned k = 0; k < count; ++k) {
        XWindowAttributes a;
        if (children[k] != except && XGetWindowAttributes(display, children[k], &a) && a.map_state == IsViewable &&
            a.width == 410 && a.height == 100)
            found.push_back(children[k]);
    }
    if (children) XFree(children);
    return found;
}

// A host in a child process, its Xlib connection with the default error and
// I/O error handlers (which end the process); the child's exit code.
int hostExitCode(int (*host)()) {
    const pid_t pid = fork();
    if (pid == 0) _exit(host());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A host that does not embed: no parent, and the editor in a window of its own
// between show and hide.
TEST(Lv2Ui, ShowsAndHidesAWindowOfItsOwnWithoutAParent) {
    UiFixture f;
    if (!f.display) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(f.open(false));
    EXPECT_EQ(f.widget, nullptr);
    const auto* show = static_cast<const LV2UI_Show_Interface*>(f.descriptor->extension_data(LV2_UI__showInterface));
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(f.idleInterface->idle(f.handle), 0);
    EXPECT_EQ(show->show(f.handle), 0);
    f.idle(100);
    XSync(f.display, False);
    EXPECT_EQ(editorSizedTopLevels(f.display, f.parent).size(), 1u);
    EXPECT_EQ(show->show(f.handle), 0);  // a second show keeps the one window
    f.idle(50);
    EXPECT_EQ(editorSizedTopLevels(f.display, f.parent).size(), 1u);
    EXPECT_EQ(show->hide(f.handle), 0);
    XSync(f.display, False);
    f.idle(50);
    EXPECT_TRUE(editorSizedTopLevels(f.display, f.parent).empty());
    EXPECT_EQ(f.idleInterface->idle(f.handle), 0);  // hidden by the host, not closed by the user
}

// What a window manager and a host may do to the editor's windows: none of it
// may end the host, and a window of its own closed by the window manager is
// hidden (idle says so).
TEST(Lv2Ui, AWindowManagerClosingOrKillingTheWindowAndAHostDestroyingItsOwnEndNoHost) {
    {
        UiFixture probe;
        if (!probe.display) GTEST_SKIP() << "no X display";
    }
    struct Case {
        const char* name;
        int (*host)();
    };
    const Case cases[] = {
        {"the window manager's close (WM_DELETE_WINDOW)",
         [] {
             UiFixture f;
             const auto* show = static_cast<const LV2UI_Show_Interface*>(f.descriptor->extension_data(LV2_UI__showInterface));
             if (!f.open(false) || show->show(f.handle) != 0) return 2;
             f.idle(100);
             const std::vector<Window> shown = editorSizedTopLevels(f.display, f.parent);
             if (shown.size() != 1) return 3;
             // Sent as a window manager sends it, and only when the window asked for it.
             Atom* protocols = nullptr;
             int count = 0;
             const Atom deleteAtom = XInternAtom(f.display, "WM_DELETE_WINDOW", False);
             XGetWMProtocols(f.display, shown[0], &protocols, &count);
             const bool asked = std::find(protocols, protocols + count, deleteAtom) != protocols + count;
             if (protocols) XFree(protocols);
             if (!asked) return 4;
             XEvent e{};
             e.xclient.type = ClientMessage;
             e.xclient.window = shown[0];
             e.xclient.message_type = XInternAtom(f.display, "WM_PROTOCOLS", False);
             e.xclient.format = 32;
             e.xclient.data.l[0] = static_cast<long>(deleteAtom);
             XSendEvent(f.display, shown[0], False, NoEventMask, &e);
             XSync(f.display, False);
             f.idle(50);
             if (f.idleInterface->idle(f.handle) != 1) return 5;
             XSync(f.display, False);
             return editorSizedTopLevels(f.display, f.parent).empty() ? 0 : 6;
         }},
        {"the window manager kills the editor's connection (XKillClient)",
         [] {
             UiFixture f;
             const auto* show = static_cast<const LV2UI_Show_Interface*>(f.descriptor->extension_data(LV2_UI__showInterface));
             if (!f.open(false) || show->show(f.handle) != 0) return 2;
             f.idle(100);
             const std::vector<Window> shown = editorSizedTopLevels(f.display, f.parent);
             if (shown.size() != 1) return 3;
             XKillClient(f.display, shown[0]);
             XSync(f.display, False);
             f.idle(50);
             return f.idleInterface->idle(f.handle) == 1 ? 0 : 5;
         }},
        {"the host destroys its window, then cleans up with no idle",
         [] {
             UiFixture f;
             if (!f.open()) return 2;
             XDestroyWindow(f.display, f.parent);
             XSync(f.display, False);
             f.descriptor->cleanup(f.handle);
             f.handle = nullptr;
             XSync(f.display, False);
             return 0;
         }},
    };
    for (const Case& c : cases) EXPECT_EQ(hostExitCode(c.host), 0) << c.name;
}

}  // namespace
