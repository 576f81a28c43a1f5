// The clip lamps: invisible at level 0, exact red at 0.25, and the meter block arriving while audio clips.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "editorHarness.h"

using namespace editortest;

namespace {

// The background bitmap as 0x00RRGGBB words, rows top to bottom.
std::vector<uint32_t> backgroundPixels(HBITMAP background) {
    std::vector<uint32_t> pixels(410 * 100);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 410;
    info.bmiHeader.biHeight = -100;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, background, 0, 100, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != 100) pixels.clear();
    for (uint32_t& p : pixels) p &= 0x00FFFFFF;
    return pixels;
}

// Publishes levels the way the signal chain does.
void publish(OrvaltEdit* edit, float left, float right) {
    while (!edit->tryLock()) {
    }
    const float levels[2] = {left, right};
    std::memcpy(edit->shared, levels, sizeof levels);
    edit->sharedTaken = false;
    edit->unlock();
}

}  // namespace

TEST(Lamps, TheBackgroundIsTheTealPanelWithDarkWells) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    ASSERT_NE(WidgetProbe::background(*f.window()), nullptr);
    BITMAP info{};
    GetObjectA(WidgetProbe::background(*f.window()), sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 410);
    EXPECT_EQ(info.bmHeight, 100);
    const std::vector<uint32_t> bg = backgroundPixels(WidgetProbe::background(*f.window()));
    ASSERT_EQ(bg.size(), 410u * 100u);
    auto closeTo = [](uint32_t p, int r, int g, int b, int tolerance) {
        return std::abs(static_cast<int>((p >> 16) & 0xFF) - r) <= tolerance &&
               std::abs(static_cast<int>((p >> 8) & 0xFF) - g) <= tolerance &&
               std::abs(static_cast<int>(p & 0xFF) - b) <= tolerance;
    };
    EXPECT_TRUE(closeTo(bg[50 * 410 + 200], 17, 56, 56, 6));
    EXPECT_TRUE(closeTo(bg[48 * 410 + 352], 8, 8, 8, 3));
    EXPECT_TRUE(closeTo(bg[48 * 410 + 376], 8, 8, 8, 3));
}

TEST(Lamps, LevelZeroLeavesTheBackgroundAndAQuarterAdds102Red) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    const std::vector<uint32_t> bg = backgroundPixels(WidgetProbe::background(*f.window()));
    ASSERT_EQ(bg.size(), 410u * 100u);
    publish(f.editor(), 0.0f, 0.0f);
    pump(60);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 410; ++x)
            ASSERT_EQ(f.editorPixel(x, y) & 0x00FFFFFF, bg[y * 410 + x]) << x << "," << y;

    publish(f.editor(), 0.25f, 0.0f);
    ASSERT_TRUE(pumpUntil([&] { return f.editor()->clipLevel(0) == 0.25f; }));
    pump(40);
    const uint32_t lit = f.editorPixel(352, 48);
    const uint32_t under = bg[48 * 410 + 352];
    EXPECT_EQ(((lit >> 16) & 0xFF) - ((under >> 16) & 0xFF), 102u);
    EXPECT_EQ(lit & 0xFFFF, under & 0xFFFF);  // green and blue untouched
    EXPECT_EQ(f.editorPixel(376, 48) & 0x00FFFFFF, bg[48 * 410 + 376]);  // the right lamp stays dark
    EXPECT_EQ(f.editorPixel(352, 40) & 0x00FFFFFF, bg[40 * 410 + 352]);  // outside the circle
}

TEST(Lamps, ClippingAudioReachesTheEditorWithinAFewTicks) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    f.plug->setParameter(Orvalt::kInput, 0.6f);  // +12 dB into the clipper
    f.plug->setParameter(Orvalt::kClip, 1.0f);
    bool lit = false;
    for (int round = 0; round < 40 && !lit; ++round) {
        f.processLoud(4);  // about 46 ms of audio per round
        pump(20);
        lit = f.editor()->clipLevel(0) > 0.0f && f.editor()->clipLevel(1) > 0.0f;
    }
    EXPECT_TRUE(lit);
}
