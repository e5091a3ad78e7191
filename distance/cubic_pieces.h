// Small exact-as-possible operations on cubic pieces that the certified search is built from:
// splitting, extracting the piece over any parameter interval, Newton steps toward a nearest
// point, and the Bernstein bounds of the squared distance from a point. Halving is the
// geometry's own halveCurve.
//
// Rounding: on coordinates of magnitude at most 1 (the search works on centred, scaled
// coordinates), each de Casteljau row is a convex combination, so errors already present do not
// grow, and it adds at most one rounding error of 2^-53 to a coordinate when halving (a * 0.5 and
// b * 0.5 are exact, their sum rounds once) and at most four at a general parameter (the weight
// 1 - t, two products and a sum); the search's rounding allowance is built on these figures.
#ifndef DISTANCE_CUBIC_PIECES_H
#define DISTANCE_CUBIC_PIECES_H

#include <algorithm>
#include <cmath>

#include "geometry/cubic.h"
#include "geometry/cubic_inline.h"

namespace certified {

// (1 - t) a + t b: exactly a at t = 0 and exactly b at t = 1.
inline Point2 lerp(Point2 a, Point2 b, double t) {
  const double s = 1.0 - t;
  return {s * a.x + t * b.x, s * a.y + t * b.y};
}

inline double squaredLength(double x, double y) {
  return x * x + y * y;
}

inline double squaredDistance(Point2 a, Point2 b) {
  return squaredLength(a.x - b.x, a.y - b.y);
}

// De Casteljau's triangle at t: its rows below the control points. abcd is the curve's point at
// t; the curve's derivative there is 3 (bcd - abc), and its second derivative 6 (cd - 2 bc + ab).
struct DeCasteljau {
  Point2 ab, bc, cd, abc, bcd, abcd;
};

inline DeCasteljau deCasteljau(const CubicCurve& c, double t) {
  DeCasteljau rows;
  rows.ab = lerp(c.p[0], c.p[1], t);
  rows.bc = lerp(c.p[1], c.p[2], t);
  rows.cd = lerp(c.p[2], c.p[3], t);
  rows.abc = lerp(rows.ab, rows.bc, t);
  rows.bcd = lerp(rows.bc, rows.cd, t);
  rows.abcd = lerp(rows.abc, rows.bcd, t);
  return rows;
}

// Splits at t; both pieces share the point at t bit for bit.
inline void splitAt(const CubicCurve& c, double t, CubicCurve& left, CubicCurve& right) {
  const DeCasteljau rows = deCasteljau(c, t);
  left = CubicCurve{{c.p[0], rows.ab, rows.abc, rows.abcd}};
  right = CubicCurve{{rows.abcd, rows.bcd, rows.cd, c.p[3]}};
}

// The point at t: a convex combination at every row, so its rounding error stays within three
// roundings of the coordinates' magnitude.
inline Point2 pointAt(const CubicCurve& c, double t) {
  return deCasteljau(c, t).abcd;
}

// One Newton step on f(t) = |c(t) - q|^2: f's value at t, and the next parameter (unclamped),
// when f'' > 0 there (`descends`).
struct NewtonStep {
  double squared;
  double next;
  bool descends;
};

inline NewtonStep newtonStep(const CubicCurve& c, Point2 q, double t) {
  const DeCasteljau rows = deCasteljau(c, t);
  const double ox = rows.abcd.x - q.x, oy = rows.abcd.y - q.y;
  // f' / 2 and f'' / 2 below share a factor 3.
  const double vx = rows.bcd.x - rows.abc.x, vy = rows.bcd.y - rows.abc.y;
  const double ax = rows.cd.x - 2 * rows.bc.x + rows.ab.x;
  const double ay = rows.cd.y - 2 * rows.bc.y + rows.ab.y;
  const double slope = vx * ox + vy * oy;
  const double curvature = 3 * (vx * vx + vy * vy) + 2 * (ax * ox + ay * oy);
  const bool descends = curvature > 0.0;
  return {squaredLength(ox, oy), descends ? t - slope / curvature : t, descends};
}

// The piece over [a, b] (0 <= a <= b <= 1): the left piece at b, then the right piece of that at
// a / b. Whatever the rounding of a / b, the result is (up to the rows' rounding) a piece of the
// curve between its points at a and b, which is all its callers rely on.
inline CubicCurve pieceBetween(const CubicCurve& c, double a, double b) {
  if (b <= 0.0) return CubicCurve{{c.p[0], c.p[0], c.p[0], c.p[0]}};
  CubicCurve upToB, unused, piece;
  splitAt(c, b, upToB, unused);
  splitAt(upToB, std::min(a / b, 1.0), unused, piece);
  return piece;
}

inline CubicCurve reversedPiece(const CubicCurve& c) {
  return CubicCurve{{c.p[3], c.p[2], c.p[1], c.p[0]}};
}

// The piece from parameter `from` to parameter `to`, in that direction (either may be larger).
inline CubicCurve stretchBetween(const CubicCurve& c, double from, double to) {
  return from <= to ? pieceBetween(c, from, to) : reversedPiece(pieceBetween(c, to, from));
}

// The Bernstein coefficients of f(t) = |c(t) - q|^2, a polynomial of degree 6 (see
// squaredDistanceBounds below), and the largest squared offset of a control point from q, which
// their rounding is proportional to.
struct DistanceCoefficients {
  double coefficients[7];
  double largestOffset;
};

inline DistanceCoefficients squaredDistanceCoefficients(const CubicCurve& c, Point2 q) {
  double dx[4], dy[4];
  for (int i = 0; i < 4; ++i) dx[i] = c.p[i].x - q.x, dy[i] = c.p[i].y - q.y;
  const auto dot = [&](int i, int j) { return dx[i] * dx[j] + dy[i] * dy[j]; };
  const double d00 = dot(0, 0), d11 = dot(1, 1), d22 = dot(2, 2), d33 = dot(3, 3);
  return {{d00, dot(0, 1), 0.4 * dot(0, 2) + 0.6 * d11, 0.1 * dot(0, 3) + 0.9 * dot(1, 2),
           0.4 * dot(1, 3) + 0.6 * d22, dot(2, 3), d33},
          std::max(std::max(d00, d11), std::max(d22, d33))};
}

// A parameter of c whose point is near q: the best of both ends and a few Newton steps on
// |c(t) - q|^2 from the middle. Only a choice of where to cut: callers rely on no optimality.
// The steps are skipped when no coefficient of that square is below the nearer end's (but for
// rounding): no point inside is then nearer than the end, to within rounding.
inline double nearParameter(const CubicCurve& c, Point2 q) {
  const DistanceCoefficients f = squaredDistanceCoefficients(c, q);
  double best = f.coefficients[0] <= f.coefficients[6] ? 0.0 : 1.0;
  double bestSquared = std::min(f.coefficients[0], f.coefficients[6]);
  const double slack = 0x1p-40 * f.largestOffset;
  if (std::all_of(f.coefficients + 1, f.coefficients + 6,
                  [&](double k) { return k >= bestSquared - slack; })) {
    return best;
  }
  double t = 0.5;
  for (int step = 0; step < 6; ++step) {
    const NewtonStep newton = newtonStep(c, q, t);
    if (newton.squared < bestSquared) bestSquared = newton.squared, best = t;
    if (!newton.descends) break;
    t = std::clamp(newton.next, 0.0, 1.0);
  }
  return best;
}

// The largest distance between corresponding control points. Since p(s) - q(s) is the Bernstein
// combination of the differences, it bounds |p(s) - q(s)| for every s: every point of p lies
// within it of a point of q.
inline double pairedControlDistance(const CubicCurve& p, const CubicCurve& q) {
  double largest = 0.0;
  for (int i = 0; i < 4; ++i) largest = std::max(largest, squaredDistance(p.p[i], q.p[i]));
  return std::sqrt(largest);
}

// The largest distance from a control point of c to the chord, the segment between c's ends.
// Every point of c lies in its control points' hull, and the distance to a segment is convex, so
// it is largest at a corner of the hull: every point of c lies within this distance of the chord.
// Any point of the chord that a control point is measured to gives a true distance, so rounding in
// where along the chord it falls cannot make the result too small.
inline double chordDeviation(const CubicCurve& c) {
  const double vx = c.p[3].x - c.p[0].x, vy = c.p[3].y - c.p[0].y;
  const double chordSquared = squaredLength(vx, vy);
  double largest = 0.0;
  for (int i = 1; i < 3; ++i) {
    const double wx = c.p[i].x - c.p[0].x, wy = c.p[i].y - c.p[0].y;
    double s = chordSquared > 0.0 ? (wx * vx + wy * vy) / chordSquared : 0.0;
    s = s > 0.0 ? std::min(s, 1.0) : 0.0;  // also 0 for NaN
    largest = std::max(largest, squaredLength(wx - s * vx, wy - s * vy));
  }
  return std::sqrt(largest);
}

// A distance within which every point of c's chord lies of c. c runs from one end of the chord to
// the other, so its projection onto the chord's line passes every point of the chord; where it
// does, c is no farther from that point than from the line, and no control point (so no point of
// c) is farther from the line than the largest control point's distance. Every point of the chord
// is also within the chord's length of its start, a point of c. Neither needs c to run straight
// or one way: a folded or stationary parametrisation covers its chord all the same.
inline double chordCoverage(const CubicCurve& c) {
  const double vx = c.p[3].x - c.p[0].x, vy = c.p[3].y - c.p[0].y;
  const double length = std::hypot(vx, vy);
  if (!(length > 0.0)) return 0.0;
  double largest = 0.0;
  for (int i = 1; i < 3; ++i) {
    const double wx = c.p[i].x - c.p[0].x, wy = c.p[i].y - c.p[0].y;
    largest = std::max(largest, std::fabs(wx * vy - wy * vx));
  }
  return std::min(length, largest / length);
}

// A bound of the distance from every point of `piece` to `stretch`, by way of their chords: a
// point of the piece is within chordDeviation(piece) of its chord; the chords, both walked at
// constant speed, stay within the larger of their ends' distances of each other; and every point
// of the stretch's chord is within chordCoverage(stretch) of the stretch. Unlike the paired
// control distance it sees only the figures, not how they are parametrised, so a straight piece
// drawn with handles on its ends, or a stretch that folds back on itself, bounds as tightly as a
// line.
inline double chordPairBound(const CubicCurve& piece, const CubicCurve& stretch) {
  const double ends = std::sqrt(std::max(squaredDistance(piece.p[0], stretch.p[0]),
                                         squaredDistance(piece.p[3], stretch.p[3])));
  return chordDeviation(piece) + ends + chordCoverage(stretch);
}

// A bound of the distance from every point of `piece` to `stretch`, when the stretch runs from
// near the piece's start to near its end: the better of the two pairings above.
inline double pairBound(const CubicCurve& piece, const CubicCurve& stretch) {
  return std::min(pairedControlDistance(piece, stretch), chordPairBound(piece, stretch));
}

// The largest distance from `from` to a control point of c: every point of the piece lies in the
// control points' convex hull, so within this distance of `from`.
inline double hullRadius(const CubicCurve& c, Point2 from) {
  double largest = 0.0;
  for (const Point2& point : c.p) largest = std::max(largest, squaredDistance(point, from));
  return std::sqrt(largest);
}

// Bounds of f(t) = |c(t) - q|^2 over the piece. f is a degree-6 polynomial whose Bernstein
// coefficients come from the products of the control points' offsets d_i = c_i - q:
//   f = sum over k of B6_k(t) * sum over i + j = k of C(3,i) C(3,j) / C(6,k) d_i.d_j.
// f is a convex combination of its coefficients, so their minimum bounds it from below; the
// first and last are f's values at the ends. Each coefficient is a weighted mean of products
// d_i.d_j, so its rounding error is within a few units of 2^-53 times max |d_i|^2, which the
// lower bound gives away (with a wide margin) so that it holds for the exact polynomial too.
// How far a coefficient may be from the exact polynomial's, in units of the largest squared offset
// max |d_i|^2: 32 units of 2^-53.
constexpr double kCoefficientRounding = 0x1p-48;

// A coefficient of f less its rounding, never below 0: from below, for the exact polynomial too.
inline double lessRounding(const DistanceCoefficients& f, double coefficient) {
  const double lower = coefficient - kCoefficientRounding * f.largestOffset;
  return lower > 0.0 ? lower : 0.0;
}

struct SquaredDistanceBounds {
  double lower;    // <= f(t) for every t of the piece; never negative
  double atStart;  // f at the piece's start
  double atEnd;    // f at its end
  int lowest;      // index 0..6 of the smallest coefficient: where to look for the minimum
};

inline SquaredDistanceBounds squaredDistanceBounds(const CubicCurve& c, Point2 q) {
  const DistanceCoefficients f = squaredDistanceCoefficients(c, q);
  int lowest = 0;
  for (int k = 1; k < 7; ++k) {
    if (f.coefficients[k] < f.coefficients[lowest]) lowest = k;
  }
  return {lessRounding(f, f.coefficients[lowest]), f.coefficients[0], f.coefficients[6], lowest};
}

}  // namespace certified

#endif  // DISTANCE_CUBIC_PIECES_H
