// The on/off switch: click, state shown only when the value returns, threshold, menu choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "editorHarness.h"

using namespace editortest;

namespace {

class SwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(f.openEditor());
        hwnd = f.control(Orvalt::kWarm);
        ASSERT_NE(hwnd, nullptr);
        editCalls().clear();
    }
    PlugEdit::OnOff* warm() { return f.onOff(Orvalt::kWarm); }
    void click() { SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 6)); }
    void show(float v) { SendMessageA(hwnd, PlugEdit::msgShowValue, PlugEdit::floatBits(v), 0); }

    EditorFixture f;
    HWND hwnd = nullptr;
};

}  // namespace

TEST_F(SwitchTest, AClickSendsTheOtherValueAndShowsItOnlyWhenItReturns) {
    ASSERT_FALSE(warm()->isOn());
    click();
    ASSERT_EQ(editCalls().size(), 3u);
    EXPECT_EQ(editCalls()[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(editCalls()[1].opcode, audioMasterAutomate);
    EXPECT_EQ(editCalls()[1].index, Orvalt::kWarm);
    EXPECT_EQ(editCalls()[1].value, 1.0f);
    EXPECT_EQ(editCalls()[2].opcode, audioMasterEndEdit);
    EXPECT_FALSE(warm()->isOn());  // not yet: the value has not come back
    EXPECT_TRUE(pumpUntil([&] { return warm()->isOn(); }));

    editCalls().clear();
    click();
    EXPECT_EQ(editCalls()[1].value, 0.0f);
    EXPECT_TRUE(pumpUntil([&] { return !warm()->isOn(); }));
}

TEST_F(SwitchTest, HalfShowsOffAndAnythingAboveShowsOn) {
    show(0.51f);
    EXPECT_TRUE(warm()->isOn());
    show(0.5f);
    EXPECT_FALSE(warm()->isOn());
    show(1.0f);
    show(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FALSE(warm()->isOn());
}

TEST_F(SwitchTest, TheMenuOffersBothStatesAndChoosingOneSetsItAtOnce) {
    chooseNext(1);
    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 6));
    const MenuRecord& m = lastMenu();
    ASSERT_EQ(m.texts, (std::vector<std::string>{"disabled", "enabled", "", "MIDI &Learn...", "MIDI &Unlearn"}));
    EXPECT_EQ(m.ids[0], 0u);
    EXPECT_EQ(m.ids[1], 1u);
    EXPECT_TRUE(m.states[0] & MF_CHECKED);
    EXPECT_FALSE(m.states[1] & MF_CHECKED);
    EXPECT_EQ(m.states[4] & (MF_DISABLED | MF_GRAYED), static_cast<UINT>(MF_DISABLED | MF_GRAYED));
    EXPECT_EQ(m.flags, static_cast<UINT>(TPM_VERPOSANIMATION));
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(m.x, r.left);
    EXPECT_EQ(m.y, r.bottom);
    EXPECT_EQ(m.owner, hwnd);
    pump(20);  // the choice arrives as WM_COMMAND
    EXPECT_TRUE(warm()->isOn());
    ASSERT_EQ(editCalls().size(), 3u);
    EXPECT_EQ(editCalls()[1].value, 1.0f);
}

TEST_F(SwitchTest, AClickWhileLearningOnlyCancelsTheLearn) {
    SendMessageA(f.window()->hwnd(), PlugEdit::msgLearn, Orvalt::kWarm, 0);
    EXPECT_TRUE(warm()->isLearning());
    EXPECT_EQ(f.plug->getLearnTarget(), Orvalt::kWarm);
    click();
    EXPECT_FALSE(warm()->isLearning());
    EXPECT_EQ(f.plug->getLearnTarget(), -1);
    EXPECT_TRUE(editCalls().empty());
}

TEST_F(SwitchTest, TheLineIsCentredWithTheCaptionLeftAndTheStateRight) {
    ASSERT_TRUE(pumpUntil([&] { return !f.onOff(Orvalt::kMakeup)->isOn(); }));
    PlugEdit::OnOff* makeup = f.onOff(Orvalt::kMakeup);
    makeup->invalidate();
    UpdateWindow(makeup->hwnd());
    GdiFlush();
    const QuillBLT::Surface& s = makeup->backBuffer();
    ASSERT_EQ(s.width, 80u);
    int captionLeft = 80, captionRight = -1, stateLeft = 80, stateRight = -1;
    for (uint32_t y = 0; y < s.height; ++y)
        for (uint32_t x = 0; x < s.width; ++x) {
            const uint32_t rgb = s.at(x, y) & 0x00FFFFFF;
            const int column = static_cast<int>(x);
            if (rgb == 0x00EE8D37) {  // the caption colour
                captionLeft = std::min(captionLeft, column);
                captionRight = std::max(captionRight, column);
            } else if (rgb == 0x00FFFFFF) {
                stateLeft = std::min(stateLeft, column);
                stateRight = std::max(stateRight, column);
            }
        }
    ASSERT_GE(captionRight, 0);
    ASSERT_GE(stateRight, 0);
    EXPECT_LT(captionRight, stateLeft);  // "makeup:" then "off"
    EXPECT_LE(std::abs(captionLeft - (79 - stateRight)), 2);  // equal margins
    EXPECT_LT(stateRight, 79);  // the state word is not cut at the edge
}

namespace {

// White pixels of a surface: the state word's ink (the caption has its own colour).
int whitePixels(const uint32_t* pixels, size_t count) {
    int n = 0;
    for (size_t i = 0; i < count; ++i) n += (pixels[i] & 0x00FFFFFF) == 0x00FFFFFF;
    return n;
}

// The whole ink of a word: drawn alone in white with the font, far from every edge.
int inkOf(HFONT font, const char* word) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 64;
    info.bmiHeader.biHeight = -24;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
    HGDIOBJ previousFont = SelectObject(dc, font);
    std::memset(bits, 0, 64 * 24 * 4);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, 16, 4, word, static_cast<int>(std::strlen(word)));
    GdiFlush();
    const int n = whitePixels(static_cast<const uint32_t*>(bits), 64 * 24);
    SelectObject(dc, previousFont);
    SelectObject(dc, previousBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return n;
}

}  // namespace

TEST_F(SwitchTest, TheStateWordIsDrawnWholeNotCutAtItsAdvanceWidth) {
    // The "f" of "off" reaches past its advance width; cut there it read "of1".
    PlugEdit::OnOff* makeup = f.onOff(Orvalt::kMakeup);
    for (float value : {0.0f, 1.0f}) {
        const char* word = value > 0.5f ? "on" : "off";
        SCOPED_TRACE(word);
        SendMessageA(makeup->hwnd(), PlugEdit::msgShowValue, PlugEdit::floatBits(value), 0);
        ASSERT_FALSE(makeup->isHovered());
        makeup->invalidate();
        UpdateWindow(makeup->hwnd());
        GdiFlush();
        const QuillBLT::Surface& s = makeup->backBuffer();
        const int ink = inkOf(f.window()->smallTextFont(), word);
        ASSERT_GT(ink, 0);
        EXPECT_EQ(whitePixels(s.pixels, s.width * s.height), ink);
    }
}
