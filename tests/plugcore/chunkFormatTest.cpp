// The bytes getChunk writes and how they come back through setChunk.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/plugcore/stateTestSupport.h"

using namespace statetest;

namespace {

const std::vector<uint8_t> kHeaderAndName = {0x75, 0x3D, 0x8C, 0x28, 0x05, 0x00, 0x00, 0x00, 0x04,
                                             'O',  'r',  'v',  'a',  'l',  't'};

void expectHeaderAndName(const std::vector<uint8_t>& chunk) {
    ASSERT_GE(chunk.size(), 40u);
    EXPECT_EQ(std::vector<uint8_t>(chunk.begin(), chunk.begin() + 15), kHeaderAndName);
    for (size_t i = 15; i < 40; ++i) EXPECT_EQ(chunk[i], 0) << "byte " << i;
}

uint16_t numberAt(const std::vector<uint8_t>& chunk, size_t offset) {
    return static_cast<uint16_t>(chunk[offset] | (chunk[offset + 1] << 8));
}

// Offsets inside a preset chunk: 40 + 4 * i for value record i, 68 + 4 * i for mapping record i.
constexpr size_t kPresetValues = 40;
constexpr size_t kPresetMappings = 68;

}  // namespace

TEST(ChunkBytes, FreshInstanceGivesPresetOf96AndBankOf530Bytes) {
    Orvalt plug(recordingHost);
    std::vector<uint8_t> preset = chunkOf(plug, true);
    std::vector<uint8_t> bank = chunkOf(plug, false);
    EXPECT_EQ(preset.size(), 96u);
    EXPECT_EQ(bank.size(), 530u);
    expectHeaderAndName(preset);
    expectHeaderAndName(bank);
}

TEST(ChunkBytes, PresetRecordsCarryLiveValuesThenMappings) {
    Orvalt plug(recordingHost);
    plug.setParameter(Orvalt::kInput, 0.5f);
    plug.setParameter(Orvalt::kLimit, 1.0f);
    plug.setParameter(Orvalt::kBass, 1.0f / 3.0f);
    std::vector<uint8_t> preset = chunkOf(plug, true);
    for (uint8_t i = 0; i < 7; ++i) {
        EXPECT_EQ(preset[kPresetValues + 4 * i], 0) << "value tag " << int(i);
        EXPECT_EQ(preset[kPresetValues + 4 * i + 1], i);
        EXPECT_EQ(preset[kPresetMappings + 4 * i], 1) << "mapping tag " << int(i);
        EXPECT_EQ(preset[kPresetMappings + 4 * i + 1], i);
        // Nothing is bound on a fresh instance.
        EXPECT_EQ(preset[kPresetMappings + 4 * i + 2], 0xFF);
        EXPECT_EQ(preset[kPresetMappings + 4 * i + 3], 0xFF);
    }
    EXPECT_EQ(preset[kPresetValues + 2], 0x00);  // 0.5 -> 32000 = 0x7D00
    EXPECT_EQ(preset[kPresetValues + 3], 0x7D);
    EXPECT_EQ(preset[kPresetValues + 4 * 2 + 2], 0x00);  // 1.0 -> 64000 = 0xFA00
    EXPECT_EQ(preset[kPresetValues + 4 * 2 + 3], 0xFA);
    EXPECT_EQ(numberAt(preset, kPresetValues + 4 * 3 + 2), 21333);
}

TEST(ChunkBytes, BankHoldsEveryProgramThenCurrentProgramThenLiveState) {
    Orvalt plug(recordingHost);
    plug.setProgram(2);
    plug.setParameter(Orvalt::kDrive, 0.25f);
    std::vector<uint8_t> bank = chunkOf(plug, false);
    size_t offset = 40;
    for (uint8_t p = 0; p < 8; ++p) {
        for (uint8_t i = 0; i < 7; ++i, offset += 4) {
            EXPECT_EQ(bank[offset], 0);
            EXPECT_EQ(bank[offset + 1], i);
        }
        EXPECT_EQ(bank[offset], 2);
        EXPECT_EQ(bank[offset + 1], p);
        std::string name = "Init " + std::to_string(p + 1);
        EXPECT_EQ(std::memcmp(&bank[offset + 2], name.c_str(), name.size() + 1), 0);
        for (size_t k = name.size() + 1; k < 24; ++k) EXPECT_EQ(bank[offset + 2 + k], 0);
        offset += 26;
    }
    EXPECT_EQ(bank[offset], 3);
    EXPECT_EQ(bank[offset + 1], 2);
    offset += 2;
    EXPECT_EQ(numberAt(bank, offset + 4 * Orvalt::kDrive + 2), 16000);  // the live value, not program 2's
    EXPECT_EQ(bank[offset + 28], 1);
    EXPECT_EQ(offset + 56, bank.size());
}

TEST(ChunkRoundTrip, ValuesAndMappingsComeBack) {
    Orvalt source(recordingHost);
    source.setParameter(Orvalt::kInput, 1.0f);
    source.setParameter(Orvalt::kBass, 0.5f);
    source.assignMidiKey(Orvalt::kBass, static_cast<int16_t>(0xB007));
    std::vector<uint8_t> preset = chunkOf(source, true);

    Orvalt target(recordingHost);
    load(target, preset);
    EXPECT_EQ(target.getParameter(Orvalt::kInput), 1.0f);
    EXPECT_EQ(target.getParameter(Orvalt::kBass), 0.5f);
    EXPECT_EQ(target.getMidiKey(Orvalt::kBass), -20473);
    EXPECT_EQ(target.getMidiKey(Orvalt::kInput), -1);
    EXPECT_EQ(chunkOf(target, true), preset);
}

TEST(ChunkRoundTrip, BankComesBackByteForByteExceptNameEndsAndLowerNumbers) {
    // A bank as another writer might leave it: junk after the name terminators,
    // a non-zero 24th name byte, and numbers that decode one step low.
    Orvalt source(recordingHost);
    std::vector<uint8_t> bank = chunkOf(source, false);
    size_t offset = 40;
    for (uint8_t p = 0; p < 8; ++p) {
        for (uint8_t i = 0; i < 7; ++i, offset += 4) {
            uint16_t number = static_cast<uint16_t>((p * 7 + i) * 1111 + 33);
            bank[offset + 2] = number & 0xFF;
            bank[offset + 3] = number >> 8;
        }
        std::memset(&bank[offset + 2], 'x', 24);
        bank[offset + 2 + 10] = 0;
        offset += 26;
    }
    bank[offset + 1] = 5;  // current program

    Orvalt target(recordingHost);
    load(target, bank);
    std::vector<uint8_t> written = chunkOf(target, false);
    ASSERT_EQ(written.size(), bank.size());
    int lowered = 0;
    offset = 40;
    for (uint8_t p = 0; p < 8; ++p) {
        for (uint8_t i = 0; i < 7; ++i, offset += 4) {
            const int before = numberAt(bank, offset + 2);
            const int after = numberAt(written, offset + 2);
            EXPECT_LE(after, before) << "came back higher";
            EXPECT_GE(after, before - 1) << "came back more than one lower";
            lowered += after != before;
            written[offset + 2] = bank[offset + 2];
            written[offset + 3] = bank[offset + 3];
        }
        EXPECT_EQ(written[offset + 2 + 23], 0) << "program " << int(p);
        EXPECT_EQ(written[offset + 2 + 11], 'x') << "bytes after the terminator are kept";
        written[offset + 2 + 23] = bank[offset + 2 + 23];
        offset += 26;
    }
    EXPECT_GT(lowered, 0);  // 33 is among them
    EXPECT_EQ(written, bank) << "every other byte is the same";
    EXPECT_EQ(target.getProgram(), 5);
    char name[32] = {};
    target.getProgramName(name);
    EXPECT_STREQ(name, "xxxxxxxxxx");
}

TEST(ChunkRoundTrip, ExactlySevenHundredSixtySixOfAllNumbersComeBackOneLower) {
    Orvalt plug(recordingHost);
    int lower = 0;
    int otherwise = 0;
    for (uint32_t n = 0; n <= 64000; ++n) {
        std::vector<uint8_t> chunk = header();
        appendValue(chunk, 0, static_cast<uint16_t>(n));
        load(plug, chunk);
        uint16_t back = numberAt(chunkOf(plug, true), kPresetValues + 2);
        if (back == n - 1)
            ++lower;
        else if (back != n)
            ++otherwise;
    }
    EXPECT_EQ(lower, 766);
    EXPECT_EQ(otherwise, 0);
    hostCalls().clear();
}

TEST(ChunkRoundTrip, NumberThirtyThreeBecomesThirtyTwo) {
    Orvalt plug(recordingHost);
    std::vector<uint8_t> chunk = header();
    appendValue(chunk, 0, 33);
    load(plug, chunk);
    EXPECT_EQ(numberAt(chunkOf(plug, true), kPresetValues + 2), 32);
}

TEST(ChunkLoad, BankLoadTellsTheHostOfEveryValueRecord) {
    Orvalt source(recordingHost);
    source.setParameter(Orvalt::kBass, 0.5f);
    std::vector<uint8_t> bank = chunkOf(source, false);
    Orvalt target(recordingHost);
    hostCalls().clear();
    load(target, bank);
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 63u);
    // The last seven carry the live values, in parameter order.
    const std::vector<HostCall>& calls = hostCalls();
    ASSERT_EQ(calls.size(), 63u);
    EXPECT_EQ(calls[56 + Orvalt::kBass].index, Orvalt::kBass);
    EXPECT_EQ(calls[56 + Orvalt::kBass].opt, 0.5f);

    hostCalls().clear();
    load(target, chunkOf(source, true));
    EXPECT_EQ(countHostCalls(audioMasterAutomate), 7u);
    hostCalls().clear();
}

TEST(ChunkLoad, PresetLeavesProgramsAlone) {
    Orvalt plug(recordingHost);
    std::vector<uint8_t> chunk = header();
    appendName(chunk, "Orvalt");
    appendValue(chunk, Orvalt::kBass, 64000);
    load(plug, chunk);
    EXPECT_EQ(plug.getParameter(Orvalt::kBass), 1.0f);
    for (VstInt32 p = 0; p < 8; ++p) EXPECT_EQ(plug.program(p).values[Orvalt::kBass], 0.0f);
    hostCalls().clear();
}

TEST(ChunkLoad, HostileIndexesAndNumbersAreContained) {
    Orvalt plug(recordingHost);
    DialogRecorder dialogs;
    std::vector<uint8_t> chunk = header();
    appendValue(chunk, 7, 64000);       // no such parameter
    appendValue(chunk, 255, 64000);
    appendMapping(chunk, 200, 0xB001);  // no such parameter
    appendValue(chunk, Orvalt::kInput, 0xFFFF);  // above 64000: clamped
    chunk.insert(chunk.end(), {2, 8});            // program 8 does not exist
    chunk.insert(chunk.end(), 24, 'z');
    chunk.insert(chunk.end(), {3, 200});          // neither does program 200
    load(plug, chunk);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(plug.getParameter(Orvalt::kInput), 1.0f);
    EXPECT_EQ(plug.getProgram(), 0);
    for (VstInt32 i = 0; i < 7; ++i) EXPECT_EQ(plug.getMidiKey(i), -1);
    for (VstInt32 p = 0; p < 8; ++p) EXPECT_EQ(plug.program(p).name[0], 'I');
    hostCalls().clear();
}

TEST(ChunkLoad, MappingRecordMovesAKeyFromItsHolder) {
    Orvalt plug(recordingHost);
    plug.assignMidiKey(Orvalt::kDrive, static_cast<int16_t>(0xB007));
    std::vector<uint8_t> chunk = header();
    appendMapping(chunk, Orvalt::kWarm, 0xB007);
    load(plug, chunk);
    EXPECT_EQ(plug.getMidiKey(Orvalt::kWarm), -20473);
    EXPECT_EQ(plug.getMidiKey(Orvalt::kDrive), -1);
    chunk = header();
    appendMapping(chunk, Orvalt::kWarm, 0xFFFF);
    load(plug, chunk);
    EXPECT_EQ(plug.getMidiKey(Orvalt::kWarm), -1);
}
