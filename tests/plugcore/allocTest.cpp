// No heap allocation on the audio thread. The one stated exception: a host
// that never sends a block size gets the buffers allocated in a process call,
// tried once per switch-on. And a construction that runs out of memory gives
// back everything it took.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "product/Orvalt.h"
#include "tests/support/testHosts.h"

// This file replaces the global new and delete with malloc and free; the
// compiler cannot see that they belong together.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
std::atomic<size_t> refuseAbove{SIZE_MAX};  // nothrow requests above this size fail, like a full heap
std::atomic<int> failAt{0};     // while counting, this throwing allocation (1 for the first) fails; 0 never
std::atomic<int> releases{0};   // while counting
}  // namespace

void* operator new(std::size_t size) {
    if (counting.load(std::memory_order_relaxed) && allocations.fetch_add(1) + 1 == failAt.load())
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    if (size > refuseAbove.load(std::memory_order_relaxed)) return nullptr;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
void operator delete(void* p) noexcept {
    if (p && counting.load(std::memory_order_relaxed)) releases.fetch_add(1);
    std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

VstTimeInfo timeInfo{};
// A host that hands out timeInfo whenever the plug-in asks for the time.
Orvalt* createWithHostTime() {
    testhosts::setHostTime(&timeInfo);
    return new Orvalt(testhosts::timeHost);
}

TEST(AudioThread, ProcessingAllocatesNothingOnceABlockSizeWasSent) {
    timeInfo.tempo = 128;
    timeInfo.flags = kVstTempoValid | kVstTransportPlaying | kVstPpqPosValid;
    auto* plugin = createWithHostTime();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(256);
    plugin->resume();

    std::vector<float> l(1024, 0.8f), r(1024, -1.3f);
    std::vector<double> dl(1024, 0.8), dr(1024, -1.3);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {l.data(), r.data()};
    double* din[2] = {dl.data(), dr.data()};
    double* dout[2] = {dl.data(), dr.data()};

    std::vector<VstMidiEvent> midi(6);
    const unsigned char bytes[6][3] = {{0x90, 60, 100}, {0xB0, 7, 64}, {0xB3, 120, 0},
                                       {0xE0, 0, 64},   {0xB0, 123, 0}, {0x80, 60, 0}};
    for (int i = 0; i < 6; ++i) {
        midi[i].type = kVstMidiType;
        midi[i].byteSize = sizeof(VstMidiEvent);
        midi[i].deltaFrames = i * 40;
        for (int b = 0; b < 3; ++b) midi[i].midiData[b] = static_cast<char>(bytes[i][b]);
    }
    std::vector<unsigned char> storage(sizeof(VstEvents) + 6 * sizeof(VstEvent*));
    auto* events = reinterpret_cast<VstEvents*>(storage.data());
    events->numEvents = 6;
    for (int i = 0; i < 6; ++i) events->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);

    counting = true;
    plugin->processReplacing(in, out, 256);  // buffers came with the block size
    for (int round = 0; round < 20; ++round) {
        plugin->setParameter(round % 7, (round % 5) / 4.0f);
        plugin->processEvents(events);
        plugin->processReplacing(in, out, 256);
        plugin->processEvents(events);
        plugin->processDoubleReplacing(din, dout, 256);
        plugin->process(in, out, 100);
        plugin->processReplacing(in, out, 1024);  // longer than announced: in pieces
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    AEffect* e = plugin->getAeffect();
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// A host that processes before setting a block size gets the buffers lazily,
// in the audio thread; when the heap cannot give them, the calls play silence
// and do not ask again at every call. Switching on again earns one new attempt.
TEST(AudioThread, MissingBuffersAreAskedForOnceNotAtEveryCall) {
    auto* plugin = createWithHostTime();
    plugin->setSampleRate(44100.0f);
    std::vector<float> l(64), r(64);
    float* io[2] = {l.data(), r.data()};
    auto play = [&](int calls) {
        allocations = 0;
        counting = true;
        for (int i = 0; i < calls; ++i) {
            std::fill(l.begin(), l.end(), 7.0f);
            std::fill(r.begin(), r.end(), 7.0f);
            plugin->processReplacing(io, io, 64);
        }
        counting = false;
        return allocations.load();
    };
    refuseAbove = 16384;  // the default 1024-frame buffers need 32 KiB
    EXPECT_EQ(play(50), 1);
    EXPECT_EQ(l, std::vector<float>(64, 0.0f)) << "silence, not what the buffer held";

    plugin->resume();
    EXPECT_EQ(play(50), 1) << "one new attempt after switching on again";
    refuseAbove = SIZE_MAX;
    plugin->resume();
    EXPECT_EQ(play(50), 1);
    EXPECT_NE(l[63], 0.0f) << "with memory the sound comes back";

    refuseAbove = 1024;
    plugin->setBlockSize(512);  // fails here, outside the audio thread
    refuseAbove = SIZE_MAX;
    EXPECT_EQ(play(50), 0) << "the size that just failed is not tried again in the audio thread";
    EXPECT_EQ(l[0], 0.0f);
    plugin->setBlockSize(512);
    EXPECT_EQ(play(50), 0);
    EXPECT_NE(l[63], 0.0f);
    AEffect* e = plugin->getAeffect();
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// Every allocation of the construction is made to fail in turn: each time the
// members built so far free themselves, nothing twice and nothing left over.
TEST(Construction, RunningOutOfMemoryAtAnyStepGivesEverythingBack) {
    bool built = false;
    int steps = 0;
    for (int n = 1; !built && n < 10000; ++n) {
        allocations = 0;
        releases = 0;
        failAt = n;
        counting = true;
        try {
            delete new Orvalt(testhosts::quietHost);
            built = true;
        } catch (const std::bad_alloc&) {
        }
        counting = false;
        failAt = 0;
        const int taken = allocations.load() - (built ? 0 : 1);  // the refused one was never given
        EXPECT_EQ(taken, releases.load()) << "allocation " << n << " refused";
        steps = n;
    }
    EXPECT_TRUE(built);
    EXPECT_GT(steps, 8) << "the parameter table and the eight programs are allocated one by one";
}

}  // namespace
