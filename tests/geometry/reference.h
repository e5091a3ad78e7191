// An independent Hausdorff distance for checking the search: dense sampling of both curves with
// local refinement, using its own curve evaluation.
#ifndef TESTS_GEOMETRY_REFERENCE_H
#define TESTS_GEOMETRY_REFERENCE_H

#include "geometry/cubic.h"

namespace reference {

// Distance from `query` to the nearest point of `curve`, accurate to about 1e-9.
double distanceToCurve(const CubicCurve& curve, Point2 query);

// The largest distance from a point of `from` to the curve `to`, accurate to about 1e-7.
double directedHausdorff(const CubicCurve& from, const CubicCurve& to);

// The symmetric Hausdorff distance.
double hausdorff(const CubicCurve& a, const CubicCurve& b);

}  // namespace reference

#endif  // TESTS_GEOMETRY_REFERENCE_H
