// An independent Hausdorff distance between shapes, for checking the certified search: dense
// sampling refined by golden-section and Newton steps, in long double, with its own evaluation.
// It shares nothing with the search but the input types.
#ifndef TESTS_DISTANCE_SHAPE_REFERENCE_H
#define TESTS_DISTANCE_SHAPE_REFERENCE_H

#include "distance/shape.h"

namespace shape_reference {

// The distance from q to the nearest point of the shape's segments.
long double distanceToShape(const Shape& shape, long double x, long double y);

// The largest distance from a point of `from` to the shape `to`, and where it is attained.
struct Farthest {
  long double distance;
  int segment;
  long double t;
};
// `samples` points per segment of `from` are bracketed; 256 suit single curves, fewer do for
// shapes of many short segments.
Farthest directedHausdorff(const Shape& from, const Shape& to, int samples = 256);

// max(directed both ways): the Hausdorff distance between the segments (approximation errors
// are not taken into account).
long double hausdorff(const Shape& a, const Shape& b, int samples = 256);

// A "scribble": a path of n cubics whose control points are uniform in a 100 x 100 square, each
// segment starting where the one before ends (seeded, the same on every machine's libstdc++).
Shape scribble(int n, unsigned seed);

}  // namespace shape_reference

#endif  // TESTS_DISTANCE_SHAPE_REFERENCE_H
