// What a moved control port costs the LV2 edition's audio thread: the display
// search that turns a port value into the parameter value (the same one the
// renderer's --set uses), next to one 512-frame block of processing. Compare
// the two within one run: the ratio says how many blocks one port change costs.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "lv2/lv2Description.h"
#include "plugcore/productEntry.h"

namespace {

struct Product {
    Product() {
        setenv("XDG_CONFIG_HOME", "/nonexistent-orvalt-bench", 1);  // no user defaults
        plug.reset(PlugCore::createPlug(nullptr));
        samples = std::make_unique<PlugCore::DisplaySamples>();
        FormatCore::PlugDisplay display(*plug, 0);
        PlugCore::sampleDisplay(display, *samples);
        port = FormatCore::describeParameter(*plug, 0, *samples, 0.0f);
        plug->setSampleRate(48000.0f);
        plug->setBlockSize(512);
        plug->resume();
    }
    std::unique_ptr<PlugCore::Plug> plug;
    std::unique_ptr<PlugCore::DisplaySamples> samples;
    FormatCore::ParameterUnits port;
};

Product& product() {
    static Product p;
    return p;
}

// A knob moving through the input range in small steps: every call a new value.
void BM_PortChange(benchmark::State& state) {
    Product& p = product();
    float v = 0.0f, normalized = 0.0f;
    for (auto _ : state) {
        v = v >= 19.9f ? 0.0f : v + 0.037f;
        FormatCore::normalizedFor(*p.plug, 0, p.port, *p.samples, v, normalized);
        benchmark::DoNotOptimize(normalized);
    }
}
BENCHMARK(BM_PortChange);

void BM_Block512(benchmark::State& state) {
    Product& p = product();
    std::vector<float> in(512, 0.25f), out[2] = {std::vector<float>(512), std::vector<float>(512)};
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {out[0].data(), out[1].data()};
    for (auto _ : state) {
        p.plug->processReplacing(inputs, outputs, 512);
        benchmark::DoNotOptimize(out[0].data());
    }
}
BENCHMARK(BM_Block512);

}  // namespace

BENCHMARK_MAIN();
