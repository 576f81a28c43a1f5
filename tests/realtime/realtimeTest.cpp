// Nothing on the audio thread allocates, locks, waits, touches files or
// sleeps: proven by running every check of the validator on Orvalt with the
// audio-thread watch around each process call. The detector is proven first,
// on deliberate calls in this test and inside a dlopen'ed plug-in.
#include "tests/clap/clapTestHost.h"
#include "tests/lv2/lv2TestSupport.h"
#include "tools/vst3host/vst3host.h"
#include "vst3/parameterIds.h"
#include "tests/realtime/audioThreadWatch.h"
#include "tools/validator/check.h"
#include "tools/validator/context.h"
#include "tools/validator/rig.h"
#include "tools/validator/runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// Arms the watch for the lifetime of the object, from a clean count.
struct Armed {
    Armed() {
        rtwatch::reset();
        rtwatch::arm(true);
    }
    ~Armed() { rtwatch::arm(false); }
};

class WatchProcessCalls : public validator::ProcessObserver {
public:
    void enter() override { rtwatch::enterSection(); }
    void leave() override { rtwatch::leaveSection(); }
};

// Keeps the optimiser from removing a deliberate allocation.
void* volatile keep;

TEST(AudioThreadWatch, CountsDeliberateCallsInsideASection) {
    Armed armed;
    std::mutex m;
    rtwatch::enterSection();
    keep = std::malloc(32);
    std::free(keep);
    int* volatile p = new int(3);
    delete p;
    m.lock();
    m.unlock();
    int fd = open("/dev/null", O_WRONLY);
    rtwatch::leaveSection();
    rtwatch::Counts c = rtwatch::counts();
    EXPECT_EQ(c[rtwatch::Sin::allocation], 2u) << c.describe();
    EXPECT_EQ(c[rtwatch::Sin::release], 2u);
    EXPECT_EQ(c[rtwatch::Sin::lock], 1u);
    EXPECT_EQ(c[rtwatch::Sin::file], 1u);
    if (fd >= 0) close(fd);
}

TEST(AudioThreadWatch, IgnoresCallsOutsideASectionAndOnOtherThreads) {
    std::atomic<int> step{0};
    std::thread other([&] {  // allocates while the main thread is in a section
        while (step.load() != 1) std::this_thread::yield();
        keep = std::malloc(64);
        std::free(keep);
        step.store(2);
    });
    Armed armed;
    keep = std::malloc(32);  // not in a section
    std::free(keep);
    rtwatch::enterSection();
    step.store(1);
    while (step.load() != 2) std::this_thread::yield();
    rtwatch::leaveSection();
    rtwatch::arm(false);
    other.join();
    EXPECT_EQ(rtwatch::counts()[rtwatch::Sin::allocation], 0u) << rtwatch::counts().describe();
}

std::unique_ptr<validator::Rig> preparedRig(validator::Context& context) {
    std::string error;
    auto rig = validator::Rig::createPrepared(context, error, 44100.0f, 256);
    EXPECT_TRUE(rig) << error;
    return rig;
}

TEST(AudioThreadWatch, SeesCallsMadeInsideADlopenedPlugin) {
    WatchProcessCalls watch;
    validator::Context sinner(FAKE_SINS_PATH, {});
    sinner.setProcessObserver(&watch);
    auto rig = preparedRig(sinner);
    ASSERT_TRUE(rig);
    {
        Armed armed;
        rig->render(validator::inputSignal(*rig, 1024, 1), {256});
        rtwatch::Counts c = rtwatch::counts();
        EXPECT_EQ(c[rtwatch::Sin::allocation], 4u) << c.describe();  // one per block
        EXPECT_EQ(c[rtwatch::Sin::lock], 4u);
        EXPECT_GE(c[rtwatch::Sin::file], 8u);  // open and close
    }
    validator::Context clean(FAKE_CORRECT_PATH, {});
    clean.setProcessObserver(&watch);
    auto cleanRig = preparedRig(clean);
    ASSERT_TRUE(cleanRig);
    Armed armed;
    cleanRig->render(validator::inputSignal(*cleanRig, 1024, 1), {256});
    EXPECT_EQ(rtwatch::counts().total(), 0u) << rtwatch::counts().describe();
}

// Every check of the validator, in this process, with the watch on every
// process call and event delivery.
TEST(OrvaltAudioThread, NeverAllocatesLocksOrTouchesFilesInAnyValidatorCheck) {
    WatchProcessCalls watch;
    validator::Context context(ORVALT_PLUGIN_PATH, {});
    context.setProcessObserver(&watch);
    for (const validator::Check& check : validator::allChecks()) {
        // Processing before the first switch-on may allocate the buffers
        // once, lazily; it has its own test below.
        if (std::string(check.name) == "process-before-resume") continue;
        Armed armed;
        validator::CheckResult r = validator::runCheck(check, context);
        EXPECT_NE(r.outcome, validator::Outcome::fail) << check.name << ": " << r.detail;
        EXPECT_EQ(rtwatch::counts().total(), 0u) << check.name << ": " << rtwatch::counts().describe();
    }
}

TEST(OrvaltAudioThread, ProcessingBeforeSwitchOnAllocatesOnceAtMost) {
    WatchProcessCalls watch;
    validator::Context context(ORVALT_PLUGIN_PATH, {});
    context.setProcessObserver(&watch);
    std::string error;
    auto rig = validator::Rig::create(context, error);
    ASSERT_TRUE(rig) << error;
    Armed armed;
    rig->render(validator::testSignal(2, 2048, 44100.0, 1), {256});
    rtwatch::Counts c = rtwatch::counts();
    EXPECT_LE(c[rtwatch::Sin::allocation], 1u) << c.describe();
    EXPECT_EQ(c[rtwatch::Sin::release] + c[rtwatch::Sin::lock] + c[rtwatch::Sin::wait] + c[rtwatch::Sin::file] +
                  c[rtwatch::Sin::sleep],
              0u)
        << c.describe();
}

}  // namespace

namespace {

// The LV2 edition's run: port changes (each one a display search), MIDI,
// bypass fades, blocks with and without audio, all inside the watch.
TEST(OrvaltAudioThread, Lv2RunNeverAllocatesLocksOrTouchesFiles) {
    lv2test::UridMap map;
    lv2test::Instance o(&map);
    ASSERT_TRUE(o.valid());
    o.aroundRun = [](bool entering) { entering ? rtwatch::enterSection() : rtwatch::leaveSection(); };
    o.run(64, {{1, {0xB0, 7, 1}}});  // the sequence's types are mapped before the watch starts
    Armed armed;
    for (int k = 0; k < 200; ++k) {
        o.controls[0] = 0.1f * static_cast<float>(k % 150);  // input
        o.controls[1] = static_cast<float>(k % 2);           // warm
        o.controls[2] = -0.05f * static_cast<float>(k);      // limit
        o.enabled = (k / 50) % 2 ? 0.0f : 1.0f;
        for (auto& channel : o.in)
            for (size_t i = 0; i < channel.size(); ++i) channel[i] = 0.9f * std::sin(0.01f * static_cast<float>(i + k));
        const uint8_t data = static_cast<uint8_t>(k % 128);
        o.run(k % 7 == 0 ? 0 : 64 + 13 * k, {{5, {0xB0, 7, data}}, {9, {0xB0, 101, 0}}, {10, {0xB3, 123, 0}}});
    }
    EXPECT_EQ(rtwatch::counts().total(), 0u) << rtwatch::counts().describe();
}

// The VST 3 edition's process call: parameter points all over the block,
// bypass, program changes, mapped controllers, 32 and 64-bit, empty calls.
TEST(OrvaltAudioThread, Vst3ProcessNeverAllocatesLocksOrTouchesFiles) {
    std::string error;
    auto module = vst3host::Module::load(ORVALT_VST3_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    for (Vst3::int32 size : {Vst3::kSample32, Vst3::kSample64}) {
        auto e = vst3host::Effect::create(module, error);
        ASSERT_TRUE(e && e->start(48000, 2048, size)) << error;
        std::vector<float> f[4];
        std::vector<double> d[4];
        for (int c = 0; c < 4; ++c) f[c].resize(2048), d[c].resize(2048);
        Armed armed;
        for (int k = 0; k < 200; ++k) {
            const Vst3::int32 frames = k % 7 == 0 ? 0 : 64 + 9 * k;
            for (int i = 0; i < frames; ++i) f[0][i] = f[1][i] = static_cast<float>(d[0][i] = d[1][i] = std::sin(0.01 * (i + k)));
            vst3host::ParamChanges changes;
            changes.add(0, frames / 3, 0.005 * (k % 150));
            changes.add(1, frames / 2, k % 2);
            changes.add(2, 0, 0.3);
            changes.add(2, frames, 0.9);
            changes.add(Vst3Format::kBypassId, frames / 4, (k / 50) % 2);
            changes.add(Vst3Format::kProgramId, 1, (k / 40) % 8 / 7.0);
            changes.add(Vst3Format::kMidiIdBase + 7, 5, (k % 128) / 127.0);
            changes.add(Vst3Format::kMidiIdBase + 129, 6, 0.25);
            rtwatch::enterSection();
            if (size == Vst3::kSample32) {
                float* in[2] = {f[0].data(), f[1].data()};
                float* out[2] = {f[2].data(), f[3].data()};
                e->process(in, out, frames, &changes);
            } else {
                double* in[2] = {d[0].data(), d[1].data()};
                double* out[2] = {d[2].data(), d[3].data()};
                e->process(in, out, frames, &changes);
            }
            rtwatch::leaveSection();
        }
    }
    EXPECT_EQ(rtwatch::counts().total(), 0u) << rtwatch::counts().describe();
}

// The CLAP edition's process: parameter events splitting the blocks, MIDI,
// in-place buffers, blocks with and without audio, all inside the watch.
TEST(OrvaltAudioThread, ClapProcessNeverAllocatesLocksOrTouchesFiles) {
    claptest::Instance o;
    ASSERT_TRUE(o.initialised);
    ASSERT_TRUE(o.activate(48000.0, 2048));
    std::vector<float> left(2048), right(2048);
    float* io[2] = {left.data(), right.data()};
    std::vector<claptest::EventList> lists(200);
    for (int k = 0; k < 200; ++k) {
        lists[k].param(3, 0, 0.007 * (k % 140));
        lists[k].midi(5, 0xB0, 7, static_cast<uint8_t>(k % 128));
        lists[k].param(17, 2, 1.0 - 0.004 * k);
        lists[k].midi(30, 0xB3, 123, 0);
    }
    Armed armed;
    for (int k = 0; k < 200; ++k) {
        for (size_t i = 0; i < left.size(); ++i) left[i] = right[i] = 0.9f * std::sin(0.01f * static_cast<float>(i + k));
        rtwatch::enterSection();
        o.process(io, io, k % 7 == 0 ? 0 : static_cast<uint32_t>(40 + 9 * k), lists[k]);
        rtwatch::leaveSection();
    }
    EXPECT_EQ(rtwatch::counts().total(), 0u) << rtwatch::counts().describe();
}

}  // namespace
