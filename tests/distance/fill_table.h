// A seeded table of pairs of painted shapes for the fill distance: overlapping contours against
// their union as booleanOperations computes it, contours reversed, restarted and split into
// overlapping pieces, holes filled and counters shifted, annuli against discs, nonzero against
// evenodd on self-overlapping stars, zero-area slivers, touching contours, open contours, paints
// with no fill, random shapes with holes, and all of these far from the origin and at large and
// small scales. Where the fill distance is known in closed form, the pair carries it.
#ifndef TESTS_DISTANCE_FILL_TABLE_H
#define TESTS_DISTANCE_FILL_TABLE_H

#include <string>
#include <vector>

#include "distance/shape.h"

// What the outline distance H (between the segments alone) says of the fill distance F.
enum class OutlineRelation {
  kNone,    // nothing: a fill can be far from every outline (a disc against a thin ring)
  kEqual,   // F = H: both shapes paint outlines only
  kAtLeast  // H >= F: the painted sets coincide (F = 0), or both are convex and closed by their
            // own segments, so that the distance to the other, a convex function, is largest at
            // an extreme point, which lies on an outline
};

struct FillPair {
  std::string kind;
  Shape a;
  Shape b;
  double scale;     // the larger side of the two shapes' common bounding box
  double expected;  // F in closed form (to within the rounding of the coordinates), or NaN
  OutlineRelation outline;
};

// 283 pairs, the same on every run and from every compiler. The union pairs come from running
// Debian's python3-booleanoperations (tests/distance/boolean_union.py) on shapes written to a file
// in `directory`; a failure to run it throws std::runtime_error with what it printed.
std::vector<FillPair> seededFillTable(const std::string& directory);

// The same painted set drawn otherwise: every contour reversed; each closed contour started at
// its next segment; the contours of each paint in another order (rotated by one). The shapes
// keep explicit contours and paints.
Shape reverseContours(const Shape& shape);
Shape restartContours(const Shape& shape);
Shape reorderContours(const Shape& shape);
// Every coordinate times `factor` (exact for a power of two) plus `offset`.
Shape transformed(const Shape& shape, double factor, Point2 offset);

#endif  // TESTS_DISTANCE_FILL_TABLE_H
