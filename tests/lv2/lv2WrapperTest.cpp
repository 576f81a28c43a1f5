// The LV2 edition through the bundle's binary: port values as the renderer
// sets them, latency, bypass, in-place buffers, MIDI, lamps and state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "plugcore/ChunkFormat.h"
#include "plugcore/productEntry.h"
#include "tests/lv2/lv2TestSupport.h"
#include "tools/render/parameterValues.h"
#include "tools/render/renderEngine.h"

namespace {

using lv2test::Instance;
using lv2test::StoredState;
using lv2test::UridMap;

// The binary is built with the test: missing, it is a fault, not a skip.
#define REQUIRE_BUNDLE() ASSERT_NE(lv2test::descriptor(), nullptr) << "no LV2 binary at " ORVALT_LV2_BINARY

const std::string kChunkKey = "http://www.quillmarsh.com/lv2/Orvalt#chunk";

void fillSignal(Instance& o, uint32_t frames, double amplitude, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (uint32_t c = 0; c < 2; ++c)
        for (uint32_t i = 0; i < frames; ++i)
            o.in[c][i] = static_cast<float>(amplitude * std::sin(0.01 * i + c)) + 0.05f * noise(random);
}

std::vector<uint8_t> chunkOf(Instance& o, UridMap& map) {
    StoredState state;
    EXPECT_EQ(o.save(state), LV2_STATE_SUCCESS);
    auto found = state.properties.find(map.id(kChunkKey));
    if (found == state.properties.end()) return {};
    EXPECT_EQ(found->second.type, map.id("http://lv2plug.in/ns/ext/atom#Chunk"));
    return found->second.bytes;
}

// Port values are what a user types into a host; the renderer gets the same
// words as text. Both must land on the same float, bit for bit.
TEST(Lv2Ports, GiveTheRenderersFloatForEveryValue) {
    REQUIRE_BUNDLE();
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    auto hosted = vsthost::Plugin::create(library, nullptr, error);
    ASSERT_TRUE(hosted) << error;
    std::unique_ptr<PlugCore::Plug> plug(PlugCore::createPlug(nullptr));

    struct Case {
        const char* name;
        std::vector<const char*> typed;
    };
    const Case cases[] = {
        {"input", {"0", "20", "6", "6.1", "13.37", "0.005", "19.999", "7.125", "1e-3"}},
        {"limit", {"-10", "0", "-3", "-3.25", "-0.01", "-9.995", "-0.005"}},
        {"bass", {"0", "10", "4", "2.5", "3.333", "9.9951"}},
        {"drive", {"-20", "0", "-10", "-6.02", "-0.004", "-19.99"}},
    };
    int compared = 0;
    std::mt19937 random(19);
    for (const Case& c : cases) {
        const int index = render::findParameter(*hosted, c.name);
        auto samples = std::make_unique<PlugCore::DisplaySamples>();
        FormatCore::PlugDisplay display(*plug, index);
        PlugCore::sampleDisplay(display, *samples);
        const FormatCore::ParameterUnits port = FormatCore::describeParameter(*plug, index, *samples, 0.0f);
        ASSERT_EQ(port.kind, FormatCore::ParameterUnits::number) << c.name;
        std::vector<std::string> typed(c.typed.begin(), c.typed.end());
        std::uniform_real_distribution<float> anywhere(port.minimum, port.maximum);
        for (int k = 0; k < 40; ++k) {  // any float a host may send, as its shortest text
            char text[48];
            PlugCore::shortestText(anywhere(random), text, sizeof text);
            typed.push_back(text);
        }
        for (const std::string& text : typed) {
            const float rendered = render::valueForText(*hosted, index, text);
            float fromPort = -1.0f;
            ASSERT_TRUE(FormatCore::normalizedFor(*plug, index, port, *samples, std::strtof(text.c_str(), nullptr), fromPort));
            EXPECT_EQ(std::memcmp(&rendered, &fromPort, sizeof(float)), 0)
                << c.name << "=" << text << ": renderer " << rendered << ", port " << fromPort;
            ++compared;
        }
        // Out of range clamps to the ends; NaN changes nothing.
        float v = -1.0f;
        ASSERT_TRUE(FormatCore::normalizedFor(*plug, index, port, *samples, port.maximum + 100.0f, v));
        EXPECT_EQ(v, render::valueForText(*hosted, index, port.maximum == 0.0f ? "0" : std::to_string(port.maximum)));
        EXPECT_FALSE(FormatCore::normalizedFor(*plug, index, port, *samples, NAN, v));

        // The audio thread's table answers every value exactly as the search
        // does: a dense grid, the floats around every hundredth, the ends and beyond.
        const FormatCore::ValueTable table(*plug, index, port, *samples);
        std::vector<float> values{-0.0f, 0.0f, INFINITY, -INFINITY, port.minimum, port.maximum,
                                  std::nextafter(port.minimum, -1e9f), std::nextafter(port.maximum, 1e9f)};
        const float span = port.maximum - port.minimum;
        for (int k = 0; k <= 3001; ++k) values.push_back(port.minimum + span * static_cast<float>(k) / 3001.0f);
        for (int k = 0; k <= static_cast<int>(span * 100.0f); ++k) {
            const float hundredth = static_cast<float>(port.minimum + k / 100.0);
            for (float v : {std::nextafter(hundredth, -1e9f), hundredth, std::nextafter(hundredth, 1e9f)}) values.push_back(v);
        }
        for (float value : values) {
            float searched = -1.0f, looked = -2.0f;
            const bool found = FormatCore::normalizedFor(*plug, index, port, *samples, value, searched);
            ASSERT_EQ(table.normalizedFor(value, looked), found) << c.name << " " << value;
            if (found) ASSERT_EQ(std::memcmp(&searched, &looked, sizeof(float)), 0) << c.name << " " << value << ": " << searched << " " << looked;
        }
    }
    for (const char* name : {"warm", "clip", "makeup"}) {
        const int index = render::findParameter(*hosted, name);
        auto samples = std::make_unique<PlugCore::DisplaySamples>();
        FormatCore::PlugDisplay display(*plug, index);
        PlugCore::sampleDisplay(display, *samples);
        const FormatCore::ParameterUnits port = FormatCore::describeParameter(*plug, index, *samples, 0.0f);
        ASSERT_EQ(port.kind, FormatCore::ParameterUnits::toggle) << name;
        for (auto [portValue, text] : {std::pair{1.0f, "on"}, {0.0f, "off"}, {0.5f, "on"}, {-1.0f, "off"}}) {
            float v = -1.0f;
            ASSERT_TRUE(FormatCore::normalizedFor(*plug, index, port, *samples, portValue, v));
            EXPECT_EQ(v, render::valueForText(*hosted, index, text)) << name << " port " << portValue;
            ASSERT_TRUE(FormatCore::ValueTable(*plug, index, port, *samples).normalizedFor(portValue, v));
            EXPECT_EQ(v, render::valueForText(*hosted, index, text)) << name << " table " << portValue;
        }
    }
    EXPECT_EQ(compared, 4 * 40 + 9 + 7 + 6 + 6);
}

TEST(Lv2Instance, ProcessesWithoutAnyHostFeatureAndReportsItsLatencyFromTheFirstRun) {
    REQUIRE_BUNDLE();
    Instance o(nullptr);
    ASSERT_TRUE(o.valid());
    fillSignal(o, 256, 0.5, 1);
    o.run(256);
    EXPECT_EQ(o.latency, 1.0f);
    float peak = 0.0f;
    for (uint32_t c = 0; c < 2; ++c)
        for (uint32_t i = 0; i < 256; ++i) {
            ASSERT_TRUE(std::isfinite(o.out[c][i]));
            peak = std::max(peak, std::fabs(o.out[c][i]));
        }
    EXPECT_GT(peak, 0.1f);
    StoredState state;
    EXPECT_EQ(o.save(state), LV2_STATE_ERR_NO_FEATURE);
    EXPECT_EQ(o.restore(state), LV2_STATE_ERR_NO_FEATURE);
}

// A host that switches the VST on before each render (as an editor's Apply
// does) gets the renderer's samples from the first frame, every time: the
// edition settles on its settings at switch on, as the LV2 and the renderer do.
TEST(VstEdition, SoundsLikeTheRendererFromTheFirstFrameAfterEachSwitchOn) {
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    constexpr int kFrames = 2048, kBlock = 512;
    render::AudioData input, rendered;
    input.resize(kFrames);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (auto& channel : input.channel)
        for (double& x : channel) x = noise(random);
    auto renderer = vsthost::Plugin::create(library, nullptr, error);
    ASSERT_TRUE(renderer) << error;
    render::valueForText(*renderer, 0, "6");  // input +6 dB
    renderer->prepare(44100.0f, kBlock);
    render::renderThrough(*renderer, input, rendered, {});

    auto vst = vsthost::Plugin::create(library, nullptr, error);
    ASSERT_TRUE(vst) << error;
    render::valueForText(*vst, 0, "6");
    vst->configure(44100.0f, kBlock);
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        in[c].assign(input.channel[c].begin(), input.channel[c].end());
        out[c].assign(kFrames, 0.0f);
    }
    for (int round = 0; round < 2; ++round) {
        vst->switchOn();
        for (int at = 0; at < kFrames; at += kBlock) {
            float* inputs[2] = {in[0].data() + at, in[1].data() + at};
            float* outputs[2] = {out[0].data() + at, out[1].data() + at};
            ASSERT_TRUE(vst->processReplacing(inputs, outputs, kBlock));
        }
        vst->switchOff();
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kFrames; ++i)
                ASSERT_EQ(out[c][i], static_cast<float>(rendered.channel[c][i])) << "round " << round << " frame " << i;
    }
}

// A rate the chain is not made for is refused at instantiation: a NaN or
// negative one would make the settle at activation endless, a huge one take minutes.
TEST(Lv2Instance, RefusesRatesTheChainCannotServe) {
    REQUIRE_BUNDLE();
    for (double rate : {double(NAN), -44100.0, 0.0, 999.0, 1.0e9, double(INFINITY)})
        EXPECT_FALSE(Instance(nullptr, rate, false).valid()) << rate;
    for (double rate : {1000.0, 8000.0, 384000.0}) EXPECT_TRUE(Instance(nullptr, rate, false).valid()) << rate;
}

// Hosts run blocks of any length, including none and more than the wrapper's
// piece, in separate or shared buffers: all give the same samples.
TEST(Lv2Instance, GivesTheSameSamplesInPlaceAndForAnyBlockLengths) {
    REQUIRE_BUNDLE();
    Instance apart(nullptr), shared(nullptr), whole(nullptr);
    for (Instance* o : {&apart, &shared, &whole}) {
        o->controls[0] = 12.0f;  // input
        o->controls[1] = 1.0f;   // warm
    }
    const uint32_t lengths[] = {1, 0, 37, 2500, 512, 3};
    const uint32_t total = 3053;
    fillSignal(whole, total, 0.8, 5);
    whole.run(total);
    uint32_t at = 0;
    for (uint32_t n : lengths) {
        for (Instance* o : {&apart, &shared})
            for (uint32_t c = 0; c < 2; ++c) std::copy(whole.in[c].begin() + at, whole.in[c].begin() + at + n, o->in[c].begin());
        apart.run(n);
        shared.run(n, {}, true);
        for (uint32_t c = 0; c < 2; ++c) {
            ASSERT_EQ(std::memcmp(apart.out[c].data(), shared.out[c].data(), n * sizeof(float)), 0) << "block " << n;
            ASSERT_EQ(std::memcmp(apart.out[c].data(), whole.out[c].data() + at, n * sizeof(float)), 0) << "block " << n;
        }
        at += n;
    }
    EXPECT_EQ(at, total);

    // A bypass fade starts from the same dry history whatever the blocks before it.
    fillSignal(whole, 64, 0.5, 6);
    for (Instance* o : {&apart, &shared})
        for (uint32_t c = 0; c < 2; ++c) std::copy(whole.in[c].begin(), whole.in[c].begin() + 64, o->in[c].begin());
    for (Instance* o : {&apart, &shared, &whole}) o->enabled = 0.0f;
    whole.run(64);
    apart.run(64);
    shared.run(64, {}, true);
    for (uint32_t c = 0; c < 2; ++c) {
        EXPECT_EQ(std::memcmp(apart.out[c].data(), whole.out[c].data(), 64 * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(shared.out[c].data(), whole.out[c].data(), 64 * sizeof(float)), 0);
    }
}

// The host's bypass: the dry signal one sample late (the latency stays), reached
// and left through a short fade, the processed signal exactly once it is back.
TEST(Lv2Instance, BypassKeepsTheLatencyAndFadesWithoutAJump) {
    REQUIRE_BUNDLE();
    Instance bypassed(nullptr, 44100.0, false), reference(nullptr, 44100.0, false);
    for (Instance* o : {&bypassed, &reference}) o->controls[0] = 20.0f;
    bypassed.enabled = 0.0f;  // bypassed from the start: no fade at all
    bypassed.activate();
    reference.activate();
    float lastDry[2] = {0.0f, 0.0f};
    for (int block = 0; block < 3; ++block) {
        fillSignal(bypassed, 1000, 0.9, 7 * block);
        fillSignal(reference, 1000, 0.9, 7 * block);
        bypassed.run(1000);
        reference.run(1000);
        for (uint32_t c = 0; c < 2; ++c) {
            EXPECT_EQ(bypassed.out[c][0], lastDry[c]);
            for (uint32_t i = 1; i < 1000; ++i) ASSERT_EQ(bypassed.out[c][i], bypassed.in[c][i - 1]) << i;
            lastDry[c] = bypassed.in[c][999];
        }
    }
    bypassed.enabled = 1.0f;  // back on: a fade of about 5 ms (221 frames at 44.1 kHz)
    fillSignal(bypassed, 1000, 0.9, 99);
    fillSignal(reference, 1000, 0.9, 99);
    bypassed.run(1000);
    reference.run(1000);
    for (uint32_t c = 0; c < 2; ++c) {
        for (uint32_t i = 1; i < 221; ++i) {
            const float dry = bypassed.in[c][i - 1], wet = reference.out[c][i];
            EXPECT_LE(bypassed.out[c][i], std::max(dry, wet) + 1e-6f) << i;
            EXPECT_GE(bypassed.out[c][i], std::min(dry, wet) - 1e-6f) << i;
        }
        for (uint32_t i = 230; i < 1000; ++i) ASSERT_EQ(bypassed.out[c][i], reference.out[c][i]) << i;
    }
}

TEST(Lv2State, IsTheVstBankChunkAndRefusesDamagedOrForeignOnesWithoutChangingAnything) {
    REQUIRE_BUNDLE();
    UridMap map;
    Instance o(&map);
    o.controls[0] = 6.0f;  // input
    o.controls[2] = -3.0f;  // limit
    o.run(16);
    const std::vector<uint8_t> saved = chunkOf(o, map);

    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    auto hosted = vsthost::Plugin::create(library, nullptr, error);
    ASSERT_TRUE(hosted) << error;
    render::valueForText(*hosted, 0, "6");
    render::valueForText(*hosted, 2, "-3");
    EXPECT_EQ(saved, hosted->getChunk(false));  // byte for byte, so a chunk moves between the formats

    Instance fresh(&map);
    const std::vector<uint8_t> before = chunkOf(fresh, map);
    ASSERT_NE(before, saved);
    const uint32_t chunkType = map.id("http://lv2plug.in/ns/ext/atom#Chunk");
    auto withBytes = [&](std::vector<uint8_t> bytes, uint32_t type) {
        StoredState state;
        state.properties[map.id(kChunkKey)] = {std::move(bytes), type};
        return state;
    };
    std::vector<uint8_t> foreign = saved;
    const size_t nameAt = PlugCore::chunk::kHeaderSize + 1;  // the name record follows the header
    ASSERT_EQ(foreign[nameAt - 1], PlugCore::chunk::tagPluginName);
    std::memcpy(&foreign[nameAt], "Other", 6);
    std::vector<uint8_t> later = saved;
    later[4] = 6;
    std::vector<uint8_t> badTag = saved;
    badTag[badTag.size() - 4] = 9;
    const struct {
        const char* what;
        StoredState state;
        LV2_State_Status status;
    } refused[] = {
        {"truncated", withBytes(std::vector<uint8_t>(saved.begin(), saved.end() - 2), chunkType), LV2_STATE_ERR_UNKNOWN},
        {"header only", withBytes(std::vector<uint8_t>(saved.begin(), saved.begin() + 5), chunkType), LV2_STATE_ERR_UNKNOWN},
        {"empty", withBytes({}, chunkType), LV2_STATE_ERR_UNKNOWN},
        {"foreign", withBytes(foreign, chunkType), LV2_STATE_ERR_UNKNOWN},
        {"later version", withBytes(later, chunkType), LV2_STATE_ERR_UNKNOWN},
        {"unknown record", withBytes(badTag, chunkType), LV2_STATE_ERR_UNKNOWN},
        {"other type", withBytes(saved, map.id("http://lv2plug.in/ns/ext/atom#String")), LV2_STATE_ERR_BAD_TYPE},
        {"no property", StoredState{}, LV2_STATE_ERR_NO_PROPERTY},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(fresh.restore(r.state), r.status) << r.what;
        EXPECT_EQ(chunkOf(fresh, map), before) << r.what;
    }
    // Every cut of the bank, on a record boundary or not, is refused whole.
    for (size_t n = 0; n < saved.size(); ++n) {
        ASSERT_EQ(fresh.restore(withBytes(std::vector<uint8_t>(saved.begin(), saved.begin() + n), chunkType)),
                  LV2_STATE_ERR_UNKNOWN) << "cut at " << n;
        ASSERT_EQ(chunkOf(fresh, map), before) << "cut at " << n;
    }
    EXPECT_EQ(fresh.restore(withBytes(saved, chunkType)), LV2_STATE_SUCCESS);
    EXPECT_EQ(chunkOf(fresh, map), saved);
}

// MIDI as in the VST: a bound controller moves its parameter on any channel,
// events at odd times (late, out of order) still act, and without a URID map
// the MIDI port is ignored.
TEST(Lv2Midi, BoundControllersMoveTheirParameter) {
    REQUIRE_BUNDLE();
    UridMap map;
    Instance o(&map);
    std::vector<uint8_t> chunk = chunkOf(o, map);
    // Bind controller 7 to parameter 1 (warm): the mapping records close the chunk.
    const size_t mapping = chunk.size() - 7 * 4 + 1 * 4;
    ASSERT_EQ(chunk[mapping], PlugCore::chunk::tagMapping);
    ASSERT_EQ(chunk[mapping + 1], 1);
    chunk[mapping + 2] = 0x07;
    chunk[mapping + 3] = 0xB0;
    StoredState state;
    state.properties[map.id(kChunkKey)] = {chunk, map.id("http://lv2plug.in/ns/ext/atom#Chunk")};
    ASSERT_EQ(o.restore(state), LV2_STATE_SUCCESS);

    auto warmRecord = [&]() {
        const std::vector<uint8_t> now = chunkOf(o, map);
        const size_t live = now.size() - 7 * 4 - 7 * 4 + 1 * 4;  // the live value records precede the mappings
        EXPECT_EQ(now[live], PlugCore::chunk::tagValue);
        return PlugCore::chunk::readU16(&now[live + 2]);
    };
    o.run(64, {{10, {0xB4, 7, 127}}, {3, {0xB0, 120, 0}}, {500, {0xB0, 123, 0}}});
    EXPECT_EQ(warmRecord(), 64000);
    o.run(64, {{0, {0xB9, 7, 0}}});
    EXPECT_EQ(warmRecord(), 0);
    o.run(0, {{0, {0xB2, 7, 127}}});  // a call without audio still takes its events
    EXPECT_EQ(warmRecord(), 64000);
}

// The editor's learn requests arrive as atoms on the MIDI input; the DSP tells
// the editor of every binding and learn state on its notify output.
TEST(Lv2Midi, LearnsForTheEditorAndTellsItOfEveryBinding) {
    REQUIRE_BUNDLE();
    UridMap map;
    Instance o(&map);
    o.run(16);
    auto count = [&](const std::string& type) {
        return std::count_if(o.notices.begin(), o.notices.end(), [&](const auto& n) { return n.type == type; });
    };
    EXPECT_EQ(count("binding"), 7);  // the first run tells everything
    EXPECT_EQ(count("learnTarget"), 1);
    o.run(16);
    EXPECT_TRUE(o.notices.empty());  // then only changes

    o.run(16, {}, false, {{"learn", 3}});
    ASSERT_EQ(o.notices.size(), 1u);
    EXPECT_EQ(o.notices[0].type, "learnTarget");
    EXPECT_EQ(o.notices[0].values, std::vector<int32_t>{3});
    o.run(16, {{4, {0xB2, 21, 127}}});  // controller 21 on channel 3 completes it
    ASSERT_EQ(o.notices.size(), 2u);
    EXPECT_EQ(o.notices[0].type, "binding");
    EXPECT_EQ(o.notices[0].values, (std::vector<int32_t>{3, static_cast<int16_t>(0xB015)}));
    EXPECT_EQ(o.notices[1].type, "learnTarget");
    EXPECT_EQ(o.notices[1].values, std::vector<int32_t>{-1});
    const std::vector<uint8_t> chunk = chunkOf(o, map);
    EXPECT_EQ(PlugCore::chunk::readU16(&chunk[chunk.size() - 7 * 4 + 3 * 4 + 2]), 0xB015);

    o.run(16, {}, false, {{"unlearn", 3}, {"learn", 99}, {"unlearn", -5}});  // out-of-range ones change nothing
    ASSERT_EQ(o.notices.size(), 1u);
    EXPECT_EQ(o.notices[0].values, (std::vector<int32_t>{3, -1}));
    o.run(16, {}, false, {{"hello", 0}});  // an editor that opens hears everything again
    EXPECT_EQ(count("binding"), 7);
}

TEST(Lv2Lamps, ShowClippingAndFallBackOnSilence) {
    REQUIRE_BUNDLE();
    Instance o(nullptr);
    o.controls[0] = 20.0f;  // input +20 dB into the clipper
    for (int block = 0; block < 10; ++block) {
        fillSignal(o, 512, 0.9, block);
        o.run(512);
    }
    EXPECT_GT(o.lamps[0], 0.1f);
    EXPECT_GT(o.lamps[1], 0.1f);
    const float lit = o.lamps[0];
    for (auto& c : o.in) std::fill(c.begin(), c.end(), 0.0f);
    for (int block = 0; block < 40; ++block) o.run(512);
    EXPECT_LT(o.lamps[0], lit * 0.5f);
}

}  // namespace
