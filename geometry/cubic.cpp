#include "geometry/cubic.h"

#include <cmath>

#include "geometry/cubic_inline.h"

namespace {

// One Bernstein-form coordinate. The terms are added in the order P1, P0, P2, P3 and the
// powers come from pow; the searches' printed digits were fixed with this exact arithmetic.
double bernstein(double c0, double c1, double c2, double c3, double t) {
  const double s = 1.0 - t;
  return std::pow(s, 2.0) * 3.0 * t * c1 + std::pow(s, 3.0) * c0 +
         s * (3.0 * std::pow(t, 2.0)) * c2 + std::pow(t, 3.0) * c3;
}

Point2 lerp(Point2 a, Point2 b, double wa, double wb) {
  return {a.x * wa + b.x * wb, a.y * wa + b.y * wb};
}

// De Casteljau's triangle with weights wa on the earlier and wb on the later point of each pair.
// Named after the classic midpoint labels: ab, bc, cd on the first row, abc, bcd on the
// second, abcd (the curve point) on the third.
void splitWithWeights(const CubicCurve& curve, double wa, double wb, CubicCurve& left,
                      CubicCurve& right) {
  const Point2 a = curve.p[0];
  const Point2 b = curve.p[1];
  const Point2 c = curve.p[2];
  const Point2 d = curve.p[3];
  const Point2 ab = lerp(a, b, wa, wb);
  const Point2 bc = lerp(b, c, wa, wb);
  const Point2 cd = lerp(c, d, wa, wb);
  const Point2 abc = lerp(ab, bc, wa, wb);
  const Point2 bcd = lerp(bc, cd, wa, wb);
  const Point2 abcd = lerp(abc, bcd, wa, wb);
  left = CubicCurve{{a, ab, abc, abcd}};
  right = CubicCurve{{abcd, bcd, cd, d}};
}

}  // namespace

Point2 evaluateCurve(const CubicCurve& curve, double t) {
  const Point2* p = curve.p;
  return {bernstein(p[0].x, p[1].x, p[2].x, p[3].x, t),
          bernstein(p[0].y, p[1].y, p[2].y, p[3].y, t)};
}

void splitCurveHalf(const CubicCurve& curve, CubicCurve& left, CubicCurve& right) {
  halveCurve(curve, left, right);
}

void splitCurveAt(const CubicCurve& curve, double t, CubicCurve& left, CubicCurve& right) {
  splitWithWeights(curve, 1.0 - t, t, left, right);
}

CubicCurve extractSegment(const CubicCurve& curve, double a, double b) {
  CubicCurve beforeA;
  CubicCurve fromA;
  splitCurveAt(curve, a, beforeA, fromA);
  // Local parameter of b inside [a, 1]; near a == 1 the piece is a point and s = 1 keeps it.
  const double s = std::fabs(1.0 - a) > 1e-8 ? (b - a) / (1.0 - a) : 1.0;
  CubicCurve piece;
  CubicCurve afterB;
  splitCurveAt(fromA, s, piece, afterB);
  return piece;
}
