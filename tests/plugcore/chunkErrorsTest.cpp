// Every way setChunk refuses a chunk: the exact box, and what stays applied.
#include <gtest/gtest.h>

#include "tests/plugcore/stateTestSupport.h"

using namespace statetest;

namespace {

const char* const kCaption = "Orvalt error";
const char* const kCorrupted = "Error loading chunk: Chunk appears corrupted.";

class ChunkErrors : public ::testing::Test {
protected:
    void TearDown() override { hostCalls().clear(); }

    void expectOneError(const std::string& text) {
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].kind, "error");
        EXPECT_EQ(dialogs.shown[0].caption, kCaption);
        EXPECT_EQ(dialogs.shown[0].text, text);
        dialogs.shown.clear();
    }

    DialogRecorder dialogs;
    Orvalt plug{recordingHost};
};

}  // namespace

TEST_F(ChunkErrors, ShortHeaderWrongMagicAndLaterVersionsLoadNothing) {
    std::vector<uint8_t> chunk = header();
    chunk.pop_back();  // 7 bytes
    EXPECT_EQ(plug.setChunk(chunk.data(), 7, false), 0);
    expectOneError("Error loading chunk: No header");
    EXPECT_EQ(plug.setChunk(nullptr, 0, false), 0);
    expectOneError("Error loading chunk: No header");

    const std::string later =
        "Error loading chunk: Program or bank was saved with a later version.\nPlease update the plugin and try again.";
    struct Case {
        std::vector<uint8_t> head;
        std::string text;
    } cases[] = {
        {{0x75, 0x3D, 0x8C, 0x29, 5, 0, 0, 0}, "Error loading chunk: Invalid header"},
        {header(6), later},
        {header(5, 1), later},
        {header(5, 0x100), later},
        {header(0x7FFF), later},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> whole = c.head;
        appendValue(whole, Orvalt::kBass, 64000);
        load(plug, whole);
        expectOneError(c.text);
        EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.0f);
    }
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 0u);
}

TEST_F(ChunkErrors, OlderAndNegativeVersionsAreRead) {
    for (uint16_t version : {0, 1, 4, 0xFFFF}) {
        std::vector<uint8_t> chunk = header(version);
        appendValue(chunk, Orvalt::kBass, 32000);
        load(plug, chunk);
        EXPECT_TRUE(dialogs.shown.empty()) << version;
        EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.5f);
        plug.setParameter(Orvalt::kBass, 0.0f);
    }
}

TEST_F(ChunkErrors, UnknownTagIsCorruptionAfterEarlierRecords) {
    std::vector<uint8_t> chunk = header();
    appendValue(chunk, Orvalt::kBass, 64000);
    chunk.insert(chunk.end(), {5, 0, 0, 0});
    appendValue(chunk, Orvalt::kInput, 64000);
    load(plug, chunk);
    expectOneError(kCorrupted);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 1.0f);
    EXPECT_EQ(plug.getParameter(Orvalt::kInput), 0.0f);
}

TEST_F(ChunkErrors, ValueRecordCutAfterItsIndexKeepsEveryEarlierRecord) {
    std::vector<uint8_t> chunk = header();
    appendName(chunk, "Orvalt");
    appendValue(chunk, Orvalt::kInput, 64000);
    appendMapping(chunk, Orvalt::kInput, 0xB001);
    chunk.insert(chunk.end(), {0, Orvalt::kBass});
    load(plug, chunk);
    expectOneError(kCorrupted);
    EXPECT_EQ(plug.getParameter(Orvalt::kInput), 1.0f);
    EXPECT_EQ(plug.getMidiKey(Orvalt::kInput), static_cast<int16_t>(0xB001));
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 1u);
}

TEST_F(ChunkErrors, BankCutAtEveryByteReportsCorruptionOnlyInsideARecord) {
    Orvalt source(recordingHost);
    source.setParameter(Orvalt::kBass, 0.5f);
    source.assignMidiKey(Orvalt::kMakeup, static_cast<int16_t>(0xB040));
    const std::vector<uint8_t> bank = chunkOf(source, false);
    ASSERT_EQ(bank.size(), 530u);

    // Record boundaries of the bank, from its own layout.
    std::vector<bool> boundary(bank.size() + 1, false);
    size_t at = 8;
    boundary[at] = true;
    at += 32;
    boundary[at] = true;
    for (int p = 0; p < 8; ++p) {
        for (int i = 0; i < 7; ++i) boundary[at += 4] = true;
        boundary[at += 26] = true;
    }
    boundary[at += 2] = true;
    for (int i = 0; i < 14; ++i) boundary[at += 4] = true;
    ASSERT_EQ(at, bank.size());

    for (size_t length = 8; length < bank.size(); ++length) {
        Orvalt target(recordingHost);
        target.setChunk(const_cast<uint8_t*>(bank.data()), static_cast<VstInt32>(length), false);
        if (boundary[length]) {
            EXPECT_TRUE(dialogs.shown.empty()) << "cut at " << length;
        } else {
            ASSERT_EQ(dialogs.shown.size(), 1u) << "cut at " << length;
            EXPECT_EQ(dialogs.shown[0].text, kCorrupted);
        }
        dialogs.shown.clear();
        // Once the live value of bass has been read, it stays applied whatever follows.
        if (length >= 530 - 56 + 4 * Orvalt::kBass + 4) {
            EXPECT_EQ(target.getParameter(Orvalt::kBass), 0.5f) << "cut at " << length;
        }
        hostCalls().clear();
    }
}

TEST_F(ChunkErrors, ForeignNameAnsweredNoLeavesEverythingAsItWas) {
    Orvalt other(recordingHost);
    other.setParameter(Orvalt::kBass, 1.0f);
    std::vector<uint8_t> preset = chunkOf(other, true);
    const char foreign[] = "Clipmaster";
    std::copy(foreign, foreign + sizeof(foreign), preset.begin() + 9);

    const std::vector<uint8_t> before = chunkOf(plug, false);
    dialogs.answerYes = false;
    load(plug, preset);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "question");
    EXPECT_EQ(dialogs.shown[0].caption, "Orvalt");
    EXPECT_EQ(dialogs.shown[0].text, "Trying to load a preset for \"Clipmaster\"\nDo you want to continue?");
    EXPECT_EQ(chunkOf(plug, false), before);
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 0u);
}

TEST_F(ChunkErrors, ForeignNameAnsweredYesLoadsTheRest) {
    std::vector<uint8_t> chunk = header();
    appendValue(chunk, Orvalt::kInput, 64000);  // before the name: applied whatever the answer
    appendName(chunk, "Orvaltish");
    appendValue(chunk, Orvalt::kBass, 64000);
    dialogs.answerYes = true;
    load(plug, chunk);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "question");
    EXPECT_EQ(plug.getParameter(Orvalt::kInput), 1.0f);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 1.0f);

    dialogs.shown.clear();
    plug.setParameter(Orvalt::kBass, 0.0f);
    dialogs.answerYes = false;
    load(plug, chunk);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 0.0f);
}

TEST_F(ChunkErrors, LongForeignNameIsCutToThirtyCharactersInTheQuestion) {
    std::vector<uint8_t> chunk = header();
    appendName(chunk, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh");  // fills all 31 bytes, no terminator
    load(plug, chunk);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Trying to load a preset for \"ABCDEFGHIJKLMNOPQRSTUVWXYZabcd\"\nDo you want to continue?");
}

TEST_F(ChunkErrors, SameNameWithJunkAfterTheTerminatorAsksNothing) {
    std::vector<uint8_t> chunk = header();
    appendName(chunk, std::string("Orvalt\0junk", 11));
    load(plug, chunk);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ChunkErrors, EveryRecordKindCutShortIsCorruption) {
    // tag, bytes that follow it in a whole record
    const std::pair<uint8_t, size_t> kinds[] = {{0, 3}, {1, 3}, {2, 25}, {3, 1}, {4, 31}};
    for (auto [tag, body] : kinds) {
        for (size_t have = 0; have < body; ++have) {
            std::vector<uint8_t> chunk = header();
            chunk.push_back(tag);
            chunk.insert(chunk.end(), have, 0);
            load(plug, chunk);
            ASSERT_EQ(dialogs.shown.size(), 1u) << "tag " << int(tag) << " with " << have;
            EXPECT_EQ(dialogs.shown[0].text, kCorrupted);
            dialogs.shown.clear();
        }
    }
}
