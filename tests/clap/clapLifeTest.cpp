// The CLAP edition through its library, as a host loads it: entry and
// factory, extensions, the life cycle across threads, sample-accurate events
// and the state streams. Natively and, under Wine, in the Windows builds.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "tests/clap/clapSignals.h"

namespace {

using claptest::EventList;
using claptest::Instance;
using claptest::kInput;
using claptest::kLimit;
using claptest::noise;
using claptest::Stereo;

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

}  // namespace
