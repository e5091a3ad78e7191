#include "geometry/hausdorff_report.h"

#include <cmath>

#include "geometry/geometry_scene.h"
#include "geometry/hausdorff.h"
#include "geometry/nearest.h"

HausdorffReport hausdorffReport(const CubicCurve& curveA, const CubicCurve& curveB,
                                std::FILE* trace) {
  const HausdorffResult search = hausdorffSearch(curveA, curveB, trace);
  HausdorffReport report;
  report.lowerBound = search.lowerBound;
  report.upperBound = search.upperBound;
  report.steps = search.steps;

  // The sign of the witness names the curve; its magnitude never drops below 1e-9, so even a
  // witness at parameter 0 keeps the sign.
  const bool onSecond = search.witness < 0.0;
  const CubicCurve& witnessCurve = onSecond ? curveB : curveA;
  const CubicCurve& otherCurve = onSecond ? curveA : curveB;
  report.witnessCurve = onSecond ? 1 : 0;
  report.witnessParameter = std::fabs(search.witness);
  report.witnessPoint = evaluateCurve(witnessCurve, report.witnessParameter);

  // markMode 0: the same search as the viewer's red marker, which only adds the drawing.
  nearestPointOnCurve(otherCurve, report.witnessPoint, 0);
  report.nearestParameter = geometryScene.lastNearestParameter;
  report.nearestPoint = evaluateCurve(otherCurve, report.nearestParameter);
  return report;
}
