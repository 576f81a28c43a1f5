// The per-user defaults file, read by every new instance and written on request.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/plugcore/stateTestSupport.h"

using namespace statetest;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Each test starts without a defaults file; one that was there before (a
// user's own, on Windows) is put back afterwards.
class DefaultsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string path = defaultsFilePath();
        ASSERT_FALSE(path.empty()) << "no settings folder";
        file = fs::u8path(path);
        backup = file;
        backup += ".state-test-backup";
        std::error_code ignored;
        if (fs::exists(file)) fs::rename(file, backup, ignored);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove(file, ignored);
        if (fs::exists(backup)) fs::rename(backup, file, ignored);
        platform::failWritesAfter(-1);
        hostCalls().clear();
    }

    fs::path file;
    fs::path backup;
    DialogRecorder dialogs;
};

}  // namespace

TEST_F(DefaultsFile, WithoutAFileEverythingStartsFromTheProductDefaults) {
    Orvalt plug(recordingHost);
    EXPECT_TRUE(dialogs.shown.empty());
    for (VstInt32 p = 0; p < 8; ++p) {
        EXPECT_EQ(std::string(plug.program(p).name), "Init " + std::to_string(p + 1));
        for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) EXPECT_EQ(plug.program(p).values[i], plug.getParameter(i));
    }
    plug.setParameter(Orvalt::kLimit, 0.25f);
    plug.resetToDefault(Orvalt::kLimit);
    EXPECT_EQ(plug.getParameter(Orvalt::kLimit), 1.0f);
}

TEST_F(DefaultsFile, SavedStateIsWhereNewInstancesStart) {
    {
        Orvalt plug(recordingHost);
        plug.setParameter(Orvalt::kBass, 0.5f);
        plug.assignMidiKey(Orvalt::kDrive, static_cast<int16_t>(0xB00B));
        plug.setProgramName(const_cast<char*>("House"));
        EXPECT_TRUE(plug.saveDefaults());
        plug.setParameter(Orvalt::kBass, 0.0f);
        plug.resetToDefault(Orvalt::kBass);
        EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.5f) << "saving made the saved value the reset value";
        // Saving writes exactly the bank chunk, the same bytes each time.
        const std::vector<uint8_t> first = readAll(file);
        EXPECT_EQ(first.size(), 530u);
        EXPECT_EQ(first, chunkOf(plug, false));
        EXPECT_TRUE(plug.saveDefaults());
        EXPECT_EQ(readAll(file), first);
    }
    Orvalt fresh(recordingHost);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(fresh.getParameter(Orvalt::kBass), 0.5f);
    EXPECT_EQ(fresh.getMidiKey(Orvalt::kDrive), static_cast<int16_t>(0xB00B));
    char name[32];
    fresh.getProgramName(name);
    EXPECT_STREQ(name, "House");
    fresh.setParameter(Orvalt::kBass, 0.9f);
    fresh.resetToDefault(Orvalt::kBass);
    EXPECT_EQ(fresh.getParameter(Orvalt::kBass), 0.5f) << "reset returns to the saved value, not the built-in one";
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 63u + 2u);
}

TEST_F(DefaultsFile, SavingLeavesTheHostsChunkBufferAlone) {
    Orvalt plug(recordingHost);
    void* data = nullptr;
    VstInt32 size = plug.getChunk(&data, true);
    const std::vector<uint8_t> before(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    plug.setParameter(Orvalt::kBass, 1.0f);
    EXPECT_TRUE(plug.saveDefaults());
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size), before);
}

TEST_F(DefaultsFile, FailedWriteKeepsThePreviousFileAndTheResetValues) {
    Orvalt plug(recordingHost);
    plug.setParameter(Orvalt::kBass, 0.25f);
    ASSERT_TRUE(plug.saveDefaults());
    const std::vector<uint8_t> saved = readAll(file);

    plug.setParameter(Orvalt::kBass, 0.75f);
    for (long long allowed : {0LL, 1LL, 100LL, 529LL}) {
        platform::failWritesAfter(allowed);
        Orvalt::SaveFailure failure;
        EXPECT_FALSE(plug.saveDefaults(&failure)) << allowed;
        EXPECT_EQ(failure.file, file.u8string()) << "the box names the file";
        EXPECT_EQ(failure.reason, "only " + std::to_string(allowed) + " of 530 bytes could be written");
        platform::failWritesAfter(-1);
        EXPECT_EQ(readAll(file), saved) << "the old file is intact after a write that stopped at " << allowed;
    }
    // Nothing else was left in the folder either.
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        entries += entry.path().filename() != backup.filename();
    EXPECT_EQ(entries, 1u);
    plug.resetToDefault(Orvalt::kBass);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.25f) << "the failed save did not become the reset value";

    Orvalt fresh(recordingHost);
    EXPECT_EQ(fresh.getParameter(Orvalt::kBass), 0.25f);
}

TEST_F(DefaultsFile, FileOfOneMebibyteIsIgnoredAndOneByteLessIsRead) {
    std::vector<uint8_t> content;
    {
        Orvalt plug(recordingHost);
        plug.setParameter(Orvalt::kBass, 1.0f);
        content = chunkOf(plug, false);
    }
    fs::create_directories(file.parent_path());
    // Pad with whole program-name records, so the big file stays a valid chunk.
    std::vector<uint8_t> padded = content;
    std::vector<uint8_t> filler = {3, 0};  // current-program records: 2 bytes each
    while (padded.size() + 2 <= 1048576 - 1) padded.insert(padded.end(), filler.begin(), filler.end());
    if (padded.size() < 1048575) padded.insert(padded.end(), {0xFF});  // forces one corruption report
    ASSERT_EQ(padded.size(), 1048575u);
    writeAll(file, padded);
    {
        Orvalt plug(recordingHost);
        EXPECT_EQ(plug.getParameter(Orvalt::kBass), 1.0f) << "1048575 bytes are read";
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, "Error loading chunk: Chunk appears corrupted.");
    }
    dialogs.shown.clear();
    padded.push_back(0);
    writeAll(file, padded);
    ASSERT_EQ(fs::file_size(file), 1048576u);
    Orvalt plug(recordingHost);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.0f) << "1048576 bytes are not read";
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DefaultsFile, TruncatedFileReportsOnceAndKeepsWhatCameBefore) {
    {
        Orvalt plug(recordingHost);
        plug.setProgramName(const_cast<char*>("Kept"));
        plug.setParameter(Orvalt::kInput, 0.5f);
        plug.setProgram(1);
        plug.setParameter(Orvalt::kBass, 0.75f);
        plug.setProgram(0);
        ASSERT_TRUE(plug.saveDefaults());
    }
    std::vector<uint8_t> bytes = readAll(file);
    // Header, name, program 0 (7 values and its record), then program 1's
    // first four values and half of its fifth.
    bytes.resize(8 + 32 + 7 * 4 + 26 + 4 * 4 + 2);
    writeAll(file, bytes);
    Orvalt plug(recordingHost);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "error");
    EXPECT_EQ(dialogs.shown[0].caption, "Orvalt error");
    EXPECT_EQ(dialogs.shown[0].text, "Error loading chunk: Chunk appears corrupted.");
    EXPECT_STREQ(plug.program(0).name, "Kept");
    EXPECT_EQ(plug.program(0).values[Orvalt::kInput], 0.5f);
    EXPECT_STREQ(plug.program(1).name, "Init 2");
    // Program 1's values read before the cut are live, and they are the reset values now.
    EXPECT_EQ(plug.getParameter(Orvalt::kInput), 0.0f);
    EXPECT_FLOAT_EQ(plug.getParameter(Orvalt::kBass), 0.75f);
    plug.setParameter(Orvalt::kBass, 0.0f);
    plug.resetToDefault(Orvalt::kBass);
    EXPECT_FLOAT_EQ(plug.getParameter(Orvalt::kBass), 0.75f);
}
