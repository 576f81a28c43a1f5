// End to end with the real X pointer: xdotool drags a knob, and the opened editor is saved as a picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "editorHarness.h"
#include "screenshot.h"

using namespace editortest;

namespace {

// Starts the Linux xdotool from inside Wine (Wine runs Unix programs given by path).
bool startXdotool(const std::string& arguments) {
    std::string command = "/usr/bin/xdotool " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    return true;
}

// Runs xdotool and gives the X server time to deliver the events.
bool xdotool(const std::string& arguments) {
    if (!startXdotool(arguments)) return false;
    pump(250);
    return true;
}

// One xdotool chain that moves the pointer one pixel at a time along a column,
// with a short pause after each move, as a hand-held mouse reports a slow drag.
std::string onePixelMoves(int x, int fromY, int toY) {
    std::string chain;
    for (int y = fromY; y != toY;) {
        y += toY > y ? 1 : -1;
        chain += " mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.002";
    }
    return chain.substr(1);
}

// Every cursor the widgets leave after WM_SETCURSOR, the system's question before each mouse message.
std::vector<HCURSOR> cursorsAfterSetCursor;
HWND watchedWidget = nullptr;
LRESULT CALLBACK recordCursor(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_SETCURSOR && sent->hwnd == watchedWidget)
        cursorsAfterSetCursor.push_back(GetCursor());
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool cursorAt(int x, int y) {
    POINT p{};
    GetCursorPos(&p);
    return p.x == x && p.y == y;
}

// Runs an xdotool chain of moves that ends at (x, y) and pumps messages until
// the pointer got there, so the moves are delivered as they come.
bool movePointerAlong(const std::string& chain, int x, int y) {
    if (!startXdotool(chain)) return false;
    const bool arrived = pumpUntil([&] { return cursorAt(x, y); }, 20000);
    pump(100);
    return arrived;
}

}  // namespace

TEST(RealPointer, DraggingAKnobWithTheXPointerTurnsItAndTheHostHearsTheEdit) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    RECT r;
    GetWindowRect(f.control(Orvalt::kDrive), &r);
    const int x = r.left + 40, y = r.top + 40;
    const float start = f.plug->getParameter(Orvalt::kDrive);  // drive starts at its maximum
    ASSERT_EQ(start, 1.0f);

    ASSERT_TRUE(xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y)));
    ASSERT_TRUE(pumpUntil([&] { return cursorAt(x, y); }));
    editCalls().clear();
    xdotool("mousedown 1");
    EXPECT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kDrive)->isDragging(); }));
    xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y + 100));
    xdotool("mouseup 1");
    EXPECT_TRUE(pumpUntil([&] { return !f.knob(Orvalt::kDrive)->isDragging(); }));

    // 100 rows down from 1 at 400 rows per full turn: exactly 0.75, however the
    // X server splits the motion, and the last value the host heard is that one.
    EXPECT_EQ(f.plug->getParameter(Orvalt::kDrive), 0.75f);
    ASSERT_GE(editCalls().size(), 3u);
    EXPECT_EQ(editCalls().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(editCalls().back().opcode, audioMasterEndEdit);
    const EditCall& lastAutomate = editCalls()[editCalls().size() - 2];
    EXPECT_EQ(lastAutomate.opcode, audioMasterAutomate);
    EXPECT_EQ(lastAutomate.value, 0.75f);
    for (const EditCall& c : editCalls()) EXPECT_EQ(c.index, Orvalt::kDrive);
    EXPECT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kDrive)->value() == f.plug->getParameter(Orvalt::kDrive); }));
}

TEST(RealPointer, TheOpenedEditorIsSavedAsAPicture) {
    EditorFixture f;
    f.plug->setParameter(Orvalt::kInput, 0.35f);
    f.plug->setParameter(Orvalt::kBass, 0.5f);
    f.plug->setParameter(Orvalt::kWarm, 1.0f);
    ASSERT_TRUE(f.openEditor());
    {
        while (!f.editor()->tryLock()) {
        }
        const float levels[2] = {0.7f, 0.25f};
        std::memcpy(f.editor()->shared, levels, sizeof levels);
        f.editor()->sharedTaken = false;
        f.editor()->unlock();
    }
    ASSERT_TRUE(pumpUntil([&] { return f.editor()->clipLevel(0) == 0.7f; }));
    RedrawWindow(f.window()->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump(100);
    const std::string path = std::string("Z:") + ORVALT_BINARY_DIR + "/tests/editor/editor-screenshot.png";
    std::vector<uint32_t> pixels = composeEditorPicture(f.window());
    ASSERT_EQ(pixels.size(), 410u * 100u);
    ASSERT_TRUE(writePng(path, pixels, 410, 100));
    std::printf("editor picture: %s\n", path.c_str());
    // The knob text strip holds the caption in the caption colour (red 238, green 141, blue 55).
    bool captionSeen = false;
    for (int y = 72; y < 84 && !captionSeen; ++y)
        for (int x = 15; x < 95; ++x)
            if ((pixels[y * 410 + x] & 0x00FFFFFF) == 0x00EE8D37) captionSeen = true;
    EXPECT_TRUE(captionSeen);
}

TEST(RealPointer, AOnePixelAtATimeDragOfFourHundredPixelsReachesExactlyOne) {
    EditorFixture f;
    TopLevelAt lower(600);
    ASSERT_TRUE(f.openEditor());
    RECT r;
    GetWindowRect(f.control(Orvalt::kInput), &r);
    const int x = r.left + 40, y = r.top + 40;
    ASSERT_EQ(f.plug->getParameter(Orvalt::kInput), 0.0f);
    ASSERT_GE(y - 450, 0);

    ASSERT_TRUE(xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y)));
    ASSERT_TRUE(pumpUntil([&] { return cursorAt(x, y); }));
    editCalls().clear();
    xdotool("mousedown 1");
    ASSERT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kInput)->isDragging(); }));
    ASSERT_TRUE(movePointerAlong(onePixelMoves(x, y, y - 400), x, y - 400));
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f);
    ASSERT_TRUE(movePointerAlong(onePixelMoves(x, y - 400, y - 450), x, y - 450));
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f);
    ASSERT_TRUE(movePointerAlong(onePixelMoves(x, y - 450, y - 449), x, y - 449));
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f - 1.0f / 400.0f);
    xdotool("mouseup 1");
    EXPECT_TRUE(pumpUntil([&] { return !f.knob(Orvalt::kInput)->isDragging(); }));
    size_t automations = 0;
    for (const EditCall& c : editCalls()) automations += c.opcode == audioMasterAutomate;
    std::printf("a drag of 451 one-pixel pointer moves arrived as %zu value changes\n", automations);
    // The server may merge motions, so the count only has to show that the
    // drag arrived as many moves, not one jump; the values above are exact.
    EXPECT_GT(automations, 1u);
    for (auto call = editCalls().rbegin(); call != editCalls().rend(); ++call)
        if (call->opcode == audioMasterAutomate) {
            EXPECT_EQ(call->value, 1.0f - 1.0f / 400.0f) << "the last value the host heard is the knob's end value";
            break;
        }
    EXPECT_EQ(editCalls().back().opcode, audioMasterEndEdit);
    xdotool("mousemove 0 0");
}

TEST(RealPointer, TheCursorStaysAHandOverKnobsAndSwitchesAlsoAfterAWheelNotch) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, recordCursor, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    for (int index : {Orvalt::kDrive, Orvalt::kMakeup}) {
        SCOPED_TRACE(index);
        watchedWidget = f.control(index);
        cursorsAfterSetCursor.clear();
        RECT r;
        GetWindowRect(watchedWidget, &r);
        const int x = (r.left + r.right) / 2 - 30, y = (r.top + r.bottom) / 2;
        ASSERT_TRUE(xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y)));
        ASSERT_TRUE(movePointerAlong(onePixelMoves(x, y, y + 1) + " " + [&] {
            std::string chain;  // 60 one-pixel moves to the right
            for (int i = 1; i <= 60; ++i) chain += " mousemove " + std::to_string(x + i) + " " + std::to_string(y + 1) + " sleep 0.005";
            return chain.substr(1);
        }(), x + 60, y + 1));
        const size_t moves = cursorsAfterSetCursor.size();
        xdotool("click 4");
        std::printf("widget %d: %zu cursor questions over 60 moves, %zu with the wheel notch\n", index, moves,
                    cursorsAfterSetCursor.size());
        EXPECT_GT(moves, 0u);
        for (HCURSOR c : cursorsAfterSetCursor) EXPECT_EQ(c, hand);
        EXPECT_EQ(GetCursor(), hand);
    }
    UnhookWindowsHookEx(hook);
    watchedWidget = nullptr;
    xdotool("mousemove 0 0");
}
