// The polygon painter: coverage of exact squares, clipping, even-odd fills, circles, lamp colours and the addition.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "blt/pixel.h"
#include "sag/painter.h"

using namespace Sag;

namespace {

const uint32_t white = 0xFFFFFFFFu;

// Alpha of each pixel after filling the accumulated shapes with opaque white.
uint32_t alphaAt(const Canvas& c, uint32_t x, uint32_t y) { return c.colourAt(x, y) >> 24; }

void paintPolygon(CoverageBuffer& buffer, Canvas& canvas, const PointList& points, uint32_t colour = white) {
    buffer.clear();
    rasterizePolygon(buffer, points.begin(), points.end());
    fillCoverage(canvas, buffer, SolidPaint(colour));
}

bool allCellsZero(const CoverageBuffer& b) {
    for (size_t i = 0; i < size_t(b.width) * b.height; ++i)
        if (b.cells[i] != 0) return false;
    return true;
}

int paintedPixels(const Canvas& c) {
    int n = 0;
    for (size_t i = 0; i < size_t(c.width) * c.height; ++i) n += c.pixels[i] != 0;
    return n;
}

}  // namespace

TEST(Rasterize, UnitSquareCoversTheSubScanlinesBelowEachEdgeStart) {
    CoverageBuffer buffer(6, 5);
    Canvas clockwise(6, 5), anticlockwise(6, 5), shifted(6, 5);
    paintPolygon(buffer, clockwise, {{1, 1}, {2, 1}, {2, 2}, {1, 2}});
    EXPECT_EQ(239u, alphaAt(clockwise, 1, 1));
    EXPECT_EQ(15u, alphaAt(clockwise, 1, 2));
    EXPECT_EQ(2, paintedPixels(clockwise));
    paintPolygon(buffer, anticlockwise, {{1, 2}, {2, 2}, {2, 1}, {1, 1}});
    EXPECT_EQ(240u, alphaAt(anticlockwise, 1, 1));
    EXPECT_EQ(16u, alphaAt(anticlockwise, 1, 2));
    paintPolygon(buffer, shifted, {{1, 0.9375f}, {3, 0.9375f}, {3, 2.9375f}, {1, 2.9375f}});
    EXPECT_EQ(4, paintedPixels(shifted));
    for (uint32_t y : {1u, 2u})
        for (uint32_t x : {1u, 2u}) EXPECT_EQ(white, shifted.colourAt(x, y));
}

TEST(Rasterize, FewPointsHorizontalEdgesAndThereAndBackAddNothing) {
    CoverageBuffer buffer(8, 8);
    PointList none, one = {{2, 2}}, two = {{1, 1}, {6, 5}};
    rasterizePolygon(buffer, none.begin(), none.end());
    rasterizePolygon(buffer, one.begin(), one.end());
    EXPECT_TRUE(allCellsZero(buffer));
    EXPECT_EQ(8u, buffer.spans[2].first);  // untouched
    rasterizePolygon(buffer, two.begin(), two.end());
    EXPECT_TRUE(allCellsZero(buffer));
    rasterizeEdge(buffer, {0.5f, 3.5f}, {7.5f, 3.5f});
    EXPECT_TRUE(allCellsZero(buffer));
    EXPECT_EQ(0u, buffer.spans[3].first);  // a horizontal edge still records its span
    EXPECT_EQ(8u, buffer.spans[3].end);
}

TEST(Rasterize, OverlappingPolygonsInOneFillLeaveTheirIntersectionEmpty) {
    CoverageBuffer buffer(10, 10);
    Canvas canvas(10, 10);
    PointList a = {{1, 1}, {6, 1}, {6, 6}, {1, 6}}, b = {{4, 4}, {9, 4}, {9, 9}, {4, 9}};
    rasterizePolygon(buffer, a.begin(), a.end());
    rasterizePolygon(buffer, b.begin(), b.end());
    fillCoverage(canvas, buffer, SolidPaint(white));
    EXPECT_EQ(white, canvas.colourAt(2, 2));
    EXPECT_EQ(white, canvas.colourAt(7, 7));
    EXPECT_EQ(0u, canvas.colourAt(4, 5));
    EXPECT_EQ(0u, canvas.colourAt(5, 5));
    EXPECT_NE(0u, canvas.colourAt(4, 4));  // b covers only 15 of the 16 sub-scanlines of its top row
}

TEST(Rasterize, ShapesCutByTheLeftAndTopEdgesKeepTheirCoverageInside) {
    // The same triangle, once reaching past the left and top edges, once drawn
    // 10 pixels further right and down in a larger buffer (corners on whole
    // sixteenths, so that moving them is exact).
    const PointList cut = {{-3.3125f, -2.6875f}, {7.625f, 1.1875f}, {2.1875f, 8.875f}};
    PointList moved;
    for (const Point& p : cut) moved.push_back({p.x + 10, p.y + 10});
    CoverageBuffer small(12, 12), large(22, 22);
    Canvas a(12, 12), b(22, 22);
    paintPolygon(small, a, cut);
    paintPolygon(large, b, moved);
    for (uint32_t y = 0; y < 12; ++y)
        for (uint32_t x = 0; x < 12; ++x) EXPECT_EQ(b.colourAt(x + 10, y + 10), a.colourAt(x, y)) << x << "," << y;
    EXPECT_GT(paintedPixels(a), 20);

    // Below and right of the buffer nothing is written out of bounds.
    CoverageBuffer tiny(4, 4);
    Canvas t(4, 4);
    paintPolygon(tiny, t, {{2, 2}, {400, 3}, {9, 500}, {-50, 60}});
    EXPECT_EQ(white, t.colourAt(3, 3));
}

TEST(Fill, CoverageSumsFoldIntoAlphaByTheEvenOddRule) {
    const int sums[] = {256, 512, 128, 384, -100, -256, 768};
    const uint32_t alphas[] = {255, 0, 128, 127, 99, 255, 255};
    for (size_t i = 0; i < 7; ++i) {
        CoverageBuffer buffer(2, 1);
        Canvas canvas(2, 1);
        buffer.cells[0] = static_cast<int16_t>(sums[i]);
        buffer.cells[1] = static_cast<int16_t>(-sums[i]);
        buffer.spans[0] = {0, 2};
        fillCoverage(canvas, buffer, SolidPaint(white));
        const uint32_t a = alphas[i];
        EXPECT_EQ(a | a << 8 | a << 16 | a << 24, canvas.colourAt(0, 0)) << sums[i];
        EXPECT_EQ(0u, canvas.colourAt(1, 0));
    }
}

TEST(Fill, PartialCoverageBlendsOverWhatIsThereOnTheSlash255Scale) {
    CoverageBuffer buffer(1, 1);
    Canvas canvas(1, 1);
    canvas.pixels[0] = 0xFF0000FFu;
    buffer.cells[0] = 128;
    buffer.spans[0] = {0, 1};
    fillCoverage(canvas, buffer, SolidPaint(0xFFFF0000u));
    const uint32_t s = QuillBLT::scaleChannels(0xFFFF0000u, 128);
    EXPECT_EQ(QuillBLT::addSaturate(s, QuillBLT::scaleChannels(0xFF0000FFu, 255 - (s >> 24))), canvas.pixels[0]);
    EXPECT_EQ(0xFF80007Fu, canvas.pixels[0]);
    // A paint that returns 0 draws nothing.
    fillCoverage(canvas, buffer, SolidPaint(0));
    EXPECT_EQ(0xFF80007Fu, canvas.pixels[0]);
}

TEST(CoverageBufferState, ClearEmptiesEverySpanAndZeroesEveryCell) {
    CoverageBuffer buffer(20, 10);
    for (uint32_t y = 0; y < 10; ++y) {
        EXPECT_EQ(20u, buffer.spans[y].first);
        EXPECT_EQ(0u, buffer.spans[y].end);
    }
    EXPECT_TRUE(allCellsZero(buffer));
    PointList shape;
    appendCircle(shape, 9.3f, 4.6f);
    rasterizePolygon(buffer, shape.begin(), shape.end());
    EXPECT_FALSE(allCellsZero(buffer));
    buffer.clear();
    EXPECT_TRUE(allCellsZero(buffer));
    for (uint32_t y = 0; y < 10; ++y) {
        EXPECT_EQ(20u, buffer.spans[y].first);
        EXPECT_EQ(0u, buffer.spans[y].end);
    }
}

TEST(Circle, HundredTwentyNinePointsFromTheTopClockwise) {
    PointList points;
    appendCircle(points, 352, 48);
    ASSERT_EQ(129u, points.size());
    auto it = points.begin();
    EXPECT_EQ(352.0f, it->x);
    EXPECT_EQ(43.0f, it->y);
    std::advance(it, 32);
    EXPECT_EQ(357.0f, it->x);
    EXPECT_NEAR(48.0f, it->y, 1e-5);
    EXPECT_EQ(points.front().x, points.back().x);
    EXPECT_EQ(points.front().y, points.back().y);
    for (const Point& p : points) EXPECT_NEAR(5.0, std::hypot(p.x - 352.0, p.y - 48.0), 1e-4);
}

TEST(Lamps, TwoLampsOnTheEditorCanvasStayInTheirBoxesAndAddOntoTheWindow) {
    Canvas canvas(410, 100);
    CoverageBuffer buffer(410, 100);
    PointList points;
    const float meters[2] = {1.0f, 0.25f};
    const float xs[2] = {352, 376};
    for (int lamp = 0; lamp < 2; ++lamp) {
        buffer.clear();
        points.clear();
        appendCircle(points, xs[lamp], 48);
        rasterizePolygon(buffer, points.begin(), points.end());
        fillCoverage(canvas, buffer, SolidPaint(valueToRed(0.8f * std::sqrt(meters[lamp])) | 0xFF000000u));
    }
    for (uint32_t y = 0; y < 100; ++y) {
        for (uint32_t x = 0; x < 410; ++x) {
            const bool inFirst = y >= 43 && y <= 53 && x >= 347 && x <= 356;
            const bool inSecond = y >= 43 && y <= 53 && x >= 371 && x <= 380;
            if (!inFirst && !inSecond) {
                ASSERT_EQ(0u, canvas.colourAt(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(0xFFCC0000u, canvas.colourAt(352, 48));  // 0.8 * 255 = 204
    EXPECT_EQ(0xFF660000u, canvas.colourAt(376, 48));  // 0.4 * 255 = 102

    std::vector<uint32_t> window(410 * 100, 0x00203040u);
    addCanvasTo(canvas, window.data());
    EXPECT_EQ(0x00203040u, window[0]);
    EXPECT_EQ(0xFFEC3040u, window[48 * 410 + 352]);
    std::vector<uint32_t> strided(420 * 100, 0x00203040u);
    QuillBLT::Surface surface(strided.data(), 410, 100, 420);
    addCanvasTo(canvas, surface);
    EXPECT_EQ(0xFFEC3040u, strided[48 * 420 + 352]);
    EXPECT_EQ(0x00203040u, strided[48 * 420 + 415]);
}

TEST(Colours, ValueToRedTruncatesAndTheBlackLampOnlyRaisesAlpha) {
    EXPECT_EQ(0x007F0000u, valueToRed(0.5f));
    EXPECT_EQ(0x00FF0000u, valueToRed(1.0f));
    EXPECT_EQ(0u, valueToRed(0.0f));
    EXPECT_EQ(0x00FF0000u, valueToRed(1.3f));  // clamped rather than wrapped
    EXPECT_EQ(0u, valueToRed(-0.2f));
    EXPECT_EQ(0u, valueToRed(std::nanf("")));
    Canvas canvas(2, 1);
    canvas.pixels[0] = valueToRed(0) | 0xFF000000u;
    uint32_t window[2] = {0x00102030u, 0x00405060u};
    addCanvasTo(canvas, window);
    EXPECT_EQ(0xFF102030u, window[0]);
    EXPECT_EQ(0x00405060u, window[1]);
}

TEST(CanvasPaint, ColourAtOutsideIsZero) {
    Canvas canvas(3, 2);
    canvas.pixels[5] = 0x11223344u;
    EXPECT_EQ(0x11223344u, canvas.colourAt(2, 1));
    EXPECT_EQ(0u, canvas.colourAt(3, 1));
    EXPECT_EQ(0u, canvas.colourAt(2, 2));
    EXPECT_EQ(0u, canvas.colourAt(0xFFFFFFFFu, 0));
}

namespace {

// The edge walk one sub-scanline at a time from the edge's upper end, for comparison.
void plainEdge(CoverageBuffer& b, Point p, Point q) {
    int x0 = int(p.x * 16), y0 = int(p.y * 16), x1 = int(q.x * 16), y1 = int(q.y * 16), d = 1;
    if (y1 < y0) std::swap(x0, x1), std::swap(y0, y1), d = -1;
    const int dy = y1 - y0, dx = x1 - x0, step = dx > 0 ? 1 : -1;
    int error = 0, x = x0, y = y0;
    for (int k = 0; k < dy; ++k) {
        ++y;
        const int row = y >> 4, column = x >> 4, f = x & 15;
        if (unsigned(row) < b.height) {
            const int left = std::max(column, 0), right = std::max(column + 1, 0);
            if (unsigned(left) < b.width) b.row(row)[left] = int16_t(uint16_t(b.row(row)[left] + d * (16 - f)));
            if (unsigned(right) < b.width) b.row(row)[right] = int16_t(uint16_t(b.row(row)[right] + d * f));
        }
        error += std::abs(dx);
        while (error >= dy) x += step, error -= dy;
    }
}

}  // namespace

TEST(Rasterize, SkippingRowsOutsideTheBufferGivesTheSameCellsAsWalkingThemAll) {
    std::srand(12);
    auto coordinate = [] { return float(std::rand() % 4000 - 2000) / 37.0f; };
    for (int n = 0; n < 2000; ++n) {
        CoverageBuffer fast(23, 17), plain(23, 17);
        const Point p{coordinate(), coordinate()}, q{coordinate(), coordinate()};
        rasterizeEdge(fast, p, q);
        plainEdge(plain, p, q);
        for (size_t i = 0; i < 23 * 17; ++i) ASSERT_EQ(plain.cells[i], fast.cells[i]) << n;
    }
}
