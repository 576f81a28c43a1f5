// orvalt-chain-table: the chain's cost per stereo frame next to its latency
// floor (the saturator's recursion alone), timed in one run with the project's
// own small harness, so the native and the Windows build (under Wine) are
// measured the same way. Cases are interleaved and repeated; the minimum is kept.
// Beside processBlock it times the plug-in's own process calls (what a host
// pays, frame included) and, natively when installed, a third-party limiter
// through its processReplacing. Before timing it checks that every entry point
// gives the bits processBlock gives, and exits 1 when they differ.
#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/chain/SaturatorRecursion.h"
#include "product/Orvalt.h"
#ifdef ORVALT_THIRD_PARTY_LIMITER
#include <sys/stat.h>

#include "tools/vsthost/vsthost.h"
#endif

namespace {

VstIntPtr VSTCALLBACK benchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

constexpr int kBlock = 512;
constexpr int kBlocksPerPass = 64;  // 32768 frames, about 0.75 s of audio

std::vector<double> noise(uint32_t seed, size_t count) {
    std::vector<double> x(count);
    for (double& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<int32_t>(seed) * (1.0 / 2147483648.0);
    }
    return x;
}

struct Case {
    std::string label;
    std::function<double()> pass;  // ns per stereo frame
    int reference = -1;  // the processBlock row a host-call row is set against
    std::vector<double> samples{};
    Case(std::string l, std::function<double()> p, int r = -1) : label(std::move(l)), pass(std::move(p)), reference(r) {}
};

double nanoseconds(std::chrono::steady_clock::time_point start, long frames) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(frames);
}

// One Orvalt with its buffers, cooked and ready for direct processBlock calls
// and for the host's calls.
struct ChainUnderTest {
    std::unique_ptr<Orvalt> plugin;
    std::vector<double> in[2], out[2];
    std::vector<float> hostIn[2], hostOut[2];
    PlugCore::BlockTiming timing{120.0, 0.0, 120.0 / (44100.0 * 60.0), 44100.0};

    ChainUnderTest(bool warm, bool clip) : plugin(std::make_unique<Orvalt>(benchHost)) {
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(kBlock);
        plugin->setParameter(Orvalt::kWarm, warm ? 1.0f : 0.0f);
        plugin->setParameter(Orvalt::kClip, clip ? 1.0f : 0.0f);
        plugin->setParameter(Orvalt::kMakeup, 1.0f);
        plugin->setParameter(Orvalt::kInput, 0.3f);
        plugin->setParameter(Orvalt::kBass, 0.7f);
        plugin->resume();
        for (int c = 0; c < 2; ++c) {
            // Values a float holds exactly, so every entry point sees the same signal.
            in[c] = noise(12345u + static_cast<uint32_t>(c), kBlock);
            for (double& v : in[c]) v = static_cast<float>(v);
            out[c].assign(kBlock, 0.0);
            hostIn[c].assign(in[c].begin(), in[c].end());
            hostOut[c].assign(kBlock, 0.0f);
        }
        double* inputs[2] = {in[0].data(), in[1].data()};
        double* outputs[2] = {out[0].data(), out[1].data()};
        plugin->processDoubleReplacing(inputs, outputs, kBlock);  // cooks the parameters
    }

    // Blocks of the given size through one entry point, timed.
    enum Entry { kProcessBlock, kReplacing, kDoubleReplacing };
    double pass(int frames, Entry entry = kProcessBlock) {
        const int calls = kBlocksPerPass * kBlock / frames;
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < calls; ++n) run(entry, (n * frames) % kBlock, frames);
        return nanoseconds(start, static_cast<long>(calls) * frames);
    }

    void run(Entry entry, int offset, int frames) {
        if (entry == kReplacing) {
            float* inputs[2] = {hostIn[0].data() + offset, hostIn[1].data() + offset};
            float* outputs[2] = {hostOut[0].data() + offset, hostOut[1].data() + offset};
            plugin->processReplacing(inputs, outputs, frames);
            return;
        }
        double* inputs[2] = {in[0].data() + offset, in[1].data() + offset};
        double* outputs[2] = {out[0].data() + offset, out[1].data() + offset};
        if (entry == kDoubleReplacing)
            plugin->processDoubleReplacing(inputs, outputs, frames);
        else
            plugin->processBlock(false, &timing, inputs, outputs, frames);
    }
};

#ifdef ORVALT_THIRD_PARTY_LIMITER
// A third-party limiter at its defaults, through its own processReplacing on the
// same signal and blocks, so the host-call rows have a yardstick from the same
// run. Absent when the plug-in is not installed.
struct ThirdParty {
    std::unique_ptr<vsthost::Plugin> plugin;
    std::vector<float> in[2], out[2];

    static std::unique_ptr<ThirdParty> load(const char* path) {
        struct stat info;
        std::string error;
        auto library = stat(path, &info) == 0 ? vsthost::Library::load(path, error) : nullptr;
        auto plugin = library ? vsthost::Plugin::create(library, nullptr, error) : nullptr;
        if (!plugin) return nullptr;
        auto t = std::make_unique<ThirdParty>();
        t->plugin = std::move(plugin);
        t->plugin->host().calls().setRecording(false);
        t->plugin->open();
        t->plugin->prepare(44100.0f, kBlock);
        for (int c = 0; c < 2; ++c) {
            const std::vector<double> x = noise(12345u + static_cast<uint32_t>(c), kBlock);
            t->in[c].assign(x.begin(), x.end());
            t->out[c].assign(kBlock, 0.0f);
        }
        return t;
    }
    double pass() {
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < kBlocksPerPass; ++n) {
            float* inputs[2] = {in[0].data(), in[1].data()};
            float* outputs[2] = {out[0].data(), out[1].data()};
            plugin->processReplacing(inputs, outputs, kBlock);
        }
        return nanoseconds(start, static_cast<long>(kBlocksPerPass) * kBlock);
    }
};
#endif

struct Fnv1a {
    uint64_t hash = 14695981039346656037ull;
    void add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
};

// The frame may only clean, convert and hand on: the same setting run through
// processBlock, processDoubleReplacing, processReplacing and process (onto
// outputs that already hold a signal) must give the same bits, the single-
// precision forms exactly the rounded double result. The host's input carries a
// NaN and a huge sample, which processBlock gets already cleaned.
bool entryPointsAgree(bool warm, bool clip) {
    ChainUnderTest direct(warm, clip), viaDouble(warm, clip), viaFloat(warm, clip), viaAccumulating(warm, clip);
    Fnv1a directHash, doubleHash, floatHash, roundedHash, accumulatedHash, expectedSumHash;
    for (int block = 0; block < 8; ++block) {
        // Sizes that leave a tail of every length behind the four-sample loops.
        const int frames = kBlock - block;
        for (ChainUnderTest* t : {&direct, &viaDouble, &viaFloat, &viaAccumulating})
            for (int c = 0; c < 2; ++c) {
                for (int i = 0; i < kBlock; ++i) t->in[c][i] = t->hostIn[c][i] = static_cast<float>(std::sin(0.01 * (i + block * kBlock + c)));
                t->hostIn[c][7] = std::numeric_limits<float>::quiet_NaN();
                t->hostIn[c][9] = 1e12f;
                t->hostOut[c].assign(kBlock, 0.25f);
            }
        for (ChainUnderTest* t : {&viaDouble, &viaFloat, &viaAccumulating})
            for (int c = 0; c < 2; ++c) t->in[c] = std::vector<double>(t->hostIn[c].begin(), t->hostIn[c].end());
        for (int c = 0; c < 2; ++c) {
            direct.in[c][7] = 0.0;
            direct.in[c][9] = 1e10;
        }
        direct.run(ChainUnderTest::kProcessBlock, 0, frames);
        viaDouble.run(ChainUnderTest::kDoubleReplacing, 0, frames);
        viaFloat.run(ChainUnderTest::kReplacing, 0, frames);
        float* inputs[2] = {viaAccumulating.hostIn[0].data(), viaAccumulating.hostIn[1].data()};
        float* outputs[2] = {viaAccumulating.hostOut[0].data(), viaAccumulating.hostOut[1].data()};
        viaAccumulating.plugin->process(inputs, outputs, frames);
        for (int c = 0; c < 2; ++c) {
            directHash.add(direct.out[c].data(), frames * sizeof(double));
            doubleHash.add(viaDouble.out[c].data(), frames * sizeof(double));
            floatHash.add(viaFloat.hostOut[c].data(), frames * sizeof(float));
            accumulatedHash.add(viaAccumulating.hostOut[c].data(), frames * sizeof(float));
            for (int i = 0; i < frames; ++i) {
                const float rounded = static_cast<float>(direct.out[c][i]);
                const float sum = static_cast<float>(0.25 + direct.out[c][i]);
                roundedHash.add(&rounded, sizeof rounded);
                expectedSumHash.add(&sum, sizeof sum);
            }
        }
    }
    const bool agree = directHash.hash == doubleHash.hash && roundedHash.hash == floatHash.hash &&
                       expectedSumHash.hash == accumulatedHash.hash;
    std::printf("  %-15s processBlock %016llx  double %016llx  replacing %016llx (rounded %016llx)  "
                "accumulating %016llx (expected %016llx)  %s\n",
                warm ? (clip ? "warm and clip" : "warm only") : (clip ? "clip only" : "neither"),
                static_cast<unsigned long long>(directHash.hash), static_cast<unsigned long long>(doubleHash.hash),
                static_cast<unsigned long long>(floatHash.hash), static_cast<unsigned long long>(roundedHash.hash),
                static_cast<unsigned long long>(accumulatedHash.hash),
                static_cast<unsigned long long>(expectedSumHash.hash), agree ? "agree" : "DIFFER");
    return agree;
}

}  // namespace

int main(int argc, char** argv) {
    int repetitions = 11;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--reps") && i + 1 < argc) {
            repetitions = std::max(1, std::atoi(argv[++i]));
        } else {
            std::printf("usage: orvalt-chain-table [--reps N]\n");
            return std::strcmp(argv[i], "--help") ? 2 : 0;
        }
    }

    // The floor: the saturator's recursion on equalizer-like input, both channels.
    std::vector<double> e = noise(777u, 4 * kBlock), sat(4 * kBlock);
    double prevIn[2] = {}, prevOut[2] = {};
    auto floorPass = [&] {
        const unsigned saved = _mm_getcsr();
        _mm_setcsr((saved & ~0x6000u) | 0x6000u);  // round toward zero, as in the chain
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < kBlocksPerPass; ++n) ChainBench::saturatorRecursion(e.data(), sat.data(), kBlock, prevIn, prevOut);
        const double ns = nanoseconds(start, static_cast<long>(kBlocksPerPass) * kBlock);
        _mm_setcsr(saved);
        return ns;
    };

    std::printf("Output of every entry point, hashed (the frame must add nothing but cleaning and rounding):\n");
    bool agree = true;
    for (bool warm : {true, false})
        for (bool clip : {true, false}) agree = entryPointsAgree(warm, clip) && agree;

    using E = ChainUnderTest::Entry;
    ChainUnderTest warmClip(true, true), clipOnly(false, true), neither(false, false), gliding(true, true);
    std::vector<Case> cases = {
        {"saturator recursion alone (floor)", floorPass},
        {"warm and clip, 512-frame blocks", [&] { return warmClip.pass(kBlock); }},
        {"warm and clip, 64-frame blocks", [&] { return warmClip.pass(64); }},
        {"warm and clip, 1-frame blocks", [&] { return warmClip.pass(1); }},
        {"warm and clip, smoothers gliding", [&] { gliding.plugin->resetState(); return gliding.pass(kBlock); }},
        {"clip only, 512-frame blocks", [&] { return clipOnly.pass(kBlock); }},
        {"neither, 512-frame blocks", [&] { return neither.pass(kBlock); }},
        {"host: warm and clip, 512, replacing", [&] { return warmClip.pass(kBlock, E::kReplacing); }, 1},
        {"host: warm and clip, 512, double", [&] { return warmClip.pass(kBlock, E::kDoubleReplacing); }, 1},
        {"host: warm and clip, 64, replacing", [&] { return warmClip.pass(64, E::kReplacing); }, 2},
        {"host: warm and clip, 1, replacing", [&] { return warmClip.pass(1, E::kReplacing); }, 3},
        {"host: clip only, 512, replacing", [&] { return clipOnly.pass(kBlock, E::kReplacing); }, 5},
        {"host: clip only, 512, double", [&] { return clipOnly.pass(kBlock, E::kDoubleReplacing); }, 5},
        {"host: neither, 512, replacing", [&] { return neither.pass(kBlock, E::kReplacing); }, 6},
    };
#ifdef ORVALT_THIRD_PARTY_LIMITER
    auto limiter = ThirdParty::load(ORVALT_THIRD_PARTY_LIMITER);
    if (limiter)
        cases.emplace_back("LSP stereo limiter, 512, replacing", [&] { return limiter->pass(); }, 7);
    else
        std::printf("(no third-party row: %s is not installed)\n", ORVALT_THIRD_PARTY_LIMITER);
#endif
    for (Case& c : cases) c.pass();  // warm-up
    for (int r = 0; r < repetitions; ++r)
        for (Case& c : cases) c.samples.push_back(c.pass());

    auto best = [](const Case& c) { return *std::min_element(c.samples.begin(), c.samples.end()); };
    const double floorNs = best(cases[0]);
    std::printf("Orvalt per stereo frame at 44.1 kHz, %d interleaved repetitions, minimum kept; rows without "
                "\"host:\" call processBlock, host rows the plug-in's own process calls\n",
                repetitions);
    int printed = 0;
    for (const Case& c : cases) {
        const double ns = best(c);
        std::printf("  %-36s %7.1f ns  %5.2fx the floor", c.label.c_str(), ns, ns / floorNs);
        if (c.reference >= 0) {
            const Case& ref = cases[static_cast<size_t>(c.reference)];
            // The third party's row is set against Orvalt's host call with warm and clip on.
            if (ref.label.rfind("host:", 0) == 0)
                std::printf("  Orvalt (warm and clip, replacing) %5.2fx this", best(ref) / ns);
            else
                std::printf("  %5.2fx processBlock", ns / best(ref));
        }
        std::printf("\n");
        if (std::isfinite(ns) && ns > 0.0) ++printed;
    }
    // A test runs this with --reps 1: every row measured and the entry points agreeing is what it checks.
    if (printed != static_cast<int>(cases.size()) || !agree) {
        std::printf("FAILED: %s\n", agree ? "a row has no figure" : "the entry points' outputs differ");
        return 1;
    }
    return 0;
}
