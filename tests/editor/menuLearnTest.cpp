// The knob's menu texts, MIDI learn through real MIDI events, and the background menu.
#include <gtest/gtest.h>

#include <fstream>

#include "editorHarness.h"

using namespace editortest;

namespace {

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(f.openEditor());
        knobWindow = f.control(Orvalt::kInput);
    }
    void rightClickKnob() { SendMessageA(knobWindow, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 40)); }
    void clickEditor(int x, int y) { SendMessageA(f.window()->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }

    EditorFixture f;
    HWND knobWindow = nullptr;
};

}  // namespace

TEST_F(MenuTest, KnobMenuWithoutMapping) {
    rightClickKnob();
    const MenuRecord& m = lastMenu();
    ASSERT_EQ(m.texts,
              (std::vector<std::string>{"&Reset to default (+0.00 dB)", "", "MIDI &Learn...", "MIDI &Unlearn"}));
    EXPECT_EQ(m.ids[0], 0x8007u);
    EXPECT_TRUE(m.states[1] & MF_SEPARATOR);
    EXPECT_EQ(m.ids[2], 0x8004u);
    EXPECT_EQ(m.ids[3], 0x8005u);
    EXPECT_EQ(m.states[3] & (MF_DISABLED | MF_GRAYED), static_cast<UINT>(MF_DISABLED | MF_GRAYED));  // and looks it
    RECT r;
    GetWindowRect(knobWindow, &r);
    EXPECT_EQ(m.x, r.left);
    EXPECT_EQ(m.y, r.bottom - 10);
    EXPECT_EQ(m.flags, static_cast<UINT>(TPM_VERPOSANIMATION));

    SendMessageA(f.control(Orvalt::kLimit), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 40));
    EXPECT_EQ(lastMenu().texts[0], "&Reset to default (0.00 dB)");
}

TEST_F(MenuTest, LearningController7BindsItAndTheMenuShowsTheMapping) {
    chooseNext(0x8004);
    rightClickKnob();
    pump(30);
    EXPECT_TRUE(f.knob(Orvalt::kInput)->isLearning());
    EXPECT_EQ(f.plug->getLearnTarget(), Orvalt::kInput);

    f.sendController(1, 7, 100);
    EXPECT_EQ(f.plug->getMidiKey(Orvalt::kInput), static_cast<int16_t>(0xB007));
    EXPECT_EQ(f.plug->getLearnTarget(), -1);
    EXPECT_TRUE(pumpUntil([&] { return !f.knob(Orvalt::kInput)->isLearning(); }));
    EXPECT_FALSE(f.window()->learnPending());

    rightClickKnob();
    EXPECT_EQ(lastMenu().texts[3], "MIDI &Unlearn (chan:1, cc:7)");
    EXPECT_EQ(lastMenu().states[3] & (MF_DISABLED | MF_GRAYED), 0u);

    chooseNext(0x8005);
    rightClickKnob();
    pump(30);
    EXPECT_EQ(f.plug->getMidiKey(Orvalt::kInput), -1);
}

TEST_F(MenuTest, ALearnOnAnotherControlReplacesThePendingOne) {
    SendMessageA(f.window()->hwnd(), PlugEdit::msgLearn, Orvalt::kInput, 0);
    SendMessageA(f.window()->hwnd(), PlugEdit::msgLearn, Orvalt::kDrive, 0);
    EXPECT_FALSE(f.knob(Orvalt::kInput)->isLearning());
    EXPECT_TRUE(f.knob(Orvalt::kDrive)->isLearning());
    EXPECT_EQ(f.plug->getLearnTarget(), Orvalt::kDrive);
    SendMessageA(f.window()->hwnd(), PlugEdit::msgUnlearn, Orvalt::kBass, 0);  // cancels the learn
    EXPECT_FALSE(f.knob(Orvalt::kDrive)->isLearning());
    EXPECT_EQ(f.plug->getLearnTarget(), -1);
}

TEST_F(MenuTest, ClosingWhileLearningResetsTheLearnTarget) {
    SendMessageA(f.window()->hwnd(), PlugEdit::msgLearn, Orvalt::kBass, 0);
    ASSERT_EQ(f.plug->getLearnTarget(), Orvalt::kBass);
    f.closeEditor();
    EXPECT_EQ(f.plug->getLearnTarget(), -1);
}

TEST_F(MenuTest, EditorMessagesWithIndicesOutsideTheTableAreIgnored) {
    for (UINT message = PlugEdit::msgSetValue; message <= PlugEdit::msgResetDefault; ++message) {
        SendMessageA(f.window()->hwnd(), message, 7, PlugEdit::floatBits(0.5f));
        SendMessageA(f.window()->hwnd(), message, static_cast<WPARAM>(-1), 0);
        SendMessageA(f.window()->hwnd(), message, 0x7FFFFFFF, 0);
    }
    EXPECT_TRUE(editCalls().empty());
    EXPECT_FALSE(f.window()->learnPending());
    EXPECT_EQ(f.plug->getLearnTarget(), -1);
}

TEST_F(MenuTest, TheBackgroundMenuOpensOnlyInTheBottomRightCorner) {
    clickEditor(410 - 90, 99);
    clickEditor(409, 100 - 30);
    clickEditor(200, 50);
    EXPECT_EQ(lastMenu().shown, 0);
    clickEditor(410 - 89, 100 - 29);
    const MenuRecord& m = lastMenu();
    ASSERT_EQ(m.shown, 1);
    EXPECT_EQ(m.texts, (std::vector<std::string>{"&Save defaults...", "&Go to www.quillmarsh.com"}));
    EXPECT_EQ(m.ids, (std::vector<UINT>{0x8007u, 0u}));
    EXPECT_EQ(m.flags, static_cast<UINT>(TPM_CENTERALIGN | TPM_VERPOSANIMATION));
    RECT r;
    GetWindowRect(f.window()->hwnd(), &r);
    EXPECT_EQ(m.x, r.right - 45);
    EXPECT_EQ(m.y, r.bottom);
    EXPECT_EQ(m.owner, f.window()->hwnd());
}

TEST_F(MenuTest, SaveDefaultsAnsweredOkWritesTheFileAndCancelDoesNot) {
    const std::string path = defaultsFilePath();
    ASSERT_FALSE(path.empty());
    f.dialogs.answerOk = false;
    chooseNext(0x8007);
    clickEditor(400, 95);
    pump(30);
    ASSERT_EQ(f.dialogs.texts.size(), 1u);
    EXPECT_EQ(f.dialogs.captions[0], "Orvalt");
    EXPECT_EQ(f.dialogs.texts[0],
              "Saving new defaults for:\n - parameter values (current values) and presets\n"
              " - MIDI mappings (current mappings)\n");
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

    f.dialogs.answerOk = true;
    chooseNext(0x8007);
    clickEditor(400, 95);
    pump(30);
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(f.dialogs.texts.size(), 2u);  // the question only: no box after a save that worked
}

TEST_F(MenuTest, SaveDefaultsThatCannotWriteTheFileSaysWhichFileAndWhy) {
    // A folder where the file belongs: the finished file cannot be put in place.
    const std::string path = defaultsFilePath();
    ASSERT_FALSE(path.empty());
    DeleteFileA(path.c_str());
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);  // the maker folder, on a fresh account
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    f.plug->setParameter(Orvalt::kBass, 0.75f);
    chooseNext(0x8007);
    clickEditor(400, 95);
    pump(30);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    RemoveDirectoryA(path.c_str());

    ASSERT_EQ(f.dialogs.texts.size(), 2u);  // the question, then the error
    EXPECT_EQ(f.dialogs.captions[1], "Orvalt");
    char reason[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0, reason,
                   sizeof reason, nullptr);
    std::string expectedReason = reason;
    while (!expectedReason.empty() && (expectedReason.back() == '\n' || expectedReason.back() == '\r'))
        expectedReason.pop_back();
    EXPECT_EQ(f.dialogs.texts[1], "Couldn't save the defaults to\n" + path + "\n\n" + expectedReason);
    EXPECT_TRUE(f.dialogs.warnings.empty());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);  // nothing replaced the folder
    EXPECT_EQ(GetFileAttributesA((path + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);  // nor was anything left
    f.plug->resetToDefault(Orvalt::kBass);
    EXPECT_NE(f.plug->getParameter(Orvalt::kBass), 0.75f);  // the unsaved value did not become the default
}
