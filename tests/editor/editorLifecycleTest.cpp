// Opening and closing the editor through the host's dispatcher: size, widgets, values, clean-up.
#include <gtest/gtest.h>

#include <cstring>

#include "editorHarness.h"

using namespace editortest;

namespace {

struct ExpectedWidget {
    int index;
    bool isKnob;
    const char* caption;
    int x, y, width, height;
};

// Every parameter index with its widget, caption and place.
const ExpectedWidget layoutTable[] = {
    {0, true, "input", 15, 16, 80, 80},        {1, false, "saturation", 135, 5, 80, 12},
    {2, true, "limit", 255, 16, 80, 80},       {3, true, "bass boost", 171, 16, 80, 80},
    {4, false, "clip", 258, 5, 80, 12},        {5, true, "drive", 99, 16, 80, 80},
    {6, false, "makeup", 324, 5, 80, 12},
};

RECT placeInParent(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST(EditorLifecycle, RectBeforeOpenIsTheLayoutSize) {
    EditorFixture f;
    ERect* rect = nullptr;
    ASSERT_EQ(f.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 100);
    EXPECT_EQ(rect->right, 410);
    EXPECT_EQ(f.effect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    EXPECT_EQ(f.window(), nullptr);
}

TEST(EditorLifecycle, OpeningPlacesEveryWidgetOfTheTableAtItsParameter) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    RECT client;
    GetClientRect(f.window()->hwnd(), &client);
    EXPECT_EQ(client.right, 410);
    EXPECT_EQ(client.bottom, 100);
    for (const ExpectedWidget& w : layoutTable) {
        SCOPED_TRACE(w.caption);
        HWND hwnd = f.control(w.index);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(GetParent(hwnd), f.window()->hwnd());
        EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_ID), w.index);
        const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
        const RECT r = placeInParent(hwnd);
        EXPECT_EQ(r.left, w.x);
        EXPECT_EQ(r.top, w.y);
        EXPECT_EQ(r.right - r.left, w.width);
        EXPECT_EQ(r.bottom - r.top, w.height);
        if (w.isKnob) {
            ASSERT_NE(f.knob(w.index), nullptr);
            EXPECT_STREQ(f.knob(w.index)->caption(), w.caption);
        } else {
            ASSERT_NE(f.onOff(w.index), nullptr);
            EXPECT_STREQ(f.onOff(w.index)->caption(), w.caption);
            EXPECT_STREQ(f.onOff(w.index)->stateName(false), "off");
            EXPECT_STREQ(f.onOff(w.index)->stateName(true), "on");
            EXPECT_STREQ(f.onOff(w.index)->menuName(false), "disabled");
            EXPECT_STREQ(f.onOff(w.index)->menuName(true), "enabled");
        }
    }
    // Children in creation order: the three switches, then the four knobs.
    const int order[] = {1, 6, 4, 0, 5, 3, 2};
    HWND child = GetWindow(f.window()->hwnd(), GW_CHILD);
    for (int index : order) {
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetWindowLongPtrA(child, GWLP_ID), index);
        child = GetWindow(child, GW_HWNDNEXT);
    }
}

TEST(EditorLifecycle, OpeningShowsTheCurrentValues) {
    EditorFixture f;
    f.plug->setParameter(Orvalt::kInput, 0.25f);
    f.plug->setParameter(Orvalt::kDrive, 0.75f);
    f.plug->setParameter(Orvalt::kWarm, 1.0f);
    f.plug->setParameter(Orvalt::kClip, 0.0f);
    ASSERT_TRUE(f.openEditor());
    EXPECT_FLOAT_EQ(f.knob(Orvalt::kInput)->value(), 0.25f);
    EXPECT_FLOAT_EQ(f.knob(Orvalt::kDrive)->value(), 0.75f);
    EXPECT_FLOAT_EQ(f.knob(Orvalt::kLimit)->value(), 1.0f);
    EXPECT_TRUE(f.onOff(Orvalt::kWarm)->isOn());
    EXPECT_FALSE(f.onOff(Orvalt::kClip)->isOn());
    EXPECT_FALSE(f.onOff(Orvalt::kMakeup)->isOn());
}

TEST(EditorLifecycle, HostAutomationReachesTheWidgetThroughThePoll) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    f.plug->setParameter(Orvalt::kBass, 0.6f);
    EXPECT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kBass)->value() == 0.6f; }));
}

TEST(EditorLifecycle, ABusyLockDelaysANotificationToALaterTick) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    f.plug->setParameter(Orvalt::kInput, 0.4f);
    ASSERT_TRUE(f.editor()->tryLock());  // as if the audio side held it during this poll
    EXPECT_FALSE(f.editor()->parameterChanged(Orvalt::kInput, 0.4f));
    f.plug->pollParameters(f.editor());
    f.editor()->unlock();
    EXPECT_NE(f.plug->parameterTable().params[Orvalt::kInput].notified, 0.4f);  // still owed to the editor
    EXPECT_TRUE(pumpUntil([&] { return f.knob(Orvalt::kInput)->value() == 0.4f; }));  // the next tick retries
}

TEST(EditorLifecycle, OpeningTwiceKeepsTheFirstWindow) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    PlugEdit::EditWin* first = f.window();
    const int live = WinWrap::WinControl::liveCount();
    EXPECT_EQ(f.dispatch(effEditOpen, 0, 0, f.host), 1);
    EXPECT_EQ(f.window(), first);
    EXPECT_EQ(WinWrap::WinControl::liveCount(), live);
    EXPECT_EQ(GetWindow(GetWindow(f.host, GW_CHILD), GW_HWNDNEXT), nullptr);  // one editor window
}

TEST(EditorLifecycle, CloseDestroysEveryWidgetOnceAndForgetsTheWindow) {
    EditorFixture f;
    const int before = WinWrap::WinControl::liveCount();
    ASSERT_TRUE(f.openEditor());
    EXPECT_EQ(WinWrap::WinControl::liveCount(), before + 8);  // the window and seven widgets
    std::vector<HWND> windows{f.window()->hwnd()};
    for (int i = 0; i < Orvalt::kNumParams; ++i) windows.push_back(f.control(i));
    f.closeEditor();
    EXPECT_EQ(f.editor()->editorView(), nullptr);
    EXPECT_FALSE(f.editor()->isOpen());
    EXPECT_EQ(WinWrap::WinControl::liveCount(), before);
    for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
    f.closeEditor();  // closing again does nothing
    EXPECT_EQ(WinWrap::WinControl::liveCount(), before);
}

TEST(EditorLifecycle, HostDestroyingItsWindowFirstLeavesAClosedEditor) {
    EditorFixture f;
    ASSERT_TRUE(f.openEditor());
    DestroyWindow(f.host);
    EXPECT_EQ(f.editor()->editorView(), nullptr);
    EXPECT_FALSE(f.editor()->isOpen());
    f.plug->setParameter(Orvalt::kInput, 0.3f);
    pump(40);  // the poll must not reach the destroyed widgets
    f.host = nullptr;
}

TEST(EditorLifecycle, TwoHundredOpenCloseCyclesLeakNothing) {
    EditorFixture f;
    const int liveBefore = WinWrap::WinControl::liveCount();
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_EQ(f.dispatch(effEditOpen, 0, 0, f.host), 1);
        pump(cycle % 20 == 0 ? 30 : 0);  // some cycles paint (back buffers, timer), some do not
        PlugEdit::EditWin* w = f.window();
        const HGDIOBJ objects[] = {w->smallTextFont(), w->underlinedTextFont(), w->largeTextFont(),
                                   WidgetProbe::background(*w)};
        const HGDIOBJ buffer = WidgetProbe::bitmap(*w);
        const HWND hwnd = w->hwnd();
        f.closeEditor();
        for (HGDIOBJ object : objects) ASSERT_EQ(GetObjectType(object), 0u) << "cycle " << cycle;
        if (buffer) {
            ASSERT_EQ(GetObjectType(buffer), 0u);
        }
        ASSERT_FALSE(IsWindow(hwnd));
        ASSERT_EQ(WinWrap::WinControl::liveCount(), liveBefore);
    }
    pump(20);
    // Counted where the system counts them (Wine answers 0 for both).
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
}

TEST(EditorLifecycle, AnInvalidParentWindowFailsTheOpenWithoutLeavingAnything) {
    EditorFixture f;
    const int before = WinWrap::WinControl::liveCount();
    EXPECT_EQ(f.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(0x00BADBAD))), 0);
    EXPECT_FALSE(f.editor()->isOpen());
    EXPECT_EQ(f.editor()->editorView(), nullptr);
    EXPECT_EQ(WinWrap::WinControl::liveCount(), before);
    ASSERT_EQ(f.dialogs.texts.size(), 1u);
    EXPECT_EQ(f.dialogs.texts[0], "Failed to create a control.");
    EXPECT_EQ(f.dialogs.captions[0], "Error!");
    ASSERT_TRUE(f.openEditor());  // a good parent afterwards works
}
