// The editor on X11, driven as Linux hosts drive it: opened in the host's
// window, pumped from effEditIdle, used with the real X pointer (XTest).
#include <gtest/gtest.h>

#include <malloc.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>

#include "x11Harness.h"

#include <X11/extensions/XTest.h>

using namespace x11test;

namespace {

#define SKIP_WITHOUT_DISPLAY(f) \
    if ((f).skipped()) GTEST_SKIP() << "no X server (DISPLAY)"

int openFiles() {
    int count = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++count;
        closedir(d);
    }
    return count;
}

size_t heapInUse() { return mallinfo2().uordblks; }

// Knob centres in the editor window (place + 40).
constexpr int inputX = 55, inputY = 56;
constexpr int bassX = 211, bassY = 56;

float automatedLast(int index) {
    for (auto c = editCalls().rbegin(); c != editCalls().rend(); ++c)
        if (c->opcode == audioMasterAutomate && c->index == index) return c->value;
    return -1.0f;
}

// Runs a host in a child process: its Xlib connection keeps the default error
// handler, which ends the process on any X error that reaches it. The child's
// exit code: 0 when the host lived to the end and saw what it expected.
int hostExitCode(int (*host)()) {
    const pid_t pid = fork();
    if (pid == 0) _exit(host());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int hostErrors = 0;
int countHostError(Display*, XErrorEvent*) {
    ++hostErrors;
    return 0;
}

// The host makes its next plug-in window and destroys the one the editor is in
// (synced, or only flushed: then the editor may paint before it hears of it).
void replaceParent(X11Fixture& f, bool sync) {
    const Window next = XCreateSimpleWindow(f.display, DefaultRootWindow(f.display), 100, 100, 410, 100, 0, 0, 0);
    XMapWindow(f.display, next);
    XSync(f.display, False);
    XDestroyWindow(f.display, f.parent);
    sync ? XSync(f.display, False) : XFlush(f.display);
    f.parent = next;
}

}  // namespace

TEST(X11Editor, TheLinuxBuildAnnouncesAnEditorOf410By100) {
    X11Fixture f;
    EXPECT_TRUE(f.plug->getAeffect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(f.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 410);
    EXPECT_EQ(rect->bottom - rect->top, 100);
}

TEST(X11Editor, TwoHundredOpenCloseCyclesLeaveNoWindowConnectionOrMemory) {
    X11Fixture f;
    SKIP_WITHOUT_DISPLAY(f);
    ASSERT_TRUE(f.openEditor());  // the first open decodes the atlas, which stays for the library's life
    f.closeEditor();
    const int filesBefore = openFiles();
    const size_t heapBefore = heapInUse();
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_EQ(f.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(f.parent))), 1);
        f.idle(cycle % 20 == 0 ? 30 : 0);  // some cycles paint, some do not
        ASSERT_EQ(f.children().size(), 1u) << "cycle " << cycle;
        f.closeEditor();
        ASSERT_TRUE(f.children().empty()) << "cycle " << cycle;  // our window is gone with its connection
        ASSERT_FALSE(f.editor()->isOpen());
    }
    EXPECT_EQ(openFiles(), filesBefore);  // every display connection was closed
    EXPECT_LT(heapInUse(), heapBefore + 16384) << "heap grew from " << heapBefore;
}

TEST(X11Editor, AParentThatIsNoWindowFailsTheOpenAndTheHostLivesOn) {
    X11Fixture f;
    SKIP_WITHOUT_DISPLAY(f);
    const int filesBefore = openFiles();
    EXPECT_EQ(f.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(0x7FFFFF0))), 0);
    EXPECT_FALSE(f.editor()->isOpen());
    EXPECT_EQ(openFiles(), filesBefore);
    EXPECT_TRUE(f.openEditor());  // a good parent afterwards works
    f.closeEditor();
    // A parent the host made but has not flushed to the server yet: the editor
    // waits for it and appears in it at the host's next idle calls.
    Window unflushed = XCreateSimpleWindow(f.display, DefaultRootWindow(f.display), 100, 100, 410, 100, 0, 0, 0);
    XMapWindow(f.display, unflushed);
    ASSERT_EQ(f.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(unflushed))), 1);
    f.idle(80);
    std::swap(f.parent, unflushed);  // the fixture looks into the new window (and destroys it)
    EXPECT_EQ(f.children().size(), 1u);
    EXPECT_TRUE(f.editor()->isOpen());
    XDestroyWindow(f.display, unflushed);
}

TEST(X11Editor, TheHostDestroyingItsWindowFirstLeavesAClosedEditor) {
    X11Fixture f;
    SKIP_WITHOUT_DISPLAY(f);
    ASSERT_TRUE(f.openEditor());
    // A host that pumps by watching the editor's descriptor hears of the destruction there.
    pollfd watched{f.editor()->eventDescriptor(), POLLIN, 0};
    ASSERT_GE(watched.fd, 0);
    EXPECT_EQ(poll(&watched, 1, 0), 0);  // everything read by the last idle
    replaceParent(f, true);
    EXPECT_EQ(poll(&watched, 1, 1000), 1);
    f.idle(30);
    EXPECT_FALSE(f.editor()->isOpen());
    EXPECT_EQ(f.editor()->eventDescriptor(), -1);
    EXPECT_TRUE(f.openEditor());
}

// No X error the editor causes reaches the host's handler or Xlib's default one
// (which ends the host), and the host's own errors still reach its handler.
TEST(X11Editor, TheEditorsXErrorsNeverReachTheHostAndTheHostsStillDo) {
    {
        X11Fixture probe;
        SKIP_WITHOUT_DISPLAY(probe);
    }
    struct Case {
        const char* name;
        int (*host)();
    };
    const Case cases[] = {
        {"destroyed, then closed with no idle",
         [] {
             X11Fixture f;
             if (!f.openEditor()) return 2;
             replaceParent(f, true);
             f.closeEditor();
             return f.openEditor() ? 0 : 3;
         }},
        {"destroyed, then only idled while a repaint is due, 200 rounds",
         [] {
             X11Fixture f;
             for (int round = 0; round < 200; ++round) {
                 if (f.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(f.parent))) != 1) return 2;
                 f.idle(round % 20 == 0 ? 30 : 12);
                 f.plug->setParameter(Orvalt::kInput, static_cast<float>(round % 2));
                 replaceParent(f, false);
                 for (int k = 0; k < 100 && f.editor()->isOpen(); ++k) {
                     f.dispatch(effEditIdle);
                     usleep(k % 2 ? 1000 : 0);
                 }
                 if (f.editor()->isOpen()) return 3;
             }
             XSync(f.display, False);
             return 0;
         }},
        {"the host's own errors reach its handler, and only they",
         [] {
             XSetErrorHandler(countHostError);
             X11Fixture f;
             if (!f.openEditor()) return 2;
             XMapWindow(f.display, 0x7FFFFF0);  // no window: the host's own mistake
             f.idle(20);
             XSync(f.display, False);
             replaceParent(f, true);  // and the editor's requests on a dead window after it
             f.closeEditor();
             return hostErrors == 1 ? 0 : 10 + hostErrors;
         }},
    };
    for (const Case& c : cases) EXPECT_EQ(hostExitCode(c.host), 0) << c.name;
}

TEST(X11Editor, OnePixelMotionsOfTheRealPointerDragAKnobToExactlyOne) {
    X11Fixture f(100, 600);  // room above for 400 pixels
    SKIP_WITHOUT_DISPLAY(f);
    f.plug->setParameter(Orvalt::kInput, 0.0f);
    ASSERT_TRUE(f.openEditor());
    f.moveTo(inputX, inputY);
    f.press(1);
    int motions = 0;
    for (int step = 1; step <= 400; ++step, ++motions) f.moveTo(inputX, inputY - step);
    f.release(1);
    f.idle(20);
    EXPECT_EQ(motions, 400);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f);
    // One gesture: begin, 400 automations, end.
    ASSERT_FALSE(editCalls().empty());
    EXPECT_EQ(editCalls().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(editCalls().back().opcode, audioMasterEndEdit);
    size_t automations = 0;
    for (const EditCall& c : editCalls()) automations += c.opcode == audioMasterAutomate;
    EXPECT_EQ(automations, 400u);
    EXPECT_EQ(automatedLast(Orvalt::kInput), 1.0f);
}

TEST(X11Editor, BothHostStylesDriveTheEditorThroughTheIdlePumpAlone) {
    struct HostStyle {
        const char* name;
        bool passesItsDisplay;  // in effEditOpen's value, as Ardour does
        int idleMs;             // how often it calls effEditIdle
        int motionsPerIdle;
    };
    const HostStyle styles[] = {{"idles 60 times a second", false, 16, 1},
                                {"passes its display, idles every 40 ms", true, 40, 10}};
    for (const HostStyle& style : styles) {
        X11Fixture f(100, 300);
        SKIP_WITHOUT_DISPLAY(f);
        f.plug->setParameter(Orvalt::kInput, 0.0f);
        const VstIntPtr value = style.passesItsDisplay ? reinterpret_cast<VstIntPtr>(f.display) : 0;
        ASSERT_EQ(f.dispatch(effEditOpen, 0, value, reinterpret_cast<void*>(static_cast<uintptr_t>(f.parent))), 1)
            << style.name;
        f.idle(2 * style.idleMs);
        ASSERT_EQ(f.children().size(), 1u) << style.name;
        XTestFakeMotionEvent(f.display, DefaultScreen(f.display), f.originX + inputX, f.originY + inputY, CurrentTime);
        XTestFakeButtonEvent(f.display, 1, True, CurrentTime);
        for (int step = 1; step <= 40; ++step) {
            XTestFakeMotionEvent(f.display, DefaultScreen(f.display), f.originX + inputX, f.originY + inputY - step,
                                 CurrentTime);
            XSync(f.display, False);
            if (step % style.motionsPerIdle == 0) f.idle(style.idleMs);
        }
        XTestFakeButtonEvent(f.display, 1, False, CurrentTime);
        XSync(f.display, False);
        f.idle(2 * style.idleMs);
        EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.1f) << style.name;  // 40 pixels of 400
        size_t automations = 0;
        for (const EditCall& c : editCalls()) automations += c.opcode == audioMasterAutomate;
        EXPECT_EQ(automations, 40u) << style.name;  // every motion handled, none lost in the queue
        // Nothing is left on the host's window that the editor did not put there.
        f.closeEditor();
        EXPECT_TRUE(f.children().empty()) << style.name;
    }
}

TEST(X11Editor, FineModeWheelAndDoubleClickMoveAKnobAsOnWindows) {
    X11Fixture f(100, 600);  // room above for 400 pixels
    SKIP_WITHOUT_DISPLAY(f);
    f.plug->setParameter(Orvalt::kBass, 0.0f);
    ASSERT_TRUE(f.openEditor());
    f.moveTo(bassX, bassY);
    f.key("Shift_L", true);
    f.press(1);
    for (int step = 1; step <= 400; ++step) f.moveTo(bassX, bassY - step);
    f.release(1);
    f.key("Shift_L", false);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kBass), 0.1f);  // 400 pixels with Shift move a tenth

    f.moveTo(bassX, bassY);
    f.click(4);  // one notch up
    f.idle(20);
    EXPECT_FLOAT_EQ(f.plug->getParameter(Orvalt::kBass), 0.15f);
    f.click(5);
    f.click(5);
    f.idle(20);
    EXPECT_FLOAT_EQ(f.plug->getParameter(Orvalt::kBass), 0.05f);

    editCalls().clear();
    f.click(1);
    f.click(1);  // a double click resets to the default (0)
    f.idle(20);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kBass), 0.0f);
    EXPECT_EQ(automatedLast(Orvalt::kBass), 0.0f);
}

TEST(X11Editor, TheRightClickMenuIsChosenClosedByEscapeAndByAClickOutside) {
    X11Fixture f(100, 300);
    SKIP_WITHOUT_DISPLAY(f);
    f.plug->setParameter(Orvalt::kInput, 0.8f);
    ASSERT_TRUE(f.openEditor());
    struct Case {
        const char* how;
        int entry;  // row of the entry to click, -1 Escape, -2 click outside
        bool staysOpen;
        float expected;
    };
    // The knob's menu: reset, separator, learn, unlearn (greyed: no mapping).
    const Case cases[] = {{"Escape", -1, false, 0.8f},
                          {"click outside", -2, false, 0.8f},
                          {"greyed unlearn chooses nothing", 3, true, 0.8f},
                          {"reset to default", 0, false, 0.0f}};
    for (const Case& c : cases) {
        f.moveTo(inputX, inputY);
        f.click(3);
        f.idle(30);
        const std::vector<Window> popups = f.popups();
        ASSERT_EQ(popups.size(), 1u) << c.how;
        XWindowAttributes a;
        XGetWindowAttributes(f.display, popups[0], &a);
        // At the knob's left edge, 10 pixels above its bottom edge.
        EXPECT_EQ(a.x, f.originX + 15) << c.how;
        EXPECT_EQ(a.y, f.originY + 16 + 80 - 10) << c.how;
        if (c.entry == -1) {
            f.key("Escape", true);
            f.key("Escape", false);
        } else if (c.entry == -2) {
            XTestFakeMotionEvent(f.display, DefaultScreen(f.display), 5, 5, CurrentTime);
            f.click(1);
        } else {
            // Rows are 18 pixels, a separator 8, after a 3-pixel frame.
            const int rowTop = 3 + (c.entry >= 2 ? 18 * (c.entry - 1) + 8 : 18 * c.entry);
            XTestFakeMotionEvent(f.display, DefaultScreen(f.display), a.x + 30, a.y + rowTop + 9, CurrentTime);
            f.idle(10);
            f.click(1);
        }
        f.idle(30);
        EXPECT_EQ(f.popups().size(), c.staysOpen ? 1u : 0u) << c.how;
        if (c.staysOpen) {
            f.key("Escape", true);
            f.key("Escape", false);
            f.idle(30);
            EXPECT_TRUE(f.popups().empty()) << c.how;
        }
        EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), c.expected) << c.how;
    }
}

TEST(X11Editor, ASwitchMenuChoiceAndAClickReachTheHostAsOneGestureEach) {
    X11Fixture f(100, 300);
    SKIP_WITHOUT_DISPLAY(f);
    f.plug->setParameter(Orvalt::kMakeup, 0.0f);
    ASSERT_TRUE(f.openEditor());
    f.moveTo(364, 10);  // the makeup switch
    f.click(1);
    f.idle(20);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kMakeup), 1.0f);
    ASSERT_EQ(editCalls().size(), 3u);
    EXPECT_EQ(editCalls()[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(editCalls()[1].opcode, audioMasterAutomate);
    EXPECT_EQ(editCalls()[2].opcode, audioMasterEndEdit);
    f.click(3);
    f.idle(30);
    const std::vector<Window> popups = f.popups();
    ASSERT_EQ(popups.size(), 1u);
    XWindowAttributes a;
    XGetWindowAttributes(f.display, popups[0], &a);
    XTestFakeMotionEvent(f.display, DefaultScreen(f.display), a.x + 30, a.y + 3 + 9, CurrentTime);  // "disabled"
    f.idle(10);
    f.click(1);
    f.idle(30);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kMakeup), 0.0f);
}

TEST(X11Editor, SaveDefaultsAsksFirstAndShowsWhyItFailed) {
    struct Case {
        const char* name;
        bool writableFolder;
        int answer;  // entry of the question clicked: OK or Cancel
        bool fileExpected;
        size_t boxesAfter;  // the error box stays until closed
    };
    // The question: product name, separator, three lines, separator, OK, Cancel.
    constexpr int okEntry = 6, cancelEntry = 7;
    const Case cases[] = {{"OK saves", true, okEntry, true, 0},
                          {"Cancel saves nothing", true, cancelEntry, false, 0},
                          {"a folder that cannot be made shows the reason", false, okEntry, false, 1}};
    const std::string root = std::string(ORVALT_BINARY_DIR) + "/tests/editor/x11-defaults";
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved ? saved : "";
    for (const Case& c : cases) {
        std::system(("rm -rf '" + root + "' && mkdir -p '" + root + "/config' && touch '" + root + "/file'").c_str());
        // A settings folder below a plain file cannot be created.
        const std::string folder = c.writableFolder ? root + "/config" : root + "/file/config";
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        X11Fixture f(100, 300);
        if (f.skipped()) break;
        ASSERT_TRUE(f.openEditor()) << c.name;
        f.moveTo(400, 95);  // the background's corner
        f.click(1);
        f.idle(30);
        std::vector<Window> popups = f.popups();
        ASSERT_EQ(popups.size(), 1u) << c.name;
        XWindowAttributes a;
        XGetWindowAttributes(f.display, popups[0], &a);
        XTestFakeMotionEvent(f.display, DefaultScreen(f.display), a.x + 30, a.y + 3 + 9, CurrentTime);  // "Save defaults..."
        f.idle(10);
        f.click(1);
        f.idle(30);
        popups = f.popups();
        ASSERT_EQ(popups.size(), 1u) << c.name << ": the question";
        XGetWindowAttributes(f.display, popups[0], &a);
        const int rowTop = 3 + 18 * (c.answer - 2) + 8 * 2;
        XTestFakeMotionEvent(f.display, DefaultScreen(f.display), a.x + 30, a.y + rowTop + 9, CurrentTime);
        f.idle(10);
        f.click(1);
        f.idle(40);
        struct stat info;
        EXPECT_EQ(stat((folder + "/Quillmarsh/Orvalt.defaults").c_str(), &info) == 0, c.fileExpected) << c.name;
        EXPECT_EQ(f.popups().size(), c.boxesAfter) << c.name;
        if (c.boxesAfter) {
            f.key("Escape", true);
            f.key("Escape", false);
            f.idle(30);
            EXPECT_TRUE(f.popups().empty()) << c.name;
        }
    }
    if (saved)
        setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

// Children of this process that have ended and were never reaped.
int zombieChildren() {
    int count = 0;
    if (DIR* d = opendir("/proc")) {
        while (dirent* e = readdir(d)) {
            std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
            std::string line;
            if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
            char state = 0;
            int parent = 0;
            std::sscanf(line.c_str() + line.rfind(')') + 1, " %c %d", &state, &parent);
            count += parent == getpid() && state == 'Z';
        }
        closedir(d);
    }
    return count;
}

TEST(X11Editor, TheWebSiteEntryStartsTheDesktopsOpenerAndLeavesNoZombie) {
    X11Fixture f(100, 300);
    SKIP_WITHOUT_DISPLAY(f);
    // A stand-in for the desktop's opener, first on the path: it writes down what it was asked to open.
    const std::string folder = std::string(ORVALT_BINARY_DIR) + "/tests/editor/x11-opener";
    const std::string opened = folder + "/opened.txt";
    std::system(("rm -rf '" + folder + "' && mkdir -p '" + folder + "' && printf '#!/bin/sh\\necho \"$1\" > \"" + opened +
                 "\"\\n' > '" + folder + "/xdg-open' && chmod +x '" + folder + "/xdg-open'").c_str());
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder + ":" + path).c_str(), 1);
    ASSERT_TRUE(f.openEditor());
    f.moveTo(400, 95);  // the background's corner, then its second entry
    f.click(1);
    f.idle(30);
    const std::vector<Window> popups = f.popups();
    ASSERT_EQ(popups.size(), 1u);
    XWindowAttributes a;
    XGetWindowAttributes(f.display, popups[0], &a);
    XTestFakeMotionEvent(f.display, DefaultScreen(f.display), a.x + 30, a.y + 3 + 18 + 9, CurrentTime);
    f.idle(10);
    f.click(1);
    std::string url;
    for (int k = 0; k < 100 && url.empty(); ++k) {
        f.idle(20);
        std::ifstream(opened) >> url;
    }
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(url, "https://www.quillmarsh.com/");
    f.idle(100);
    EXPECT_EQ(zombieChildren(), 0);
}

TEST(X11Editor, TheValueShownFollowsHostAutomation) {
    X11Fixture f;
    SKIP_WITHOUT_DISPLAY(f);
    f.plug->setParameter(Orvalt::kLimit, 1.0f);
    ASSERT_TRUE(f.openEditor());
    const std::vector<uint32_t> before = f.capture();
    f.plug->setParameter(Orvalt::kLimit, 0.0f);  // as a host's automation does, from outside the editor
    f.idle(60);
    const std::vector<uint32_t> after = f.capture();
    // Only the limit knob's area (x 255 to 335) changed.
    int changedInside = 0, changedOutside = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 410; ++x)
            if (before[y * 410 + x] != after[y * 410 + x]) (x >= 255 && x < 335 ? changedInside : changedOutside)++;
    EXPECT_GT(changedInside, 0);
    EXPECT_EQ(changedOutside, 0);
}

// Against an independent reference: the Windows build's own picture (GDI, Wine).
TEST(X11Editor, ThePictureEqualsTheWindowsEditorOutsideTheTextBoxes) {
    X11Fixture f(100, 100);
    SKIP_WITHOUT_DISPLAY(f);
    // The state of the Windows picture kept in the tests.
    f.plug->setParameter(Orvalt::kInput, 0.35f);
    f.plug->setParameter(Orvalt::kBass, 0.5f);
    f.plug->setParameter(Orvalt::kWarm, 1.0f);
    ASSERT_TRUE(f.openEditor());
    f.publishLevels(0.7f, 0.25f);
    f.idle(60);
    const std::vector<uint32_t> linux = f.capture();
    const std::vector<uint32_t> windows = windowsReference();
    ASSERT_EQ(windows.size(), 410u * 100u);
    ASSERT_EQ(linux.size(), 410u * 100u);
    const std::string path = std::string(ORVALT_BINARY_DIR) + "/tests/editor/x11-editor-screenshot.png";
    ASSERT_TRUE(writePicture(path, linux, 410, 100));
    std::printf("editor picture: %s\n", path.c_str());
    // Text boxes: the switch lines and the knobs' text strips.
    auto inTextBox = [](int x, int y) {
        if (y >= 5 && y < 17 && x >= 135) return true;
        if (y >= 16 + 80 - 24 && y < 16 + 80 && x >= 15 && x < 335) return true;
        return false;
    };
    int differentOutside = 0, differentInside = 0, inside = 0;
    long long insideError = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 410; ++x) {
            const uint32_t a = linux[y * 410 + x], b = windows[y * 410 + x];
            if (!inTextBox(x, y)) {
                differentOutside += a != b;
                continue;
            }
            ++inside;
            differentInside += a != b;
            for (int shift = 0; shift < 24; shift += 8)
                insideError += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        }
    EXPECT_EQ(differentOutside, 0);
    // Inside the text boxes the glyphs differ a little (other rasteriser, same font and places).
    const double meanError = static_cast<double>(insideError) / (3.0 * inside);
    std::printf("text boxes: %d of %d pixels differ, mean channel difference %.2f\n", differentInside, inside,
                meanError);
    EXPECT_LT(meanError, 12.0);
}
