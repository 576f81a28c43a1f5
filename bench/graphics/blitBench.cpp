// Cost of one knob frame: composite and compositeFrameBlend of a 40 x 40 atlas frame.
#include <benchmark/benchmark.h>

#include <random>

#include "blt/blit.h"

using namespace QuillBLT;

namespace {

// A 480 x 480 atlas of premultiplied pixels, a quarter of them 0, and a knob-sized window.
struct Scene {
    BasicSurface atlas{480, 480};
    BasicSurface window{80, 68};
    Scene() {
        std::mt19937 rng(1);
        for (uint32_t i = 0; i < 480 * 480; ++i) {
            const uint32_t a = rng() % 4 == 0 ? 0 : rng() % 2 ? 255 : rng() % 256;
            atlas.pixels()[i] = a ? a << 24 | (rng() % (a + 1)) << 16 | (rng() % (a + 1)) << 8 | rng() % (a + 1) : 0;
        }
        for (uint32_t i = 0; i < 80 * 68; ++i) window.pixels()[i] = 0xFF303030u;
    }
};

void BM_Composite40x40(benchmark::State& state) {
    Scene s;
    const uint32_t tint = state.range(0) ? 0xFFC0A080u : noTint;
    for (auto _ : state) {
        composite(s.window.view(), 20, 14, 40, 40, s.atlas.view(), 40, 80, tint);
        benchmark::ClobberMemory();
    }
}

void BM_CompositeFrameBlend40x40(benchmark::State& state) {
    Scene s;
    const uint32_t tint = state.range(0) ? 0xFFC0A080u : noTint;
    for (auto _ : state) {
        compositeFrameBlend(s.window.view(), s.atlas.view(), 40, 80, 100, s.atlas.view(), 80, 80, tint);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_Composite40x40)->Arg(0)->Arg(1);
BENCHMARK(BM_CompositeFrameBlend40x40)->Arg(0)->Arg(1);
