// Whole-file access and the replacing write that never leaves a damaged file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#endif

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

#ifndef _WIN32
// A FIFO or a device at the path is refused at once, never waited on.
TEST(PlatformFiles, OnlyARegularFileIsRead) {
    const std::string fifo = platform::joinPath(tempFolder(), "fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), tempFolder()}) {
        auto reading = std::async(std::launch::async, [path] {
            std::vector<unsigned char> data;
            return platform::readFile(path, data, 1 << 20);
        });
        if (reading.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // lets a blocked open go on
            reading.wait();
            ::close(writer);
            ADD_FAILURE() << path << ": the read waited";
            continue;
        }
        EXPECT_EQ(reading.get(), platform::ReadResult::failed) << path;
    }
    std::remove(fifo.c_str());
}
#endif

TEST(PlatformFiles, FailedWriteLeavesThePreviousFileIntact) {
    const std::string path = platform::joinPath(tempFolder(), "c.bin");
    const std::string before = "previous contents";
    ASSERT_TRUE(platform::writeFileReplacing(path, before.data(), before.size()));
    const std::string after(64, 'n');
    platform::failWritesAfter(10);
    std::string reason;
    EXPECT_FALSE(platform::writeFileReplacing(path, after.data(), after.size(), &reason));
    EXPECT_EQ(reason, "only 10 of 64 bytes could be written");
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
    // The reason the user is shown is the system's own text for the failure.
    std::string reason;
    EXPECT_FALSE(platform::writeFileReplacing(path, "x", 1, &reason));
#ifdef _WIN32
    char expected[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_PATH_NOT_FOUND, 0,
                   expected, sizeof expected, nullptr);
    std::string text = expected;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    EXPECT_EQ(reason, text);
#else
    EXPECT_EQ(reason, std::strerror(ENOENT));
#endif
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
    platform::showWarning("Warn", "Careful");  // a handler without warnings sees an error box
    EXPECT_EQ(r.last, "Warn|Careful");
    EXPECT_TRUE(platform::askYesNo("Q", "Go?"));
    EXPECT_EQ(r.last, "Q?Go?");
    r.answer = false;
    EXPECT_FALSE(platform::askOkCancel("S", "Save?"));
    EXPECT_EQ(platform::setDialogHandler(previous), &r);
}

}  // namespace
