// State through the built plug-in's own entry and dispatcher, as a host sees it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/sameElements.h"
#include "tools/vsthost/vsthost.h"

namespace {

// The plug-in reads the defaults file while it is created: give it an empty settings folder.
struct SettingsSandbox {
    std::filesystem::path folder;
    SettingsSandbox() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvalt-binary-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) {
            folder = made;
            setenv("XDG_CONFIG_HOME", made, 1);
        }
    }
    ~SettingsSandbox() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
} sandbox;

std::unique_ptr<vsthost::Plugin> createOrvalt() {
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    EXPECT_TRUE(library) << error;
    if (!library) return nullptr;
    auto plugin = vsthost::Plugin::create(library, nullptr, error);
    EXPECT_TRUE(plugin) << error;
    if (plugin) plugin->open();
    return plugin;
}

}  // namespace

TEST(BinaryState, ChunksHaveTheirSizesAndHeader) {
    auto plugin = createOrvalt();
    ASSERT_TRUE(plugin);
    std::vector<uint8_t> preset = plugin->getChunk(true);
    std::vector<uint8_t> bank = plugin->getChunk(false);
    ASSERT_EQ(preset.size(), 96u);
    ASSERT_EQ(bank.size(), 530u);
    const std::vector<uint8_t> start = {0x75, 0x3D, 0x8C, 0x28, 5, 0, 0, 0, 4, 'O', 'r', 'v', 'a', 'l', 't', 0};
    EXPECT_TRUE(sameElements(start, std::vector<uint8_t>(preset.begin(), preset.begin() + start.size())));
    EXPECT_TRUE(sameElements(start, std::vector<uint8_t>(bank.begin(), bank.begin() + start.size())));
}

TEST(BinaryState, BankLoadMakesSixtyThreeAutomateCalls) {
    auto source = createOrvalt();
    auto target = createOrvalt();
    ASSERT_TRUE(source && target);
    source->setParameter(3, 0.5f);
    source->dispatch(effSetProgram, 0, 4);
    source->setParameter(5, 0.25f);
    std::vector<uint8_t> bank = source->getChunk(false);

    target->host().calls().clear();
    EXPECT_EQ(target->setChunk(bank, false), 0);
    EXPECT_EQ(target->host().calls().count(audioMasterAutomate), 63u);
    EXPECT_EQ(target->getChunk(false), bank);
    EXPECT_EQ(target->dispatch(effGetProgram), 4);
    EXPECT_EQ(target->getParameter(5), 0.25f);

    target->host().calls().clear();
    target->setChunk(source->getChunk(true), true);
    EXPECT_EQ(target->host().calls().count(audioMasterAutomate), 7u);
}

TEST(BinaryState, HostileChunkCallsAreAnsweredWithZero) {
    auto plugin = createOrvalt();
    ASSERT_TRUE(plugin);
    const std::vector<uint8_t> before = plugin->getChunk(false);
    uint8_t bytes[8] = {0x75, 0x3D, 0x8C, 0x28, 5, 0, 0, 0};
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 8, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, -1, bytes), 0);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 1, 8, bytes), 0);
    EXPECT_EQ(plugin->dispatch(effGetChunk, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin->getChunk(false), before);
}

TEST(BinaryState, ProgramsThroughTheDispatcher) {
    auto plugin = createOrvalt();
    ASSERT_TRUE(plugin);
    plugin->dispatch(effSetProgram, 0, 3);
    plugin->setParameter(3, 0.5f);
    plugin->dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(plugin->getParameter(3), 0.0f);
    plugin->dispatch(effSetProgram, 0, 8);
    plugin->dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    plugin->dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(plugin->getParameter(3), 0.5f);
    char name[] = "A name longer than twenty-three";
    plugin->dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(plugin->programName(), "A name longer than twen");
}

TEST(BinaryState, LearnedBindingTravelsInThePreset) {
    // A preset with a mapping record moves that parameter when its controller arrives.
    auto plugin = createOrvalt();
    ASSERT_TRUE(plugin);
    std::vector<uint8_t> preset = plugin->getChunk(true);
    preset[68 + 4 * 3 + 2] = 0x07;  // bass bound to controller 7
    preset[68 + 4 * 3 + 3] = 0xB0;
    plugin->setChunk(preset, true);
    plugin->prepare(48000.0f, 64);
    vsthost::EventList events;
    events.addMidi(0, 0xB9, 7, 127);
    plugin->processEvents(events);
    float in0[64] = {}, in1[64] = {}, out0[64], out1[64];
    float* in[] = {in0, in1};
    float* out[] = {out0, out1};
    plugin->processReplacing(in, out, 64);
    EXPECT_EQ(plugin->getParameter(3), 1.0f);
    std::vector<uint8_t> after = plugin->getChunk(true);
    EXPECT_EQ(after[40 + 4 * 3 + 3], 0xFA);
    EXPECT_TRUE(sameElements(std::vector<uint8_t>(preset.begin() + 68, preset.end()),
                             std::vector<uint8_t>(after.begin() + 68, after.end())))
        << "the binding is unchanged";
}
