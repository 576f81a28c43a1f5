// End to end with the real X pointer: xdotool drags a knob, and the opened editor is saved as a picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "editorHarness.h"
#include "screenshot.h"

using namespace editortest;

namespace {

// Starts the Linux xdotool from inside Wine (Wine runs Unix programs given by path)
// and gives the X server time to deliver the events.
bool xdotool(const std::string& arguments) {
    std::string command = "/usr/bin/xdotool " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    pump(250);
    return true;
}

bool cursorAt(int x, int y) {
    POINT p{};
    GetCursorPos(&p);
    return p.x == x && p.y == y;
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
    EXPECT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kDrive)->dragging == 1; }));
    xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y + 100));
    xdotool("mouseup 1");
    EXPECT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kDrive)->dragging == 0; }));

    EXPECT_NEAR(f.plug->getParameter(Orvalt::kDrive), 0.75f, 1e-5f);
    ASSERT_GE(editCalls().size(), 3u);
    EXPECT_EQ(editCalls().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(editCalls().back().opcode, audioMasterEndEdit);
    for (const EditCall& c : editCalls()) EXPECT_EQ(c.index, Orvalt::kDrive);
    EXPECT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kDrive)->value == f.plug->getParameter(Orvalt::kDrive); }));
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
    ASSERT_TRUE(pumpUntil([&] { return f.editor()->clipLevel[0] == 0.7f; }));
    RedrawWindow(f.window()->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
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
