// A plain, line-by-line reading of the curve operations and the two searches, kept beside the
// library's tuned versions. The library must agree with it bit for bit: same results, same
// trace bytes, same scene fields, same canvas calls. It shares the library's value types, scene
// and canvas, so the two can be compared call for call.
#ifndef TESTS_GEOMETRY_PLAIN_SEARCH_H
#define TESTS_GEOMETRY_PLAIN_SEARCH_H

#include <cstdio>

#include "geometry/cubic.h"
#include "geometry/hausdorff.h"

namespace plain {

Point2 evaluateCurve(const CubicCurve& curve, double t);
void splitCurveHalf(const CubicCurve& curve, CubicCurve& left, CubicCurve& right);
void splitCurveAt(const CubicCurve& curve, double t, CubicCurve& left, CubicCurve& right);
CubicCurve extractSegment(const CubicCurve& curve, double a, double b);

// Same contract as ::nearestPointOnCurve.
double nearestPointOnCurve(const CubicCurve& curve, Point2 query, int markMode);

double controlPolygonBound(const CubicCurve& p, const CubicCurve& q);

// Same contract as ::hausdorffSearch: every trace line is written with its own fprintf.
HausdorffResult hausdorffSearch(const CubicCurve& curveA, const CubicCurve& curveB,
                                std::FILE* trace);

}  // namespace plain

#endif  // TESTS_GEOMETRY_PLAIN_SEARCH_H
