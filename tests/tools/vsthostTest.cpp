// vsthost against real plug-in binaries: our own build and, where installed,
// third-party VST 2.4 plug-ins from Debian.
#include "tests/tools/pluginPaths.h"
#include "tools/vsthost/vsthost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <utility>
#include <thread>
#include <vector>

namespace {

using toolstest::orvaltPlugin;

std::unique_ptr<vsthost::Plugin> createFrom(const std::string& path, std::shared_ptr<vsthost::Host> host = nullptr) {
    std::string error;
    auto library = vsthost::Library::load(path, error);
    EXPECT_TRUE(library) << error;
    if (!library) return nullptr;
    auto plugin = vsthost::Plugin::create(library, host, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

// Runs n blocks of silence through processReplacing.
void processSilence(vsthost::Plugin& plugin, int blocks, int frames) {
    std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames)), ol(l), orr(r);
    float* in[] = {l.data(), r.data()};
    float* out[] = {ol.data(), orr.data()};
    for (int i = 0; i < blocks; ++i) ASSERT_TRUE(plugin.processReplacing(in, out, frames));
}

TEST(VsthostLibrary, ReportsMissingFileAndNonPluginLibrary) {
    std::string error;
    EXPECT_FALSE(vsthost::Library::load("/no/such/plugin.so", error));
    EXPECT_NE(error.find("/no/such/plugin.so"), std::string::npos);
#ifndef _WIN32
    error.clear();
    // A real shared library without a VST entry.
    const char* libm = "/lib/x86_64-linux-gnu/libm.so.6";
    if (toolstest::fileExists(libm)) {
        EXPECT_FALSE(vsthost::Library::load(libm, error));
        EXPECT_NE(error.find("neither VSTPluginMain nor main"), std::string::npos) << error;
    }
#endif
}

TEST(VsthostOrvalt, CreatesInstanceAndRecordsVersionCallWithoutEffect) {
    REQUIRE_PLUGIN(orvaltPlugin());
    auto plugin = createFrom(orvaltPlugin());
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->effect()->magic, kEffectMagic);
    EXPECT_EQ(plugin->uniqueID(), 0x6F52764C);
    EXPECT_EQ(vsthost::fourCharText(plugin->uniqueID()), "oRvL");
    EXPECT_EQ(plugin->effectName(), "Orvalt");
    EXPECT_EQ(plugin->vendorString(), "Quillmarsh");
    EXPECT_EQ(plugin->productString(), "Quillmarsh Orvalt");
    auto versions = plugin->host().calls().withOpcode(audioMasterVersion);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(versions[0].effect, nullptr);
    EXPECT_EQ(versions[0].answer, 2400);
}

TEST(VsthostOrvalt, HostAnsweringZeroToVersionGetsNoInstance) {
    REQUIRE_PLUGIN(orvaltPlugin());
    std::string error;
    auto library = vsthost::Library::load(orvaltPlugin(), error);
    ASSERT_TRUE(library) << error;
    vsthost::HostOptions options;
    options.versionAnswer = 0;
    auto host = std::make_shared<vsthost::Host>(options);
    EXPECT_FALSE(vsthost::Plugin::create(library, host, error));
    EXPECT_NE(error.find("returned no effect"), std::string::npos);
    EXPECT_EQ(host->calls().count(audioMasterVersion), 1u);
    // The same library still gives instances to a proper host.
    host->setVersionAnswer(2400);
    EXPECT_TRUE(vsthost::Plugin::create(library, host, error)) << error;
}

TEST(VsthostOrvalt, InstancesOfOneLibraryAreIndependent) {
    REQUIRE_PLUGIN(orvaltPlugin());
    std::string error;
    auto library = vsthost::Library::load(orvaltPlugin(), error);
    ASSERT_TRUE(library);
    auto host = std::make_shared<vsthost::Host>();
    auto a = vsthost::Plugin::create(library, host, error);
    auto b = vsthost::Plugin::create(library, host, error);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->effect(), b->effect());
    a->setParameter(2, 0.25f);
    EXPECT_FLOAT_EQ(a->getParameter(2), 0.25f);
    EXPECT_FLOAT_EQ(b->getParameter(2), 1.0f);
    // One shared host tells the instances apart by their records.
    a->open();
    a->prepare(48000.0f, 64);
    b->open();
    b->prepare(48000.0f, 64);
    host->calls().clear();
    processSilence(*a, 3, 64);
    processSilence(*b, 2, 64);
    size_t fromA = 0, fromB = 0;
    for (const auto& call : host->calls().withOpcode(audioMasterGetTime)) {
        fromA += call.effect == a->effect();
        fromB += call.effect == b->effect();
    }
    EXPECT_EQ(fromA, 3u);
    EXPECT_EQ(fromB, 2u);
    a.reset();  // closing one leaves the other working
    processSilence(*b, 1, 64);
    EXPECT_EQ(host->calls().count(audioMasterGetTime), 6u);
}

TEST(VsthostOrvalt, GetTimeAnswersTheSettableRecordOrNull) {
    REQUIRE_PLUGIN(orvaltPlugin());
    auto plugin = createFrom(orvaltPlugin());
    ASSERT_TRUE(plugin);
    plugin->open();
    plugin->prepare(44100.0f, 128);
    vsthost::Host& host = plugin->host();
    processSilence(*plugin, 1, 128);
    auto calls = host.calls().withOpcode(audioMasterGetTime);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].answer, 0);

    VstTimeInfo time{};
    time.sampleRate = 44100.0;
    time.tempo = 140.0;
    time.flags = kVstTempoValid | kVstTransportPlaying;
    host.setTimeInfo(&time);
    host.calls().clear();
    processSilence(*plugin, 1, 128);
    calls = host.calls().withOpcode(audioMasterGetTime);
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_NE(calls[0].answer, 0);
    const auto* given = reinterpret_cast<const VstTimeInfo*>(calls[0].answer);
    EXPECT_EQ(given->tempo, 140.0);
    host.advanceTime(128);
    EXPECT_EQ(host.timeInfo()->samplePos, 128.0);
}

TEST(VsthostOrvalt, PresetChunkLoadReportsEveryValueThroughAutomate) {
    REQUIRE_PLUGIN(orvaltPlugin());
    auto plugin = createFrom(orvaltPlugin());
    ASSERT_TRUE(plugin);
    plugin->setParameter(0, 0.5f);
    std::vector<uint8_t> preset = plugin->getChunk(true);
    std::vector<uint8_t> bank = plugin->getChunk(false);
    EXPECT_EQ(preset.size(), 96u);
    EXPECT_EQ(bank.size(), 530u);
    plugin->setParameter(0, 0.0f);
    plugin->host().calls().clear();
    plugin->setChunk(preset, true);
    EXPECT_FLOAT_EQ(plugin->getParameter(0), 0.5f);
    auto automates = plugin->host().calls().withOpcode(audioMasterAutomate);
    ASSERT_EQ(automates.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(automates[static_cast<size_t>(i)].index, i);
    EXPECT_FLOAT_EQ(automates[0].opt, 0.5f);
    plugin->host().calls().clear();
    plugin->setChunk(bank, false);
    EXPECT_EQ(plugin->host().calls().count(audioMasterAutomate), 63u);
}

TEST(VsthostOrvalt, ParameterTextsAndDoublePrecisionDelayByOneSample) {
    REQUIRE_PLUGIN(orvaltPlugin());
    auto plugin = createFrom(orvaltPlugin());
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->parameterName(5), "drive");
    EXPECT_EQ(plugin->parameterLabel(5), "db");
    EXPECT_EQ(plugin->parameterDisplay(2), "0.00");
    plugin->open();
    plugin->setParameter(1, 0.0f);  // warm off
    plugin->setParameter(4, 0.0f);  // clip off
    plugin->prepare(44100.0f, 32);
    EXPECT_EQ(plugin->latency(), 1);
    std::vector<double> l(32), r(32), ol(32), orr(32);
    for (int i = 0; i < 32; ++i) l[size_t(i)] = 0.01 * (i + 1), r[size_t(i)] = -0.02 * (i + 1);
    double* in[] = {l.data(), r.data()};
    double* out[] = {ol.data(), orr.data()};
    ASSERT_TRUE(plugin->processDoubleReplacing(in, out, 32));
    EXPECT_EQ(ol[0], 0.0);
    for (int i = 1; i < 32; ++i) {
        EXPECT_EQ(ol[size_t(i)], l[size_t(i - 1)]);
        EXPECT_EQ(orr[size_t(i)], r[size_t(i - 1)]);
    }
}

TEST(VsthostEvents, BuildsMidiEventListBeyondTheTwoDeclaredSlots) {
    vsthost::EventList list;
    list.addMidi(0, 0x90, 60, 100);
    list.addMidi(5, 0xB0, 7, 64);
    list.addMidi(17, 0x80, 60);
    VstEvents* events = list.get();
    ASSERT_EQ(events->numEvents, 3);
    VstEvent* third;
    std::memcpy(&third, reinterpret_cast<unsigned char*>(events) + offsetof(VstEvents, events) + 2 * sizeof(VstEvent*),
                sizeof third);
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(third);
    EXPECT_EQ(midi->type, kVstMidiType);
    EXPECT_EQ(midi->byteSize, static_cast<VstInt32>(sizeof(VstMidiEvent)));
    EXPECT_EQ(midi->deltaFrames, 17);
    EXPECT_EQ(static_cast<unsigned char>(midi->midiData[0]), 0x80);
    EXPECT_EQ(midi->midiData[1], 60);
    EXPECT_EQ(midi->midiData[2], 0);
    list.clear();
    EXPECT_EQ(list.get()->numEvents, 0);
}

TEST(VsthostCallLog, KeepsCountingWhenFullOrNotRecording) {
    vsthost::CallLog log(2);
    for (int i = 0; i < 5; ++i) log.record(vsthost::HostCall{nullptr, audioMasterAutomate, i, 0, nullptr, 0.0f, 0});
    EXPECT_EQ(log.snapshot().size(), 2u);
    EXPECT_EQ(log.dropped(), 3u);
    EXPECT_EQ(log.count(audioMasterAutomate), 5u);
    log.setRecording(false);
    log.record(vsthost::HostCall{nullptr, audioMasterEndEdit, 1, 0, nullptr, 0.0f, 0});
    EXPECT_EQ(log.count(audioMasterEndEdit), 1u);
    log.clear();
    EXPECT_TRUE(log.snapshot().empty());
    EXPECT_EQ(log.count(audioMasterAutomate), 0u);
    EXPECT_EQ(log.dropped(), 0u);
}

TEST(VsthostCallLog, RecordsFromAudioAndUiThreadsAtOnce) {
    REQUIRE_PLUGIN(orvaltPlugin());
    auto plugin = createFrom(orvaltPlugin());
    ASSERT_TRUE(plugin);
    plugin->open();
    plugin->prepare(44100.0f, 64);
    std::thread audio([&] { processSilence(*plugin, 500, 64); });
    for (int i = 0; i < 100; ++i) plugin->host().calls().snapshot();
    audio.join();
    EXPECT_EQ(plugin->host().calls().count(audioMasterGetTime), 500u);
}

// A plug-in linked into the test that writes down every dispatcher call the
// host makes, so the order of the life-cycle steps can be read back.
std::vector<std::pair<VstInt32, VstIntPtr>> lifeCycleCalls;  // opcode, value

VstIntPtr VSTCALLBACK recordingDispatcher(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr value, void*, float) {
    lifeCycleCalls.emplace_back(opcode, value);
    return 0;
}

AEffect* VSTCALLBACK recordingEntry(audioMasterCallback) {
    static AEffect effect{};
    effect.magic = kEffectMagic;
    effect.dispatcher = recordingDispatcher;
    effect.numInputs = effect.numOutputs = 2;
    return &effect;
}

TEST(VsthostLifeCycle, StepsSendWhatACarefulHostSendsAndNothingTwice) {
    using Calls = std::vector<std::pair<VstInt32, VstIntPtr>>;
    using Precision = vsthost::Plugin::Precision;
    const Calls off = {{effStopProcess, 0}, {effMainsChanged, 0}};
    const Calls on = {{effMainsChanged, 1}, {effStartProcess, 0}};
    auto then = [](Calls a, const Calls& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    std::string error;
    auto plugin = vsthost::Plugin::create(vsthost::Library::linked(recordingEntry, "recording"), nullptr, error);
    ASSERT_TRUE(plugin) << error;
    const struct {
        const char* step;
        std::function<void()> run;
        Calls expected;
    } steps[] = {
        {"open", [&] { plugin->open(); }, {{effOpen, 0}}},
        {"switch off while off", [&] { plugin->switchOff(); }, {}},
        {"configure while off", [&] { plugin->configure(48000.0f, 64, Precision::float64); },
         {{effSetSampleRate, 0}, {effSetBlockSize, 64}, {effSetProcessPrecision, 1}}},
        {"switch on", [&] { plugin->switchOn(); }, on},
        {"switch on again", [&] { plugin->switchOn(); }, {}},
        {"configure while on: off around it", [&] { plugin->configure(44100.0f, 32); },
         then(then(off, {{effSetSampleRate, 0}, {effSetBlockSize, 32}}), on)},
        {"switch off", [&] { plugin->switchOff(); }, off},
        {"switch off again", [&] { plugin->switchOff(); }, {}},
        {"prepare", [&] { plugin->prepare(96000.0f, 128, Precision::float32); },
         then({{effSetSampleRate, 0}, {effSetBlockSize, 128}, {effSetProcessPrecision, 0}}, on)},
        {"close while on: switched off first", [&] { plugin->close(); }, then(off, {{effClose, 0}})},
        {"close again", [&] { plugin->close(); }, {}},
    };
    for (const auto& s : steps) {
        lifeCycleCalls.clear();
        s.run();
        EXPECT_EQ(lifeCycleCalls, s.expected) << s.step;
    }
}

// Third-party plug-ins prove the host is not shaped around our own.
class VsthostThirdParty : public ::testing::TestWithParam<const char*> {};

TEST_P(VsthostThirdParty, LoadsNamesAndProcessesFiniteAudio) {
    REQUIRE_PLUGIN(GetParam());
    ThirdPartyLeakScope ignoreTheirLeaks;
    auto plugin = createFrom(GetParam());
    ASSERT_TRUE(plugin);
    EXPECT_FALSE(plugin->effectName().empty());
    ASSERT_GT(plugin->numParams(), 0);
    EXPECT_FALSE(plugin->parameterName(0).empty());
    plugin->open();
    plugin->prepare(44100.0f, 256);
    std::vector<float> l(256), r(256), ol(256), orr(256);
    for (int i = 0; i < 256; ++i) l[size_t(i)] = r[size_t(i)] = 0.5f * std::sin(0.05f * i);
    float* in[] = {l.data(), r.data()};
    float* out[] = {ol.data(), orr.data()};
    for (int b = 0; b < 20; ++b) ASSERT_TRUE(plugin->processReplacing(in, out, 256));
    for (float x : ol) EXPECT_TRUE(std::isfinite(x));
    plugin->suspend();
    plugin->close();
    EXPECT_TRUE(plugin->isClosed());
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), 0);  // nothing reaches a closed instance
}

INSTANTIATE_TEST_SUITE_P(Installed, VsthostThirdParty,
                         ::testing::Values(toolstest::zamMaximizer(), toolstest::lspLimiter()));

}  // namespace
