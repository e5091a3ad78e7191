// A shape: a set of cubic Bézier segments, the common form of everything bezier-hausdorff
// measures (one curve, SVG paths and files, glyph outlines).
#ifndef DISTANCE_SHAPE_H
#define DISTANCE_SHAPE_H

#include <cmath>
#include <vector>

#include "geometry/cubic.h"

// Coordinates beyond this magnitude are refused by every reader: with every coordinate within
// 1e150, differences stay within 2e150 and sums of their squares within 8e300, so no distance
// the searches compute overflows.
constexpr double kMaxCoordinate = 1e150;

// Whether a and b are the same point, coordinate for coordinate.
inline bool samePoint(Point2 a, Point2 b) {
  return a.x == b.x && a.y == b.y;
}

// Whether both coordinates lie within kMaxCoordinate (false for NaN).
inline bool withinCoordinateRange(Point2 p) {
  return std::fabs(p.x) <= kMaxCoordinate && std::fabs(p.y) <= kMaxCoordinate;
}

struct Shape {
  // In input order; a segment's index is its position here. Zero-length segments are points of
  // the shape and count like any other.
  std::vector<CubicCurve> segments;
  // How far the segments may lie from the figure they stand for, as a bound on the Hausdorff
  // distance between the two: 0 when they are that figure exactly (lines, quadratics and cubics
  // are), positive when they approximate it (elliptical arcs). The certified search widens its
  // interval by the two shapes' bounds, so that it holds the distance between the figures.
  double approximationError = 0.0;
};

#endif  // DISTANCE_SHAPE_H
