#include "geometry/hausdorff_report.h"

#include <cmath>

#include "geometry/geometry_scene.h"
#include "geometry/hausdorff.h"
#include "geometry/nearest.h"

WitnessArrow locateWitness(const CubicCurve& curveA, const CubicCurve& curveB, double witness,
                           int markMode) {
  // The sign of the witness names the curve; its magnitude never drops below 1e-9, so even a
  // witness at parameter 0 keeps the sign.
  const bool onSecond = witness < 0.0;
  const CubicCurve& witnessCurve = onSecond ? curveB : curveA;
  const CubicCurve& otherCurve = onSecond ? curveA : curveB;
  WitnessArrow arrow;
  arrow.witnessCurve = onSecond ? 1 : 0;
  arrow.witnessParameter = std::fabs(witness);
  arrow.witnessPoint = evaluateCurve(witnessCurve, arrow.witnessParameter);
  nearestPointOnCurve(otherCurve, arrow.witnessPoint, markMode);
  arrow.nearestParameter = geometryScene.lastNearestParameter;
  arrow.nearestPoint = evaluateCurve(otherCurve, arrow.nearestParameter);
  return arrow;
}

HausdorffReport hausdorffReport(const CubicCurve& curveA, const CubicCurve& curveB,
                                std::FILE* trace) {
  const HausdorffResult search = hausdorffSearch(curveA, curveB, trace);
  // markMode 0: the viewer's search for the same point, without its drawing.
  const WitnessArrow arrow = locateWitness(curveA, curveB, search.witness, 0);
  HausdorffReport report;
  report.lowerBound = search.lowerBound;
  report.upperBound = search.upperBound;
  report.witnessCurve = arrow.witnessCurve;
  report.witnessParameter = arrow.witnessParameter;
  report.witnessPoint = arrow.witnessPoint;
  report.nearestParameter = arrow.nearestParameter;
  report.nearestPoint = arrow.nearestPoint;
  report.steps = search.steps;
  return report;
}
