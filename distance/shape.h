// A shape: a set of cubic Bézier segments, the common form of everything bezier-hausdorff
// measures (one curve, SVG paths and files, glyph outlines).
#ifndef DISTANCE_SHAPE_H
#define DISTANCE_SHAPE_H

#include <vector>

#include "geometry/cubic.h"

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
