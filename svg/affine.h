// Affine maps of the plane, as SVG writes them: matrix(a b c d e f) takes (x, y) to
// (a x + c y + e, b x + d y + f).
#ifndef SVG_AFFINE_H
#define SVG_AFFINE_H

#include <cstddef>
#include <vector>

#include "distance/shape.h"
#include "geometry/cubic.h"
#include "shapes/segment_blocks.h"

struct Affine {
  double a, b, c, d, e, f;
};

constexpr Affine kIdentity{1, 0, 0, 1, 0, 0};

// cos and sin of an angle in degrees, exact (0, 1 or -1) at multiples of 90 degrees, where a
// rounded π would leave residues such as 6e-17 in place of 0.
void cosSinOfDegrees(double degrees, double& cosine, double& sine);

Point2 applyAffine(const Affine& map, Point2 p);

// The map that applies `inner` first, then `outer`.
Affine composeAffine(const Affine& outer, const Affine& inner);

// The largest singular value of the linear part: no two points move apart by more than this
// factor, so a Hausdorff distance grows by at most this factor under the map.
double largestStretch(const Affine& map);

// The shape under the map. Each control point is mapped: an affine map commutes with the
// Bernstein combination, so the mapped control points are exactly the mapped curve's. When the
// shape approximates (approximationError > 0), the bound becomes largestStretch times the old
// one, plus the rounding of the mapped control points. Contours and paints are kept, each
// contour closed when its mapped ends meet.
Shape mapShape(const Affine& map, const Shape& shape);

// Maps segments[first..] in place, as mapShape maps a shape's segments, and returns the bound
// mapShape gives them when, before the map, they approximate a figure within
// `approximationError` (0 stays 0).
double mapSegmentsInPlace(const Affine& map, SegmentBlocks& segments, std::size_t first,
                          double approximationError);

#endif  // SVG_AFFINE_H
