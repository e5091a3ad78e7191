// Inline forms of the two curve operations that the searches run for every candidate, with
// the same arithmetic as evaluateCurve and splitCurveHalf, so their results agree bit for bit.
#ifndef GEOMETRY_CUBIC_INLINE_H
#define GEOMETRY_CUBIC_INLINE_H

#include "geometry/cubic.h"

// evaluateCurve(curve, 0.5). At s = t = 0.5 every power and every product of constants in the
// Bernstein terms is exact (0.5² · 3 · 0.5 = 0.375, 0.5³ = 0.125), so each term is one rounded
// product with a control point, as there, and the terms are added in the same order: P1, P0,
// P2, P3.
inline Point2 curveMidpoint(const CubicCurve& curve) {
  const Point2* p = curve.p;
  return {0.375 * p[1].x + 0.125 * p[0].x + 0.375 * p[2].x + 0.125 * p[3].x,
          0.375 * p[1].y + 0.125 * p[0].y + 0.375 * p[2].y + 0.125 * p[3].y};
}

inline Point2 halfway(Point2 a, Point2 b) {
  return {a.x * 0.5 + b.x * 0.5, a.y * 0.5 + b.y * 0.5};
}

// splitCurveHalf: de Casteljau's triangle with both weights 0.5.
inline void halveCurve(const CubicCurve& curve, CubicCurve& left, CubicCurve& right) {
  const Point2 ab = halfway(curve.p[0], curve.p[1]);
  const Point2 bc = halfway(curve.p[1], curve.p[2]);
  const Point2 cd = halfway(curve.p[2], curve.p[3]);
  const Point2 abc = halfway(ab, bc);
  const Point2 bcd = halfway(bc, cd);
  const Point2 abcd = halfway(abc, bcd);
  left = CubicCurve{{curve.p[0], ab, abc, abcd}};
  right = CubicCurve{{abcd, bcd, cd, curve.p[3]}};
}

#endif  // GEOMETRY_CUBIC_INLINE_H
