// Planar cubic Bézier curves: the value types and the four pure operations on them.
//
// A curve runs from P0 at parameter 0 to P3 at parameter 1. Every operation works on values,
// allocates nothing and never fails. The arithmetic is fixed to the last bit (the order of the
// Bernstein terms, pow for the powers, the de Casteljau weights), because the searches built on
// these operations compare results against fixed tolerances and print them with six decimals.
#ifndef GEOMETRY_CUBIC_H
#define GEOMETRY_CUBIC_H

// A point in model units.
struct Point2 {
  double x;
  double y;
};

// Four control points, P0 first; `CubicCurve c{x0, y0, x1, y1, x2, y2, x3, y3};` fills them in
// order.
struct CubicCurve {
  Point2 p[4];
};

// The point of the curve at t, for t in [0, 1]: exactly P0 at 0 and exactly P3 at 1.
Point2 evaluateCurve(const CubicCurve& curve, double t);

// Splits at t = 0.5 with de Casteljau's construction. `left` covers [0, 0.5] and `right`
// [0.5, 1]; both share the midpoint bit for bit (left.p[3] == right.p[0]).
void splitCurveHalf(const CubicCurve& curve, CubicCurve& left, CubicCurve& right);

// Splits at t with de Casteljau's construction. `left` covers [0, t] and `right` [t, 1]; both
// share the point at t bit for bit.
void splitCurveAt(const CubicCurve& curve, double t, CubicCurve& left, CubicCurve& right);

// The piece over [a, b], a <= b, re-parameterised to [0, 1]. When a is within 1e-8 of 1 the
// piece after the first split is already a point and no division happens. When a == b the
// result is four copies of (up to rounding) the curve point at a.
CubicCurve extractSegment(const CubicCurve& curve, double a, double b);

#endif  // GEOMETRY_CUBIC_H
