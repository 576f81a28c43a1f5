// The .fxp/.fxb reader and writer, byte for byte.
#include "tools/render/presetFile.h"

#include <gtest/gtest.h>

namespace {

using render::PresetFile;
using render::PresetKind;

std::vector<uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

PresetFile programChunk() {
    PresetFile p;
    p.kind = PresetKind::programChunk;
    p.fxID = 0x6F52764C;
    p.fxVersion = 1;
    p.count = 7;
    p.programName = "Init 1";
    p.chunk = bytesOf({0x75, 0x3D, 0x8C, 0x28, 5, 0, 0, 0});
    return p;
}

TEST(PresetFileWrite, ProgramChunkHasTheStandardLayout) {
    std::vector<uint8_t> file = render::encodePresetFile(programChunk());
    ASSERT_EQ(file.size(), 60u + 8u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 28),
              bytesOf({'C', 'c', 'n', 'K', 0, 0, 0, 60, 'F', 'P', 'C', 'h', 0, 0, 0, 1,
                       'o', 'R', 'v', 'L', 0, 0, 0, 1, 0, 0, 0, 7}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[28])), "Init 1");
    EXPECT_EQ(file[28 + 27], 0);                                        // name field NUL-padded to 28 bytes
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 56, file.begin() + 60), bytesOf({0, 0, 0, 8}));  // chunkSize
    EXPECT_EQ(file[60], 0x75);
}

TEST(PresetFileWrite, BankVersionTwoCarriesTheCurrentProgram) {
    PresetFile bank = programChunk();
    bank.kind = PresetKind::bankChunk;
    bank.formatVersion = 2;
    bank.count = 8;
    bank.currentProgram = 3;
    std::vector<uint8_t> file = render::encodePresetFile(bank);
    ASSERT_EQ(file.size(), 160u + 8u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 8, file.begin() + 16), bytesOf({'F', 'B', 'C', 'h', 0, 0, 0, 2}));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 28, file.begin() + 32), bytesOf({0, 0, 0, 3}));
    for (size_t i = 32; i < 156; ++i) EXPECT_EQ(file[i], 0) << i;

    PresetFile back;
    std::string error;
    ASSERT_TRUE(render::parsePresetFile(file, back, error)) << error;
    EXPECT_EQ(back.kind, PresetKind::bankChunk);
    EXPECT_EQ(back.currentProgram, 3);
    EXPECT_EQ(back.count, 8);
    EXPECT_EQ(back.chunk, bank.chunk);
}

TEST(PresetFileRead, RoundTripsProgramsOfBothForms) {
    PresetFile in = programChunk();
    PresetFile out;
    std::string error;
    ASSERT_TRUE(render::parsePresetFile(render::encodePresetFile(in), out, error)) << error;
    EXPECT_EQ(out.kind, PresetKind::programChunk);
    EXPECT_EQ(out.fxID, in.fxID);
    EXPECT_EQ(out.programName, "Init 1");
    EXPECT_EQ(out.chunk, in.chunk);

    PresetFile params;
    params.kind = PresetKind::programParams;
    params.fxID = 0x5A4D5832;
    params.count = 3;
    params.params = {0.25f, 1.0f, 0.0f};
    ASSERT_TRUE(render::parsePresetFile(render::encodePresetFile(params), out, error)) << error;
    EXPECT_EQ(out.kind, PresetKind::programParams);
    EXPECT_EQ(out.params, params.params);
}

TEST(PresetFileRead, RejectsWhatIsNotACompletePreset) {
    PresetFile out;
    std::string error;
    EXPECT_FALSE(render::parsePresetFile({}, out, error));
    EXPECT_NE(error.find("not a VST preset"), std::string::npos);
    EXPECT_FALSE(render::parsePresetFile(bytesOf({'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}), out, error));
    EXPECT_NE(error.find("not a VST preset"), std::string::npos);

    std::vector<uint8_t> file = render::encodePresetFile(programChunk());
    for (size_t cut : {size_t(9), size_t(30), size_t(59), file.size() - 1}) {
        std::vector<uint8_t> shorter(file.begin(), file.begin() + static_cast<long>(cut));
        EXPECT_FALSE(render::parsePresetFile(shorter, out, error)) << cut;
        EXPECT_NE(error.find("truncated"), std::string::npos) << cut << ": " << error;
    }
    std::vector<uint8_t> hugeChunk = file;
    hugeChunk[56] = 0x7F;  // chunkSize far past the end
    EXPECT_FALSE(render::parsePresetFile(hugeChunk, out, error));

    std::vector<uint8_t> paramBank = file;
    paramBank[8] = 'F', paramBank[9] = 'x', paramBank[10] = 'B', paramBank[11] = 'k';
    EXPECT_FALSE(render::parsePresetFile(paramBank, out, error));
    EXPECT_NE(error.find("not supported"), std::string::npos);

    std::vector<uint8_t> futureVersion = file;
    futureVersion[15] = 3;
    EXPECT_FALSE(render::parsePresetFile(futureVersion, out, error));
    EXPECT_NE(error.find("version 3"), std::string::npos);
}

}  // namespace
