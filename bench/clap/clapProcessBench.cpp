// What the CLAP edition's process call costs next to the VST 2 build's
// processReplacing for the same work: 512 frames of a busy signal with one
// parameter change per block, both loaded from their libraries as a host
// loads them. Compare the two within one run (the CLAP call should stay
// within 1.1 times the VST 2 call).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "tests/clap/clapTestHost.h"
#include "tools/vsthost/vsthost.h"

namespace {

constexpr uint32_t kFrames = 512;

struct Signal {
    std::vector<float> in[2], out[2];
    float* inputs[2];
    float* outputs[2];
    Signal() {
        for (int c = 0; c < 2; ++c) {
            in[c].resize(kFrames), out[c].resize(kFrames);
            for (uint32_t i = 0; i < kFrames; ++i) in[c][i] = 0.9f * std::sin(0.03f * static_cast<float>(i + 7 * c));
            inputs[c] = in[c].data(), outputs[c] = out[c].data();
        }
    }
};

void BM_Vst2ProcessReplacing(benchmark::State& state) {
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    auto plugin = library ? vsthost::Plugin::create(library, nullptr, error) : nullptr;
    if (!plugin) return state.SkipWithError(error.c_str());
    plugin->open();
    plugin->prepare(48000.0f, kFrames);
    Signal s;
    float limit = 0.0f;
    for (auto _ : state) {
        limit = limit >= 1.0f ? 0.0f : limit + 0.001f;
        plugin->setParameter(2, limit);
        plugin->processReplacing(s.inputs, s.outputs, kFrames);
        benchmark::DoNotOptimize(s.out[0].data());
    }
}
BENCHMARK(BM_Vst2ProcessReplacing);

void BM_ClapProcess(benchmark::State& state) {
    claptest::Instance o;
    if (!o.initialised || !o.activate(48000.0, kFrames)) return state.SkipWithError("the CLAP library did not load");
    Signal s;
    std::vector<claptest::EventList> changes(1001);
    for (size_t k = 0; k < changes.size(); ++k) changes[k].param(0, 2, 0.001 * static_cast<double>(k));
    size_t k = 0;
    for (auto _ : state) {
        k = k + 1 == changes.size() ? 0 : k + 1;
        o.process(s.inputs, s.outputs, kFrames, changes[k]);
        benchmark::DoNotOptimize(s.out[0].data());
    }
}
BENCHMARK(BM_ClapProcess);

}  // namespace

int main(int argc, char** argv) {
    setenv("XDG_CONFIG_HOME", "/nonexistent-orvalt-bench", 1);  // no user defaults
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
