// The CLAP edition against the VST 2 build and the renderer: parameters
// against the VST 2 build's display, the state as its bank chunk, and the
// samples orvalt-render writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#include "tests/clap/clapSignals.h"
#include "tests/clap/clapTestHost.h"
#include "tools/render/audioData.h"
#include "tools/render/audioFile.h"
#include "tools/render/parameterValues.h"
#include "tools/vsthost/vsthost.h"

namespace {

using claptest::EventList;
using claptest::Instance;

using claptest::kInput;
using claptest::kLimit;
using claptest::kWarm;
using claptest::noise;
using claptest::Stereo;

std::unique_ptr<vsthost::Plugin> vst2Build() {
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    if (!library) return nullptr;
    return vsthost::Plugin::create(library, nullptr, error);
}

// Values are the product's own 0..1; texts are the VST 2 build's display, and
// a typed text lands on the float the renderer's --set finds.
TEST(ClapParams, ShowTheVst2DisplayAndReadTextsAsTheRendererDoes) {
    REQUIRE_LIBRARY();
    auto vst2 = vst2Build();
    ASSERT_TRUE(vst2);
    Instance o;
    ASSERT_EQ(o.params->count(o.plugin), 7u);
    const char* names[] = {"Input", "Warm", "Limit", "Bass", "Clip", "Drive", "Makeup"};
    for (uint32_t i = 0; i < 7; ++i) {
        clap_param_info_t info;
        ASSERT_TRUE(o.params->get_info(o.plugin, i, &info));
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, names[i]);
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_EQ(static_cast<float>(info.default_value), vst2->getParameter(static_cast<VstInt32>(i))) << names[i];
        for (double v : {0.0, 0.1, 0.37, 0.5, 0.999, 1.0}) {
            vst2->setParameter(static_cast<VstInt32>(i), static_cast<float>(v));
            EXPECT_EQ(o.textOf(i, v), vst2->parameterDisplay(static_cast<VstInt32>(i))) << names[i] << " " << v;
        }
    }
    clap_param_info_t info;
    EXPECT_FALSE(o.params->get_info(o.plugin, 7, &info));
    const struct {
        clap_id id;
        const char* text;
    } typed[] = {{kInput, "6"}, {kInput, "13.37"}, {kLimit, "-3"}, {kLimit, "-3 dB"}, {kWarm, "on"}, {kWarm, "off"}};
    for (const auto& t : typed)
        EXPECT_EQ(static_cast<float>(o.valueFor(t.id, t.text)), render::valueForText(*vst2, static_cast<int>(t.id), t.text))
            << t.text;
    EXPECT_TRUE(std::isnan(o.valueFor(kWarm, "sideways")));
    EXPECT_TRUE(std::isnan(o.valueFor(7, "1")));
    EXPECT_EQ(o.textOf(7, 0.5), "(refused)");
    double value;
    EXPECT_FALSE(o.params->get_value(o.plugin, 7, &value));

    // Outside processing the host hands changes over through flush.
    EventList change;
    change.param(0, kLimit, 0.25);
    change.param(0, 99, 0.5);  // an id that is none of ours: ignored
    o.flush(change);
    ASSERT_TRUE(o.params->get_value(o.plugin, kLimit, &value));
    EXPECT_EQ(value, 0.25);
}

// The state is the VST 2 bank chunk, through streams that move as little as
// one byte per call; a damaged or unreadable state changes nothing.
TEST(ClapState, IsTheVst2BankThroughShortStreamsAndRefusesDamage) {
    REQUIRE_LIBRARY();
    auto vst2 = vst2Build();
    ASSERT_TRUE(vst2);
    Instance o;
    EventList changes;
    changes.param(0, kInput, 0.3);
    changes.param(0, kWarm, 1.0);
    changes.param(0, kLimit, 0.6);
    o.flush(changes);
    vst2->setParameter(kInput, 0.3f);
    vst2->setParameter(kWarm, 1.0f);
    vst2->setParameter(kLimit, 0.6f);
    std::vector<uint8_t> whole, byBytes;
    ASSERT_TRUE(o.save(whole));
    ASSERT_TRUE(o.save(byBytes, 1));
    EXPECT_EQ(byBytes, whole);
    EXPECT_EQ(whole, vst2->getChunk(false));

    for (size_t step : {size_t(1), size_t(7), SIZE_MAX}) {
        Instance fresh;
        ASSERT_TRUE(fresh.load(whole, step)) << step;
        std::vector<uint8_t> again;
        ASSERT_TRUE(fresh.save(again));
        EXPECT_EQ(again, whole) << step;
    }

    Instance target;
    std::vector<uint8_t> before;
    ASSERT_TRUE(target.save(before));
    std::vector<uint8_t> flipped = whole, cut(whole.begin(), whole.end() - 3), empty;
    flipped[0] ^= 0x40;
    EXPECT_FALSE(target.load(flipped));
    EXPECT_FALSE(target.load(cut, 5));
    EXPECT_FALSE(target.load(empty));
    EXPECT_FALSE(target.load(whole, 16, whole.size() / 2));  // the stream fails halfway
    std::vector<uint8_t> after;
    ASSERT_TRUE(target.save(after));
    EXPECT_EQ(after, before);
}

// orvalt-render's samples, bit for bit: the same input and settings through
// the CLAP build in blocks of another length, its one sample of latency removed.
TEST(ClapRender, GivesOrvaltRendersSamples) {
    REQUIRE_LIBRARY();
    const std::string dir = ORVALT_BINARY_DIR "/tests/clap/render";
    const std::string command = "mkdir -p " + dir + " && " ORVALT_RENDER " --plugin " ORVALT_PLUGIN_PATH
                                " --quiet --bits float --rate 48000 --set input=9 --set warm=on --set limit=-4"
                                " --demo " + dir + "/out.wav";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    auto read = [](const std::string& path) {
        render::AudioData data;
        render::AudioReader reader(path);
        data.sampleRate = reader.sampleRate();
        data.resize(static_cast<size_t>(reader.declaredFrames()));
        reader.read(data.channel[0].data(), data.channel[1].data(), data.frames());
        return data;
    };
    const render::AudioData input = read(dir + "/out-input.wav"), rendered = read(dir + "/out.wav");
    ASSERT_EQ(input.frames(), rendered.frames());

    Instance o;
    EventList settings;
    for (auto [id, text] : {std::pair<clap_id, const char*>{kInput, "9"}, {kWarm, "on"}, {kLimit, "-4"}})
        settings.param(0, id, o.valueFor(id, text));
    o.flush(settings);
    ASSERT_TRUE(o.activate(48000.0, 700));
    const size_t frames = input.frames();
    Stereo in(frames), out(frames);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < frames; ++i) in.channel[c][i] = static_cast<float>(input.channel[c][i]);
    for (size_t at = 0; at < frames; at += 700) {
        const auto n = static_cast<uint32_t>(std::min<size_t>(700, frames - at));
        float* i[2] = {in.pointers[0] + at, in.pointers[1] + at};
        float* p[2] = {out.pointers[0] + at, out.pointers[1] + at};
        ASSERT_EQ(o.process(i, p, n, EventList()), CLAP_PROCESS_CONTINUE);
    }
    size_t differing = 0;
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i + 1 < frames; ++i)
            differing += out.channel[c][i + 1] != static_cast<float>(rendered.channel[c][i]);
    EXPECT_EQ(differing, 0u) << "of " << 2 * (frames - 1) << " samples";
}

}  // namespace
