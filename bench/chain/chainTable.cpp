// orvalt-chain-table: the chain's cost per stereo frame next to its latency
// floor (the saturator's recursion alone), timed in one run with the project's
// own small harness, so the native and the Windows build (under Wine) are
// measured the same way. Cases are interleaved and repeated; the minimum is kept.
#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/chain/SaturatorRecursion.h"
#include "product/Orvalt.h"

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
    std::vector<double> samples;
};

double nanoseconds(std::chrono::steady_clock::time_point start, long frames) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(frames);
}

// One Orvalt with its buffers, cooked and ready for direct processBlock calls.
struct ChainUnderTest {
    std::unique_ptr<Orvalt> plugin;
    std::vector<double> in[2], out[2];
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
            in[c] = noise(12345u + static_cast<uint32_t>(c), kBlock);
            out[c].assign(kBlock, 0.0);
        }
        double* inputs[2] = {in[0].data(), in[1].data()};
        double* outputs[2] = {out[0].data(), out[1].data()};
        plugin->processDoubleReplacing(inputs, outputs, kBlock);  // cooks the parameters
    }

    // Blocks of the given size through the product's block operation.
    double pass(int frames) {
        const int calls = kBlocksPerPass * kBlock / frames;
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < calls; ++n) {
            const int offset = (n * frames) % kBlock;
            double* inputs[2] = {in[0].data() + offset, in[1].data() + offset};
            double* outputs[2] = {out[0].data() + offset, out[1].data() + offset};
            plugin->processBlock(false, &timing, inputs, outputs, frames);
        }
        return nanoseconds(start, static_cast<long>(calls) * frames);
    }
};

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

    ChainUnderTest warmClip(true, true), clipOnly(false, true), neither(false, false), gliding(true, true);
    std::vector<Case> cases = {
        {"saturator recursion alone (floor)", floorPass, {}},
        {"warm and clip, 512-frame blocks", [&] { return warmClip.pass(kBlock); }, {}},
        {"warm and clip, 64-frame blocks", [&] { return warmClip.pass(64); }, {}},
        {"warm and clip, 1-frame blocks", [&] { return warmClip.pass(1); }, {}},
        {"warm and clip, smoothers gliding", [&] { gliding.plugin->resetState(); return gliding.pass(kBlock); }, {}},
        {"clip only, 512-frame blocks", [&] { return clipOnly.pass(kBlock); }, {}},
        {"neither, 512-frame blocks", [&] { return neither.pass(kBlock); }, {}},
    };
    for (Case& c : cases) c.pass();  // warm-up
    for (int r = 0; r < repetitions; ++r)
        for (Case& c : cases) c.samples.push_back(c.pass());

    const double floorNs = *std::min_element(cases[0].samples.begin(), cases[0].samples.end());
    std::printf("Orvalt::processBlock per stereo frame at 44.1 kHz, %d interleaved repetitions, minimum kept\n",
                repetitions);
    for (const Case& c : cases) {
        const double best = *std::min_element(c.samples.begin(), c.samples.end());
        std::printf("  %-36s %7.1f ns  %5.2fx the floor\n", c.label.c_str(), best, best / floorNs);
    }
    return 0;
}
