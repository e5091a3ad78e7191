// A shape: a set of cubic Bézier segments, the common form of everything bezier-hausdorff
// measures (one curve, SVG paths and files, glyph outlines), with the contours they form and the
// fill that paints them.
#ifndef DISTANCE_SHAPE_H
#define DISTANCE_SHAPE_H

#include <cmath>
#include <string>
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

// Which points a set of closed contours fills: those off the contours whose winding number is
// not 0 (nonzero), or is odd (evenodd).
enum class FillRule : unsigned char { kNonzero, kEvenOdd };

// A run of consecutive segments drawn as one piece, each starting exactly where the one before it
// ends: a subpath of SVG path data, a glyph's contour.
struct Contour {
  int firstSegment;
  int segmentCount;  // at least 1
  // Its last segment ends exactly where its first starts. An open contour is closed for filling
  // by the line from its end back to its start, as SVG and fonts fill it; that line is part of
  // the filled region's boundary, not of the drawn outline.
  bool closed;
};

// Contours painted together: an SVG element, a glyph, a path from the command line. Its painted
// set is the region its contours fill under `rule`, together with the contours themselves; with
// `filled` false (fill="none") it is the contours alone.
struct Paint {
  int firstContour;
  int contourCount;  // at least 1
  bool filled;
  FillRule rule;
};

struct Shape {
  // In input order; a segment's index is its position here. Zero-length segments are points of
  // the shape and count like any other.
  std::vector<CubicCurve> segments;
  // How far the segments may lie from the figure they stand for, as a bound on the Hausdorff
  // distance between the two: 0 when they are that figure exactly (lines, quadratics and cubics
  // are), positive when they approximate it (elliptical arcs). The certified search widens its
  // interval by the two shapes' bounds, so that it holds the distance between the figures.
  double approximationError = 0.0;
  // The segments' contours, in order, each starting where the one before ends, together covering
  // every segment. Empty when not known (segments put together by hand): contoursOf then derives
  // them from where segments meet.
  std::vector<Contour> contours = {};
  // The contours' paints, in order, covering every contour the same way. Empty: one paint of
  // every contour, filled under the nonzero rule.
  std::vector<Paint> paints = {};
};

// The shape's contours: its own, or else the runs of segments in which each starts exactly where
// the previous one ends.
std::vector<Contour> contoursOf(const Shape& shape);

// The shape's paints over contoursOf(shape): its own, or else one filled under `rule`.
std::vector<Paint> paintsOf(const Shape& shape, FillRule rule = FillRule::kNonzero);

// Why the shape's contours and paints do not describe its segments, as one line ("contour 2
// starts at segment 5, where contour 1 does not end"); "" when they do (or are empty).
std::string structureProblem(const Shape& shape);

#endif  // DISTANCE_SHAPE_H
