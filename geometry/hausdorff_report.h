// The whole outcome of one Hausdorff search, as the viewer shows it: the distance interval, the
// witness point and its nearest point on the other curve.
#ifndef GEOMETRY_HAUSDORFF_REPORT_H
#define GEOMETRY_HAUSDORFF_REPORT_H

#include <cstdio>

#include "geometry/cubic.h"

struct HausdorffReport {
  // The Hausdorff distance lies in [lowerBound, upperBound], up to the 0.001 radius of the
  // nearest-point searches; upperBound == lowerBound when the search emptied its queue.
  double lowerBound;
  double upperBound;
  // 0: the witness lies on the first curve, 1: on the second.
  int witnessCurve;
  // The magnitude of the signed witness parameter, so at least 1e-9: a witness at the start of
  // its curve shows as 1e-9, and witnessPoint is the curve's point there, as the viewer draws it.
  double witnessParameter;
  Point2 witnessPoint;
  // Where nearestPointOnCurve finds the witness point's nearest point on the other curve, and
  // that curve's point at that parameter (the head of the viewer's arrow).
  double nearestParameter;
  Point2 nearestPoint;
  int steps;  // processed search iterations
};

// Where a signed witness parameter r of hausdorffSearch points, and the nearest point of the
// other curve to it: the two ends of the viewer's arrow.
struct WitnessArrow {
  int witnessCurve;         // 0: the first curve (r >= 0), 1: the second (r < 0)
  double witnessParameter;  // |r|
  Point2 witnessPoint;      // the witness curve at |r|
  double nearestParameter;  // as nearestPointOnCurve leaves it in lastNearestParameter
  Point2 nearestPoint;      // the other curve at nearestParameter
};

// Evaluates the witness point, runs nearestPointOnCurve(other curve, witness point, markMode)
// and evaluates the other curve at the parameter it found, in that order; markMode only
// decides whether that search draws its marker.
WitnessArrow locateWitness(const CubicCurve& curveA, const CubicCurve& curveB, double witness,
                           int markMode);

// Runs hausdorffSearch on the pair, writing its trace to `trace` (nothing when null), then finds
// the witness point and its nearest point exactly as the viewer's distance overlay does, without
// drawing. Leaves geometryScene.lastNearestParameter at nearestParameter.
HausdorffReport hausdorffReport(const CubicCurve& curveA, const CubicCurve& curveB,
                                std::FILE* trace);

#endif  // GEOMETRY_HAUSDORFF_REPORT_H
