// The anti-aliased polygon painter: circle points, edge and polygon rasterizing, filling, and adding onto window pixels.
#pragma once

#include <cstdint>
#include <list>

#include "blt/surface.h"
#include "sag/canvas.h"
#include "sag/coverage.h"
#include "sag/paint.h"

namespace Sag {

using PointList = std::list<Point>;

// [UI thread] Appends a circle of radius 5 pixels around (cx, cy): 128 points
// clockwise on the screen from the top, then the top point once more (129 in all).
void appendCircle(PointList& points, float cx, float cy);

// [UI thread] Accumulates the directed edge from p to q (in 1/16 pixel steps).
void rasterizeEdge(CoverageBuffer& buffer, const Point& p, const Point& q);

// [UI thread] Accumulates the closed polygon [first, end): every edge between
// neighbours plus the closing edge from the last point to the first. Fewer
// than 2 points add nothing.
void rasterizePolygon(CoverageBuffer& buffer, PointList::const_iterator first, PointList::const_iterator end);

// [UI thread] Draws the accumulated coverage (even-odd rule) into the canvas
// with the paint; the buffer must be at least as large as the canvas.
void fillCoverage(Canvas& canvas, const CoverageBuffer& buffer, const Paint& paint);

// [UI thread] Adds the canvas channel-wise (saturating) onto `destination`, an
// array of canvas width x height words with the same row length. Brackets the
// writes with platform::gdiFlush() because the pixels may be a GDI bitmap.
void addCanvasTo(const Canvas& canvas, uint32_t* destination);

// [UI thread] As above onto a surface at least as large as the canvas (any stride).
void addCanvasTo(const Canvas& canvas, const QuillBLT::Surface& destination);

// The red of intensity v (red byte = low 8 bits of trunc(v * 255)), alpha byte 0.
// v is clamped to 0..1 first, so larger meter values cannot wrap to dark.
uint32_t valueToRed(float v);

}  // namespace Sag
