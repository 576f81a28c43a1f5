// Circle points, edge and polygon rasterizing into the coverage buffer.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sag/painter.h"

namespace Sag {

namespace {

constexpr double circleRadius = 5.0;
constexpr double circleTolerance = 0.25;
constexpr double fullTurn = double(6.2831855f);

// Sixteenths of a pixel, truncated toward zero; kept far from the int range so
// that the arithmetic below cannot overflow.
int32_t toSixteenths(float v) {
    const float limit = 1 << 26;
    if (!(v * 16.0f > -limit)) return -(1 << 26);  // also NaN
    if (v * 16.0f > limit) return 1 << 26;
    return static_cast<int32_t>(v * 16.0f);
}

inline void addToCell(int16_t& cell, int value) {
    cell = static_cast<int16_t>(static_cast<uint16_t>(cell + value));  // 16-bit, wrapping
}

}  // namespace

void appendCircle(PointList& points, float cx, float cy) {
    auto pointAt = [&](double angle) {
        return Point{static_cast<float>(cx + circleRadius * std::sin(angle)),
                     static_cast<float>(cy - circleRadius * std::cos(angle))};
    };
    unsigned n = 2;
    for (;;) {
        const double angle = fullTurn / n;
        const double dx = circleRadius * std::sin(angle), dy = circleRadius - circleRadius * std::cos(angle);
        if (std::sqrt(dx * dx + dy * dy) <= circleTolerance) break;
        n *= 2;
    }
    for (unsigned i = 0; i < n; ++i) points.push_back(pointAt(i * fullTurn / n));
    points.push_back(pointAt(fullTurn));
}

void rasterizeEdge(CoverageBuffer& buffer, const Point& p, const Point& q) {
    int32_t x0 = toSixteenths(p.x), y0 = toSixteenths(p.y);
    int32_t x1 = toSixteenths(q.x), y1 = toSixteenths(q.y);
    int direction = 1;
    if (y1 < y0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        direction = -1;
    }

    // Record the columns this edge may touch on every row it crosses.
    const int32_t height = static_cast<int32_t>(std::min<uint32_t>(buffer.height, INT32_MAX));
    const int32_t rowBegin = std::max(0, y0 >> 4);
    const int32_t rowEnd = std::min(height, std::max(0, (y1 >> 4) + 1));
    const uint32_t first = static_cast<uint32_t>(std::max(0, std::min(x0, x1) >> 4));
    const uint32_t end = std::min(buffer.width, static_cast<uint32_t>(std::max(0, (std::max(x0, x1) >> 4) + 2)));
    for (int32_t r = rowBegin; r < rowEnd; ++r) {
        CoverageBuffer::Span& span = buffer.spans[r];
        span.first = std::min(span.first, first);
        span.end = std::max(span.end, end);
    }

    const int64_t dy = int64_t(y1) - y0, dx = int64_t(x1) - x0;
    if (dy == 0) return;
    const int64_t step = dx > 0 ? 1 : -1, adx = std::llabs(dx);

    // Sub-scanline y0 + k uses x0 + step * floor((k - 1) * |dx| / dy); only the
    // sub-scanlines inside the buffer are visited.
    const int64_t kFirst = std::max<int64_t>(1, -int64_t(y0));
    const int64_t kLast = std::min<int64_t>(dy, int64_t(height) * 16 - 1 - y0);
    if (kFirst > kLast) return;
    int64_t x = x0 + step * ((kFirst - 1) * adx / dy);
    int64_t error = (kFirst - 1) * adx % dy;
    const int64_t width = buffer.width;
    for (int64_t k = kFirst; k <= kLast; ++k) {
        const int64_t y = y0 + k;
        int16_t* row = buffer.row(static_cast<uint32_t>(y >> 4));
        const int64_t column = x >> 4;
        const int fraction = static_cast<int>(x & 15);
        const int64_t left = std::max<int64_t>(column, 0), right = std::max<int64_t>(column + 1, 0);
        if (left < width) addToCell(row[left], direction * (16 - fraction));
        if (right < width) addToCell(row[right], direction * fraction);
        error += adx;
        if (error >= dy) {
            x += step * (error / dy);
            error %= dy;
        }
    }
}

void rasterizePolygon(CoverageBuffer& buffer, PointList::const_iterator first, PointList::const_iterator end) {
    if (first == end || std::next(first) == end) return;
    PointList::const_iterator previous = first;
    for (PointList::const_iterator it = std::next(first); it != end; ++it) {
        rasterizeEdge(buffer, *previous, *it);
        previous = it;
    }
    rasterizeEdge(buffer, *previous, *first);
}

}  // namespace Sag
