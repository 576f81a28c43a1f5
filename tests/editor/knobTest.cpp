// The knob driven by real window messages: drag, fine drag, right click, double click, wheel, hit test.
#include <gtest/gtest.h>

#include "blt/atlas.h"
#include "editorHarness.h"

using namespace editortest;

namespace {

constexpr int automate = audioMasterAutomate;
constexpr int begin = audioMasterBeginEdit;
constexpr int end = audioMasterEndEdit;

class KnobTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(f.openEditor());
        hwnd = f.control(Orvalt::kInput);
        ASSERT_NE(hwnd, nullptr);
        // The drag start is read from the real cursor: put it on the knob's centre.
        RECT r;
        GetWindowRect(hwnd, &r);
        SetCursorPos(r.left + 40, r.top + 40);
        editCalls().clear();
    }
    PlugEdit::Knob* knob() { return f.knob(Orvalt::kInput); }
    void press() { SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40)); }
    void moveTo(int y, WPARAM keys = MK_LBUTTON) {
        SendMessageA(hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(40, static_cast<WORD>(static_cast<short>(y))));
    }
    // Posts one WM_MOUSEMOVE per pixel from the last posted row to `y`, as a real
    // mouse reports a drag, and lets the message loop deliver them. The system
    // pointer goes along, so the moves the system makes itself agree with them.
    void postMovesTo(int y, WPARAM keys = MK_LBUTTON) {
        RECT r;
        GetWindowRect(hwnd, &r);
        while (postedY != y) {
            postedY += y > postedY ? 1 : -1;
            SetCursorPos(r.left + 40, r.top + postedY);
            PostMessageA(hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(40, static_cast<WORD>(static_cast<short>(postedY))));
        }
        pump(20);
    }
    int countOf(int opcode) {
        int n = 0;
        for (const EditCall& c : editCalls()) n += c.opcode == opcode;
        return n;
    }
    void release() { SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(40, 40)); }
    std::vector<int> opcodes() {
        std::vector<int> out;
        for (const EditCall& c : editCalls()) out.push_back(c.opcode);
        return out;
    }

    EditorFixture f;
    HWND hwnd = nullptr;
    int postedY = 40;
};

}  // namespace

TEST_F(KnobTest, FourHundredPixelsUpFromZeroReachExactlyOne) {
    ASSERT_EQ(knob()->value(), 0.0f);
    press();
    EXPECT_EQ(GetCapture(), hwnd);
    ASSERT_EQ(WidgetProbe::dragY(*knob()), 40);
    moveTo(40 - 400);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f);
    moveTo(40 - 450);  // further up stays at the end
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f);
    moveTo(40 - 449);  // and the first pixel back responds at once
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f - 1.0f / 400.0f);
    release();
    EXPECT_FALSE(knob()->isDragging());
    EXPECT_EQ(opcodes(), (std::vector<int>{begin, automate, automate, automate, end}));
    EXPECT_EQ(editCalls()[1].index, Orvalt::kInput);
    EXPECT_EQ(editCalls()[1].value, 1.0f);
}

TEST_F(KnobTest, OnePixelMovesThroughTheMessageQueueLandExactlyOnTheEnds) {
    TopLevelAt lower(600);  // room for the pointer 450 pixels above the knob
    RECT r;
    GetWindowRect(hwnd, &r);
    SetCursorPos(r.left + 40, r.top + 40);
    pump(20);
    editCalls().clear();
    press();
    postMovesTo(40 - 200);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.5f);
    postMovesTo(40 - 400);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f);
    EXPECT_EQ(countOf(automate), 400);
    postMovesTo(40 - 450);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f);
    postMovesTo(40 - 449);  // the first pixel back after the overshoot responds at once
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 1.0f - 1.0f / 400.0f);
    postMovesTo(40 - 50);  // 400 pixels down from the top
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.0f);
    release();
    EXPECT_EQ(countOf(begin), 1);
    EXPECT_EQ(countOf(end), 1);
    EXPECT_TRUE(pumpUntil([&] { return knob()->value() == 0.0f; }));

    // Fine mode, one pixel at a time: 400 pixels are exactly a tenth.
    postedY = 40;
    SetCursorPos(r.left + 40, r.top + 40);
    pump(20);
    press();
    postMovesTo(40 - 400, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.1f);
    postMovesTo(40 - 440, MK_LBUTTON);  // back to coarse: 40 more pixels add a tenth
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.2f);
    release();
    SetCursorPos(0, 0);
}

TEST_F(KnobTest, AMoveWithoutVerticalChangeSendsNothing) {
    press();
    moveTo(40);
    release();
    EXPECT_EQ(opcodes(), (std::vector<int>{begin, end}));
}

TEST_F(KnobTest, ShiftOrControlMakeFourHundredPixelsMoveOneTenth) {
    press();
    moveTo(40 - 400, MK_LBUTTON | MK_SHIFT);
    EXPECT_FLOAT_EQ(f.plug->getParameter(Orvalt::kInput), 0.1f);
    moveTo(40 - 800, MK_LBUTTON | MK_CONTROL);
    EXPECT_FLOAT_EQ(f.plug->getParameter(Orvalt::kInput), 0.2f);
    release();
}

TEST_F(KnobTest, RightClickDuringADragSetsTheMiddleAndEndsTheEdit) {
    press();
    moveTo(40 - 100);
    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 40));
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.5f);
    EXPECT_FALSE(knob()->isDragging());
    EXPECT_NE(GetCapture(), hwnd);
    EXPECT_EQ(opcodes(), (std::vector<int>{begin, automate, automate, end}));
    EXPECT_EQ(editCalls()[2].value, 0.5f);
    EXPECT_EQ(lastMenu().shown, 0);  // no menu during a drag
}

TEST_F(KnobTest, DoubleClickSendsBeginResetEndInOrder) {
    f.plug->setParameter(Orvalt::kInput, 0.8f);
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 40));
    EXPECT_EQ(opcodes(), (std::vector<int>{begin, automate, end}));
    EXPECT_EQ(editCalls()[1].value, 0.0f);  // input's default
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.0f);
}

TEST_F(KnobTest, OneWheelNotchMovesAFiftiethOrAFiveHundredthFine) {
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_FLOAT_EQ(f.plug->getParameter(Orvalt::kInput), 0.05f);
    EXPECT_EQ(opcodes(), (std::vector<int>{begin, automate, end}));
    for (int fineKey : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL}) {
        SCOPED_TRACE(fineKey);
        keys[fineKey] = 0x80;
        SetKeyboardState(keys);
        const float before = knob()->value();
        SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
        EXPECT_NEAR(knob()->value() - before, 0.005f, 1e-6f);
        keys[fineKey] = 0;
    }
    SetKeyboardState(keys);
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120 * 5)), 0);
    EXPECT_EQ(f.plug->getParameter(Orvalt::kInput), 0.0f);  // stays within [0, 1]
}

TEST_F(KnobTest, TheHitAreaIsADiscOfRadiusThirtyTwo) {
    RECT r;
    GetWindowRect(hwnd, &r);
    auto hit = [&](int dx, int dy) {
        return SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(r.left + 40 + dx, r.top + 40 + dy));
    };
    EXPECT_EQ(hit(0, 0), HTCLIENT);
    EXPECT_EQ(hit(31, 0), HTCLIENT);
    EXPECT_EQ(hit(0, -31), HTCLIENT);
    EXPECT_EQ(hit(32, 0), HTTRANSPARENT);
    EXPECT_EQ(hit(23, 23), HTTRANSPARENT);  // 1058 is outside
    EXPECT_EQ(hit(22, 22), HTCLIENT);       // 968 is inside
    EXPECT_EQ(hit(-40, 39), HTTRANSPARENT); // bottom-left corner reaches the editor window
}

TEST_F(KnobTest, AValueComingBackDoesNotDisturbARunningDrag) {
    press();
    moveTo(40 - 40);  // 0.1
    SendMessageA(hwnd, PlugEdit::msgShowValue, PlugEdit::floatBits(0.9f), 0);
    moveTo(40 - 80);  // continues from the drag's own value
    EXPECT_FLOAT_EQ(f.plug->getParameter(Orvalt::kInput), 0.2f);
    release();
}

namespace {

// The knob's back buffer after a fresh paint.
const QuillBLT::Surface& paintedKnob(PlugEdit::Knob* knob) {
    knob->invalidate();
    UpdateWindow(knob->hwnd());
    GdiFlush();
    return knob->backBuffer();
}

// Pins change: pixels of the input knob at value 0.5 (frames 47 and 48 blended
// half and half) over the shipped background and atlas, resting and hovered, as
// 0xAARRGGBB. Read once from the painted knob, when its whole picture equalled
// the editor picture with the atlas images composited over it by hand; that
// comparison is not repeated here, so these words only show that the painting
// did not change.
struct PinnedPixel {
    const char* what;
    uint32_t x, y;
    uint32_t resting;
    uint32_t hovered;
};
const PinnedPixel knobPixels[] = {
    {"editor picture in the corner", 0, 0, 0x00113737, 0x00113737},
    {"scale dot at the top, never tinted", 39, 7, 0xFFAAC8C3, 0xFFAAC8C3},
    {"body centre", 40, 34, 0xFF3A4143, 0xFF424A4C},
    {"pointer, bright in frame 47, dark in 48", 39, 21, 0xFFB3B9B5, 0xFFCCD2CE},
    {"pointer's other side, dark in 47, bright in 48", 41, 22, 0xFF5A6263, 0xFF677071},
    {"half-transparent rim over the editor picture", 25, 21, 0x68494932, 0x68524F35},
};

}  // namespace

// Pins change (see knobPixels).
TEST_F(KnobTest, PaintsTheScaleAndTheBlendedFramesOverTheEditorPicture) {
    SetCursorPos(0, 0);
    pump(20);
    SendMessageA(hwnd, WM_MOUSELEAVE, 0, 0);
    SendMessageA(hwnd, PlugEdit::msgShowValue, PlugEdit::floatBits(0.5f), 0);  // frames 47 and 48, weight 128
    pump(20);
    ASSERT_FALSE(knob()->isHovered());
    ASSERT_NE(QuillBLT::commonTextures(), nullptr);
    const QuillBLT::Surface& resting = paintedKnob(knob());
    ASSERT_EQ(resting.width, 80u);
    for (const PinnedPixel& p : knobPixels)
        EXPECT_EQ(resting.at(p.x, p.y), p.resting) << p.what << std::hex << ": 0x" << resting.at(p.x, p.y);

    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(40, 40));  // hover: untinted, brighter
    ASSERT_TRUE(knob()->isHovered());
    const QuillBLT::Surface& hovered = paintedKnob(knob());
    for (const PinnedPixel& p : knobPixels)
        EXPECT_EQ(hovered.at(p.x, p.y), p.hovered) << p.what << std::hex << ": 0x" << hovered.at(p.x, p.y);
}
