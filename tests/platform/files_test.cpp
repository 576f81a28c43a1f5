// Whole-file access and the replacing write that never leaves a damaged file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

std::string tempFolder() {
    std::string base;
    EXPECT_TRUE(platform::settingsFolder(base));
    platform::createFolder(base);  // may not exist yet on a fresh account
    std::string folder = platform::joinPath(base, "orvalt-platform-test");
    platform::createFolder(folder);
    return folder;
}

TEST(PlatformFiles, WriteThenReadBack) {
    const std::string path = platform::joinPath(tempFolder(), "a.bin");
    const std::string bytes = "0123456789";
    ASSERT_TRUE(platform::writeFileReplacing(path, bytes.data(), bytes.size()));
    std::vector<unsigned char> data;
    ASSERT_EQ(platform::readFile(path, data, 1 << 20), platform::ReadResult::ok);
    EXPECT_EQ(std::string(data.begin(), data.end()), bytes);
    std::remove(path.c_str());
}

TEST(PlatformFiles, SizeLimitIsExclusive) {
    const std::string path = platform::joinPath(tempFolder(), "b.bin");
    std::string bytes(100, 'x');
    ASSERT_TRUE(platform::writeFileReplacing(path, bytes.data(), bytes.size()));
    std::vector<unsigned char> data;
    EXPECT_EQ(platform::readFile(path, data, 100), platform::ReadResult::tooLarge);
    EXPECT_EQ(platform::readFile(path, data, 101), platform::ReadResult::ok);
    EXPECT_EQ(data.size(), 100u);
    std::remove(path.c_str());
    EXPECT_EQ(platform::readFile(path, data, 101), platform::ReadResult::missing);
}

TEST(PlatformFiles, FailedWriteLeavesThePreviousFileIntact) {
    const std::string path = platform::joinPath(tempFolder(), "c.bin");
    const std::string before = "previous contents";
    ASSERT_TRUE(platform::writeFileReplacing(path, before.data(), before.size()));
    const std::string after(64, 'n');
    platform::failWritesAfter(10);
    EXPECT_FALSE(platform::writeFileReplacing(path, after.data(), after.size()));
    platform::failWritesAfter(-1);
    std::vector<unsigned char> data;
    ASSERT_EQ(platform::readFile(path, data, 1 << 20), platform::ReadResult::ok);
    EXPECT_EQ(std::string(data.begin(), data.end()), before);
    ASSERT_TRUE(platform::writeFileReplacing(path, after.data(), after.size()));
    ASSERT_EQ(platform::readFile(path, data, 1 << 20), platform::ReadResult::ok);
    EXPECT_EQ(std::string(data.begin(), data.end()), after);
    std::remove(path.c_str());
}

TEST(PlatformFiles, WriteIntoAMissingFolderFails) {
    const std::string path = platform::joinPath(platform::joinPath(tempFolder(), "no-such-folder"), "d.bin");
    EXPECT_FALSE(platform::writeFileReplacing(path, "x", 1));
}

struct Recorder : platform::DialogHandler {
    std::string last;
    bool answer = true;
    void showError(const char* caption, const char* text) override { last = std::string(caption) + "|" + text; }
    bool askYesNo(const char* caption, const char* text) override {
        last = std::string(caption) + "?" + text;
        return answer;
    }
    bool askOkCancel(const char*, const char*) override { return answer; }
};

TEST(PlatformDialogs, HandlerReceivesEveryBox) {
    Recorder r;
    platform::DialogHandler* previous = platform::setDialogHandler(&r);
    platform::showError("Cap", "Text");
    EXPECT_EQ(r.last, "Cap|Text");
    EXPECT_TRUE(platform::askYesNo("Q", "Go?"));
    EXPECT_EQ(r.last, "Q?Go?");
    r.answer = false;
    EXPECT_FALSE(platform::askOkCancel("S", "Save?"));
    EXPECT_EQ(platform::setDialogHandler(previous), &r);
}

}  // namespace
