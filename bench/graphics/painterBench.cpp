// Cost of the editor's lamp frame: two radius-5 circles painted and added onto a 410 x 100 window.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "sag/painter.h"

using namespace Sag;

namespace {

void BM_TwoLampFrame(benchmark::State& state) {
    Canvas canvas(410, 100);
    CoverageBuffer buffer(410, 100);
    PointList points;
    std::vector<uint32_t> window(410 * 100, 0xFF202020u);
    const float centres[2] = {352, 376};
    const float meters[2] = {0.7f, 0.2f};
    for (auto _ : state) {
        canvas.zero();
        for (int lamp = 0; lamp < 2; ++lamp) {
            buffer.clear();
            points.clear();
            appendCircle(points, centres[lamp], 48);
            rasterizePolygon(buffer, points.begin(), points.end());
            fillCoverage(canvas, buffer, SolidPaint(valueToRed(0.8f * std::sqrt(meters[lamp])) | 0xFF000000u));
        }
        addCanvasTo(canvas, window.data());
        benchmark::ClobberMemory();
    }
}

// The same frame without zeroing and adding the whole canvas: the shapes alone.
void BM_TwoLampShapesOnly(benchmark::State& state) {
    Canvas canvas(410, 100);
    CoverageBuffer buffer(410, 100);
    PointList points;
    for (auto _ : state) {
        for (float x : {352.0f, 376.0f}) {
            buffer.clear();
            points.clear();
            appendCircle(points, x, 48);
            rasterizePolygon(buffer, points.begin(), points.end());
            fillCoverage(canvas, buffer, SolidPaint(0xFFCC0000u));
        }
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_TwoLampFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwoLampShapesOnly)->Unit(benchmark::kMicrosecond);
