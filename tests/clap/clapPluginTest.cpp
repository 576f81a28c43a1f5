// The CLAP edition through its library, as a host loads it: entry and
// factory, extensions, parameters against the VST 2 build's display, the life
// cycle across threads, sample-accurate events, the state streams, and the
// samples orvalt-render writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#include "tests/clap/clapTestHost.h"
#include "tools/render/audioData.h"
#include "tools/render/audioFile.h"
#include "tools/render/parameterValues.h"
#include "tools/vsthost/vsthost.h"

namespace {

using claptest::EventList;
using claptest::Instance;

#define REQUIRE_LIBRARY()                                    \
    do {                                                     \
        std::string why;                                     \
        if (!claptest::entry(&why)) GTEST_FAIL() << why;     \
    } while (0)

constexpr clap_id kInput = 0, kWarm = 1, kLimit = 2;

struct Stereo {
    std::vector<float> channel[2];
    float* pointers[2];
    explicit Stereo(size_t frames) {
        for (int c = 0; c < 2; ++c) channel[c].assign(frames, 0.0f), pointers[c] = channel[c].data();
    }
    Stereo(const Stereo& o) : channel{o.channel[0], o.channel[1]}, pointers{channel[0].data(), channel[1].data()} {}
};

// A loud, busy signal that drives the clipper hard.
Stereo noise(size_t frames, uint32_t seed) {
    Stereo s(frames);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> x(-1.0f, 1.0f);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < frames; ++i)
            s.channel[c][i] = 0.8f * std::sin(0.013f * static_cast<float>(i) + static_cast<float>(c)) + 0.3f * x(random);
    return s;
}

std::unique_ptr<vsthost::Plugin> vst2Build() {
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    if (!library) return nullptr;
    return vsthost::Plugin::create(library, nullptr, error);
}

TEST(ClapEntry, DescribesOnePluginCreatesOnlyItAndOffersItsExtensions) {
    REQUIRE_LIBRARY();
    const clap_plugin_entry_t* e = claptest::entry();
    EXPECT_EQ(e->clap_version.major, 1u);
    EXPECT_EQ(e->get_factory("clap.preset-discovery-factory/2"), nullptr);
    const auto* factory = static_cast<const clap_plugin_factory_t*>(e->get_factory(CLAP_PLUGIN_FACTORY_ID));
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
    EXPECT_STREQ(d->id, "com.quillmarsh.orvalt");
    EXPECT_STREQ(d->name, "Orvalt");
    EXPECT_STREQ(d->vendor, "Quillmarsh");
    EXPECT_STREQ(d->version, ORVALT_VERSION_TEXT);
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f; ++f) features.push_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "distortion", "limiter", "stereo"}));

    EXPECT_EQ(Instance("com.quillmarsh.other").plugin, nullptr);
    Instance o;
    ASSERT_TRUE(o.initialised);
    for (const char* id : {CLAP_EXT_PARAMS, CLAP_EXT_STATE, CLAP_EXT_LATENCY, CLAP_EXT_AUDIO_PORTS,
                           CLAP_EXT_NOTE_PORTS, CLAP_EXT_RENDER, CLAP_EXT_TAIL})
        EXPECT_NE(o.plugin->get_extension(o.plugin, id), nullptr) << id;
    EXPECT_EQ(o.plugin->get_extension(o.plugin, "clap.voice-info"), nullptr);
    EXPECT_EQ(o.extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY)->get(o.plugin), 1u);
    EXPECT_EQ(o.extension<clap_plugin_tail_t>(CLAP_EXT_TAIL)->get(o.plugin), 0u);

    const auto* audio = o.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    for (bool input : {true, false}) {
        ASSERT_EQ(audio->count(o.plugin, input), 1u);
        clap_audio_port_info_t port;
        ASSERT_TRUE(audio->get(o.plugin, 0, input, &port));
        EXPECT_EQ(port.channel_count, 2u);
        EXPECT_STREQ(port.port_type, "stereo");
        EXPECT_EQ(port.in_place_pair, 0u);
        EXPECT_TRUE(port.flags & CLAP_AUDIO_PORT_IS_MAIN);
        EXPECT_FALSE(audio->get(o.plugin, 1, input, &port));
    }
    const auto* notes = o.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    ASSERT_EQ(notes->count(o.plugin, true), 1u);
    EXPECT_EQ(notes->count(o.plugin, false), 0u);
    clap_note_port_info_t port;
    ASSERT_TRUE(notes->get(o.plugin, 0, true, &port));
    EXPECT_EQ(port.supported_dialects, static_cast<uint32_t>(CLAP_NOTE_DIALECT_MIDI));
    EXPECT_EQ(port.preferred_dialect, static_cast<uint32_t>(CLAP_NOTE_DIALECT_MIDI));
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

// init and activate on the main thread, process on an audio thread of the
// host's, a state load from the main thread while it plays; then once more at
// another rate.
TEST(ClapLifeCycle, ProcessesOnAnotherThreadAcrossReactivationAndStateLoads) {
    REQUIRE_LIBRARY();
    Instance o;
    Stereo in = noise(512, 1), out(512);
    EXPECT_EQ(o.process(in.pointers, out.pointers, 512, EventList()), CLAP_PROCESS_ERROR);  // not active
    std::vector<uint8_t> bank;
    ASSERT_TRUE(o.save(bank));
    for (double rate : {44100.0, 96000.0}) {
        ASSERT_TRUE(o.activate(rate, 512));
        std::atomic<bool> stop{false};
        double energy = 0.0;
        std::thread audio([&] {
            ASSERT_TRUE(o.plugin->start_processing(o.plugin));
            for (int k = 0; k < 400 && !(stop && k > 40); ++k) {
                EXPECT_EQ(o.process(in.pointers, out.pointers, 512, EventList()), CLAP_PROCESS_CONTINUE);
                for (float x : out.channel[0]) energy += static_cast<double>(x) * x;
            }
            o.plugin->stop_processing(o.plugin);
        });
        for (int k = 0; k < 20; ++k) EXPECT_TRUE(o.load(bank));
        stop = true;
        audio.join();
        EXPECT_GT(energy, 1.0);
        EXPECT_TRUE(std::isfinite(energy));
        o.deactivate();
    }
}

// A change at frame k of a block acts from frame k on: the same samples as
// blocks split at k with the change between them.
TEST(ClapProcess, SplitsTheBlockAtEachParameterEventAndTakesMidiInPlace) {
    REQUIRE_LIBRARY();
    const uint32_t frames = 1500;
    const Stereo in = noise(frames, 7);
    auto run = [&](const std::vector<std::pair<uint32_t, uint32_t>>& blocks, const EventList* within) {
        Instance o;
        o.activate(48000.0);
        Stereo out(frames);
        if (within) {
            Stereo copy = in;  // in place: the output overwrites the input
            o.process(copy.pointers, copy.pointers, frames, *within);
            return copy.channel[0];
        }
        uint32_t at = 0;
        for (auto [length, step] : blocks) {
            EventList events;
            if (step == 1) events.param(0, kLimit, 0.2);
            if (step == 2) events.param(0, kInput, 0.9);
            float* i[2] = {const_cast<float*>(in.channel[0].data()) + at, const_cast<float*>(in.channel[1].data()) + at};
            float* p[2] = {out.pointers[0] + at, out.pointers[1] + at};
            o.process(i, p, length, events);
            at += length;
        }
        return out.channel[0];
    };
    EventList twoChanges;
    twoChanges.param(300, kLimit, 0.2);
    twoChanges.param(1100, kInput, 0.9);
    twoChanges.midi(frames, 0xB0, 120, 0);  // all sound off, after the last sample: acts after the audio
    const auto split = run({{300, 0}, {800, 1}, {400, 2}}, nullptr);
    EXPECT_EQ(run({}, &twoChanges), split);
    EXPECT_NE(run({{1, 0}, {299, 1}, {800, 0}, {400, 2}}, nullptr), split);  // a change one block early shows

    // reset forgets the signal: the sample held back by the latency is gone.
    Instance o;
    o.activate(48000.0);
    Stereo loud = noise(64, 3), silence(64);
    o.process(loud.pointers, loud.pointers, 64, EventList());
    o.plugin->reset(o.plugin);
    o.process(silence.pointers, silence.pointers, 64, EventList());
    EXPECT_EQ(silence.channel[0][0], 0.0f);
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
