// What the VST 3 edition's process call costs next to the VST 2 library's
// processReplacing for the same work: one 512-frame block of the same noise,
// both through their binary interfaces. Compare the two within one run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "tools/vst3host/vst3host.h"
#include "tools/vsthost/vsthost.h"

namespace {

constexpr int kFrames = 512;

struct Noise {
    Noise() {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> d(-1.5f, 1.5f);
        for (auto& channel : in)
            for (float& v : channel) v = d(random);
    }
    std::vector<float> in[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    std::vector<float> out[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    float* inputs[2] = {in[0].data(), in[1].data()};
    float* outputs[2] = {out[0].data(), out[1].data()};
};

void BM_Vst2Block512(benchmark::State& state) {
    setenv("XDG_CONFIG_HOME", "/nonexistent-orvalt-bench", 1);
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    auto plugin = library ? vsthost::Plugin::create(library, nullptr, error) : nullptr;
    if (!plugin) return state.SkipWithError(error.c_str());
    plugin->prepare(48000.0f, kFrames);
    Noise n;
    for (auto _ : state) {
        plugin->processReplacing(n.inputs, n.outputs, kFrames);
        benchmark::DoNotOptimize(n.out[0].data());
    }
}
BENCHMARK(BM_Vst2Block512);

void BM_Vst3Block512(benchmark::State& state) {
    setenv("XDG_CONFIG_HOME", "/nonexistent-orvalt-bench", 1);
    std::string error;
    auto module = vst3host::Module::load(ORVALT_VST3_BUNDLE, error);
    auto effect = module ? vst3host::Effect::create(module, error) : nullptr;
    if (!effect || !effect->start(48000.0, kFrames)) return state.SkipWithError(error.c_str());
    Noise n;
    for (auto _ : state) {
        effect->process(n.inputs, n.outputs, kFrames);
        benchmark::DoNotOptimize(n.out[0].data());
    }
}
BENCHMARK(BM_Vst3Block512);

}  // namespace

BENCHMARK_MAIN();
