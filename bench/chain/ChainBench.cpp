// Cost of Orvalt's block operation per stereo frame at 44.1 kHz, through the
// host's double and single precision entries, for the main switch settings,
// next to the saturator's recursion alone (the floor no chain can beat).
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/chain/SaturatorRecursion.h"
#include "product/Orvalt.h"

namespace {

VstIntPtr VSTCALLBACK benchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

enum Setting { kAllOff = 0, kClipOnly = 1, kWarmAndClip = 2 };

template <typename T>
void blockOperation(benchmark::State& state) {
    const auto setting = static_cast<Setting>(state.range(0));
    const auto frames = static_cast<VstInt32>(state.range(1));
    auto plugin = std::make_unique<Orvalt>(benchHost);
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(frames);
    plugin->setParameter(Orvalt::kWarm, setting == kWarmAndClip ? 1.0f : 0.0f);
    plugin->setParameter(Orvalt::kClip, setting == kAllOff ? 0.0f : 1.0f);
    plugin->setParameter(Orvalt::kMakeup, 1.0f);
    plugin->setParameter(Orvalt::kInput, 0.3f);
    plugin->setParameter(Orvalt::kBass, 0.7f);
    plugin->resume();

    // Noise loud enough to clip now and then, the same block every time.
    std::vector<T> in[2], out[2];
    uint32_t seed = 12345;
    for (int c = 0; c < 2; ++c) {
        in[c].resize(frames);
        out[c].resize(frames);
        for (T& x : in[c]) {
            seed = seed * 1664525u + 1013904223u;
            x = static_cast<T>(static_cast<int32_t>(seed) * (1.0 / 2147483648.0));
        }
    }
    T* inputs[2] = {in[0].data(), in[1].data()};
    T* outputs[2] = {out[0].data(), out[1].data()};
    for (auto _ : state) {
        if constexpr (sizeof(T) == sizeof(double))
            plugin->processDoubleReplacing(inputs, outputs, frames);
        else
            plugin->processReplacing(inputs, outputs, frames);
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The saturator's recursion alone, both channels, twice per frame, under
// round-toward-zero; the same counter as the chain for a direct ratio.
void saturatorRecursion(benchmark::State& state) {
    const auto frames = static_cast<int>(state.range(0));
    std::vector<double> e(4 * static_cast<size_t>(frames)), sat(e.size());
    uint32_t seed = 777;
    for (double& x : e) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<int32_t>(seed) * (1.0 / 2147483648.0);
    }
    double prevIn[2] = {}, prevOut[2] = {};
    const unsigned saved = _mm_getcsr();
    _mm_setcsr((saved & ~0x6000u) | 0x6000u);
    for (auto _ : state) {
        ChainBench::saturatorRecursion(e.data(), sat.data(), frames, prevIn, prevOut);
        benchmark::DoNotOptimize(sat.data());
        benchmark::ClobberMemory();
    }
    _mm_setcsr(saved);
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void settingsAndBlocks(benchmark::internal::Benchmark* b) {
    b->ArgNames({"setting", "frames"});
    for (int setting : {kAllOff, kClipOnly, kWarmAndClip})
        for (int frames : {64, 512}) b->Args({setting, frames});
}

}  // namespace

BENCHMARK(saturatorRecursion)->ArgName("frames")->Arg(512);
BENCHMARK_TEMPLATE(blockOperation, double)->Apply(settingsAndBlocks);
BENCHMARK_TEMPLATE(blockOperation, float)->Apply(settingsAndBlocks);

BENCHMARK_MAIN();
