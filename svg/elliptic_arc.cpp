#include "svg/elliptic_arc.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distance/shape.h"
#include "svg/affine.h"

// How far a cubic lies from the arc it stands for
// ------------------------------------------------
// Take the unit circle's arc from angle -α to α (θ = 2α, the arc's angle) and the cubic C with
// P0 = (cos α, -sin α), P3 = (cos α, sin α), and P1, P2 on the end tangents at h = 4/3 tan(θ/4)
// from the ends. The polynomial |C(t)|² - 1, of degree 6:
//   - vanishes doubly at t = 0 and t = 1: the ends lie on the circle and the tangents there are
//     perpendicular to the radius, so the derivative 2 C·C' vanishes too;
//   - vanishes doubly at t = 1/2: C(1/2) = (cos α + 3/4 h sin α, 0), and with
//     h = 4/3 tan(α/2) = 4/3 (1 - cos α)/sin α that is (1, 0); the cubic is symmetric about the
//     x axis (|C(t)| = |C(1-t)|), so the derivative vanishes there.
// Six roots counted with multiplicity fix it: |C(t)|² - 1 = K t²(1-t)²(2t-1)², where K is a
// quarter of the t⁶ coefficient of |C|², i.e. |a|²/4 with a = P3 - P0 + 3(P1 - P2), the t³
// coefficient of C. Here a = (0, 6h cos α - 4 sin α). So |C(t)| >= 1 everywhere, and with
// s = t(1-t) in [0, 1/4], t²(1-t)²(2t-1)² = s²(1 - 4s) is at most 1/108 (at s = 1/6). Hence
//   0 <= |C(t)|² - 1 <= m = K / 108 = (6h cos α - 4 sin α)² / 432,
// with equality at t = (1 ± 1/√3)/2, so the largest radial deviation is exactly
//   |C(t)| - 1 <= sqrt(1 + m) - 1 = m / (sqrt(1 + m) + 1),
// about 2.7253e-4 for a quarter turn, falling as θ⁶ for smaller angles.
//
// Why that radial bound is a bound on the Hausdorff distance, both ways: for 0 < θ < a half turn
// the control polygon is convex and lies in the angular sector of the arc, with the origin outside
// it. A line through the origin at an angle inside the sector crosses the closed polygon twice,
// once on the chord P3P0, so it crosses the open control polygon at most once, and by the
// variation-diminishing property it meets the cubic at most once. The cubic runs from angle -α to
// α, so its polar angle rises monotonically over exactly the arc's range. Hence each point C(t)
// lies within the radial bound of the arc point in its direction, and each arc point is, in its
// direction, within that bound of the cubic point that has its angle: the Hausdorff distance is at
// most the bound. Turning the figure changes nothing.
//
// An ellipse's arc is the image of a circle's arc under the linear map D = diag(rx, ry) followed
// by a rotation, and its cubic is the image of the circle's cubic (affine maps commute with
// Bézier combinations). The pairs above (a point and the arc point in its direction ψ) differ by
// a radial vector of length at most the bound; D stretches that direction by
// |D (cos ψ, sin ψ)|, so the images are within the bound times the largest such stretch over the
// piece's angles: at most max(rx, ry), and much less on the flat sides of a thin ellipse. Any
// further affine map multiplies a Hausdorff distance by at most its largest singular value.

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
constexpr double kPi = 3.14159265358979323846;

Point2 plus(Point2 a, Point2 b) {
  return {a.x + b.x, a.y + b.y};
}

Point2 minus(Point2 a, Point2 b) {
  return {a.x - b.x, a.y - b.y};
}

Point2 times(double k, Point2 a) {
  return {k * a.x, k * a.y};
}

double distance(Point2 a, Point2 b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// An ellipse as the image of the unit circle: scaled by rx and ry, turned, moved to `center`.
struct EllipseFrame {
  Point2 center;
  double rx;
  double ry;
  double cosPhi;
  double sinPhi;
};

Point2 fromUnit(const EllipseFrame& frame, Point2 u) {
  const double x = frame.rx * u.x;
  const double y = frame.ry * u.y;
  return {frame.center.x + (frame.cosPhi * x - frame.sinPhi * y),
          frame.center.y + (frame.sinPhi * x + frame.cosPhi * y)};
}

CubicCurve fromUnit(const EllipseFrame& frame, const CubicCurve& unit) {
  CubicCurve mapped;
  for (int i = 0; i < 4; ++i) mapped.p[i] = fromUnit(frame, unit.p[i]);
  return mapped;
}

// The rounding of fromUnit on control points of a unit cubic (magnitude below 2): a few
// rounded products and sums, each within eps of its magnitude.
double frameRounding(const EllipseFrame& frame) {
  return 8 * kEpsilon *
         (std::fabs(frame.center.x) + std::fabs(frame.center.y) + 4 * (frame.rx + frame.ry));
}

// The cubic for the unit circle's arc between two angles, with tangent length h.
CubicCurve unitArcBetween(double start, double end, double h) {
  const Point2 p0{std::cos(start), std::sin(start)};
  const Point2 p3{std::cos(end), std::sin(end)};
  const Point2 t0{-p0.y, p0.x};
  const Point2 t3{-p3.y, p3.x};
  return CubicCurve{{p0, plus(p0, times(h, t0)), minus(p3, times(h, t3)), p3}};
}

// The largest of |D (cos ψ, sin ψ)| = hypot(rx cos ψ, ry sin ψ) for ψ between two angles: at an
// end, or at a multiple of a quarter turn inside, where it is rx or ry.
double largestStretchBetween(double rx, double ry, double from, double to) {
  const double lo = std::min(from, to), hi = std::max(from, to);
  double largest = std::max(std::hypot(rx * std::cos(lo), ry * std::sin(lo)),
                            std::hypot(rx * std::cos(hi), ry * std::sin(hi)));
  if (std::floor(hi / kPi) >= std::ceil(lo / kPi)) largest = std::max(largest, rx);
  if (std::floor(hi / kPi - 0.5) >= std::ceil(lo / kPi - 0.5)) largest = std::max(largest, ry);
  return largest * (1 + 1e-12);
}

// Bound on |sqrt(exact) - sqrt(computed)| when |exact - computed| <= error, computed >= 0.
double squareRootUncertainty(double computed, double error) {
  const double anyCase = std::sqrt(error);
  if (computed <= 0) return anyCase;
  const double below = std::sqrt(std::max(0.0, computed - error));
  return std::min(anyCase, error / (std::sqrt(computed) + below));
}

// Double-double arithmetic: a value as an unevaluated sum hi + lo with |lo| <= ulp(hi) / 2.
// Sums and products are error-free transformations (Knuth's two-sum, fma's exact residual), so
// the few operations below lose only terms of order eps² of their operands' magnitudes.
struct DoubleDouble {
  double hi;
  double lo;
};

DoubleDouble twoSum(double a, double b) {
  const double sum = a + b;
  const double bPart = sum - a;
  return {sum, (a - (sum - bPart)) + (b - bPart)};
}

DoubleDouble twoProduct(double a, double b) {
  const double product = a * b;
  return {product, std::fma(a, b, -product)};
}

DoubleDouble plusDD(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble sum = twoSum(a.hi, b.hi);
  return twoSum(sum.hi, sum.lo + a.lo + b.lo);
}

DoubleDouble negated(DoubleDouble a) {
  return {-a.hi, -a.lo};
}

// a × b for a double-double a and a double b.
DoubleDouble timesDD(DoubleDouble a, double b) {
  const DoubleDouble product = twoProduct(a.hi, b);
  return twoSum(product.hi, product.lo + a.lo * b);
}

DoubleDouble squaredDD(DoubleDouble a) {
  const DoubleDouble square = twoProduct(a.hi, a.hi);
  return twoSum(square.hi, square.lo + 2 * a.hi * a.lo);
}

// 1 - |u|², the square of the centre's distance from the chord's midpoint in the unit frame
// (negative when the radii are too small), with a bound on its error.
struct ShiftSquared {
  double value;
  double error;
};

// For an ellipse whose axes lie along x and y (a rotation by a multiple of a quarter turn, where
// cos and sin are exactly 0 and ±1), 1 - (x1/rx)² - (y1/ry)² with x1, y1 the half chord's
// coordinates up to order: from the end points' exact differences, as
//   ((rx ry)² - (ry x1)² - (rx y1)²) / (rx ry)²
// in double-double, all scaled by one power of two so that nothing overflows. Its error is of
// order eps² where the plain formula's is of order eps; that matters where the end points are
// (nearly) opposite, as in every semicircle "A r r 0 0 1 x+2r y", whose centre the square root
// would otherwise place only within sqrt(eps) of the radius. False when some intermediate is
// out of the normal range (the plain formula then serves).
bool axisAlignedShiftSquared(Point2 from, Point2 to, bool swapAxes, double rx, double ry,
                             ShiftSquared& result) {
  DoubleDouble halfX = twoSum(from.x, -to.x);
  DoubleDouble halfY = twoSum(from.y, -to.y);
  if (swapAxes) std::swap(halfX, halfY);
  const double largest = std::max({std::fabs(halfX.hi), std::fabs(halfY.hi), rx, ry});
  if (!(largest > 0) || !std::isfinite(largest)) return false;
  // Halving and the common scale are powers of two: exact while nothing underflows.
  const double scale = std::ldexp(1.0, -std::ilogb(largest) - 1);
  const auto scaled = [scale](DoubleDouble v) { return DoubleDouble{v.hi * scale, v.lo * scale}; };
  halfX = scaled(halfX);
  halfY = scaled(halfY);
  const double sx = rx * scale, sy = ry * scale;
  if (std::min(sx, sy) < 0x1p-200) return false;
  const DoubleDouble radii = twoProduct(sx, sy);
  const DoubleDouble radiiSquared = squaredDD(radii);
  const DoubleDouble xTerm = squaredDD(timesDD(halfX, sy * 0.5));
  const DoubleDouble yTerm = squaredDD(timesDD(halfY, sx * 0.5));
  const DoubleDouble numerator = plusDD(radiiSquared, negated(plusDD(xTerm, yTerm)));
  const double denominator = radiiSquared.hi + radiiSquared.lo;
  result.value = (numerator.hi + numerator.lo) / denominator;
  // Each double-double step errs by a few eps² of its magnitude; the terms are at most the
  // denominator times (1 + |u|²), then the division and the final sum round by eps each.
  const double magnitude = (radiiSquared.hi + xTerm.hi + yTerm.hi) / denominator;
  result.error = 64 * kEpsilon * kEpsilon * magnitude + 2 * kEpsilon * std::fabs(result.value);
  return std::isfinite(result.value) && std::isfinite(result.error);
}

}  // namespace

double unitArcCubicDeviation(double angle) {
  const double alpha = std::fabs(angle) / 2;
  const double h = 4.0 / 3.0 * std::tan(alpha / 2);
  const double a = 6 * h * std::cos(alpha) - 4 * std::sin(alpha);
  // The computed cubic's control points differ from the ideal ones by a few eps each (cos, sin,
  // tan, the products and sums, and the rounded angles it is built from), which moves the curve
  // by no more than the largest of those differences: 32 eps covers them with room to spare.
  const double m = a * a / 432;
  return m / (std::sqrt(1 + m) + 1) * (1 + 1e-9) + 32 * kEpsilon;
}

CubicCurve unitArcCubic(double start, double angle) {
  return unitArcBetween(start, start + angle, 4.0 / 3.0 * std::tan(angle / 4));
}

CubicCurve lineCubic(Point2 from, Point2 to) {
  const Point2 third = times(1.0 / 3.0, minus(to, from));
  return CubicCurve{{from, plus(from, third), minus(to, third), to}};
}

CubicCurve quadraticCubic(Point2 q0, Point2 q1, Point2 q2) {
  const Point2 first = minus(q1, q0);
  const Point2 second = minus(q1, q2);
  return CubicCurve{{q0, plus(q0, {2 * first.x / 3, 2 * first.y / 3}),
                     plus(q2, {2 * second.x / 3, 2 * second.y / 3}), q2}};
}

double appendEndpointArc(const EndpointArc& arc, double arcError, std::vector<CubicCurve>& out) {
  constexpr double kUnresolved = std::numeric_limits<double>::infinity();
  const Point2 from = arc.from;
  const Point2 to = arc.to;
  if (samePoint(from, to)) return 0;
  double rx = std::fabs(arc.rx);
  double ry = std::fabs(arc.ry);
  if (rx == 0 || ry == 0) {
    out.push_back(lineCubic(from, to));
    return 0;
  }
  // A circle is the same whatever its turn: left unturned, its arc gets the nearly exact centre
  // of axis-aligned ellipses below, and a semicircle the rounding floor of any other arc.
  double cosPhi = 1, sinPhi = 0;
  if (rx != ry) cosSinOfDegrees(arc.rotationDegrees, cosPhi, sinPhi);

  // The half chord in the ellipse's own axes, then in the unit frame where the ellipse is the
  // unit circle: the end points are u and -u about the chord's midpoint.
  const double dx = (from.x - to.x) / 2;
  const double dy = (from.y - to.y) / 2;
  const double x1 = cosPhi * dx + sinPhi * dy;
  const double y1 = -sinPhi * dx + cosPhi * dy;
  double ux = x1 / rx;
  double uy = y1 / ry;
  const double length = std::hypot(ux, uy);
  // End points closer than the arithmetic resolves count as the same point: nothing is drawn.
  if (!(length > 0)) return 0;

  // The square of the centre's distance from the midpoint in the unit frame, 1 - |u|²: nearly
  // exact for axis-aligned ellipses, else from |u| (its error is bounded below, once the radii
  // are final).
  ShiftSquared shiftSquared{(1 - length) * (1 + length), 0};
  const bool nearlyExact = (cosPhi == 0 || sinPhi == 0) &&
                           axisAlignedShiftSquared(from, to, cosPhi == 0, rx, ry, shiftSquared);

  // The centre's distance from the midpoint in the unit frame: sqrt(1 - |u|²), or 0 when the
  // radii are too small and are scaled up until the ellipse just reaches the end points.
  double centerShift = 0;
  const bool scaled = !(shiftSquared.value > 0);
  if (scaled) {
    // rx' = rx |u| written so that nothing overflows when |u| does (very small radii).
    const double ratio = ry / rx;
    // A ratio beyond the doubles' range is an ellipse too thin to draw within 1e150.
    if (!(ratio > 0) || !std::isfinite(ratio)) return kUnresolved;
    if (ratio >= 1) {
      rx = std::hypot(x1, y1 / ratio);
      ry = rx * ratio;
    } else {
      ry = std::hypot(x1 * ratio, y1);
      rx = ry / ratio;
    }
    if (!(rx > 0 && ry > 0) || !std::isfinite(rx) || !std::isfinite(ry)) return kUnresolved;
    ux = x1 / rx;
    uy = y1 / ry;
  } else {
    centerShift = std::sqrt(shiftSquared.value);
  }
  const double unitLength = scaled ? 1.0 : length;
  const double sign = arc.largeArc != arc.sweep ? 1.0 : -1.0;
  const Point2 centerUnit{sign * centerShift * uy / unitLength,
                          -sign * centerShift * ux / unitLength};

  // Start angle and sweep, on the circle about centerUnit.
  const Point2 startVector = minus({ux, uy}, centerUnit);
  const Point2 endVector = minus({-ux, -uy}, centerUnit);
  const double startAngle = std::atan2(startVector.y, startVector.x);
  double sweep = std::atan2(startVector.x * endVector.y - startVector.y * endVector.x,
                            startVector.x * endVector.x + startVector.y * endVector.y);
  if (!arc.sweep && sweep > 0) sweep -= 2 * kPi;
  if (arc.sweep && sweep < 0) sweep += 2 * kPi;
  if (!(std::fabs(sweep) > 0) || !std::isfinite(startAngle)) return kUnresolved;
  const Point2 middle{from.x / 2 + to.x / 2, from.y / 2 + to.y / 2};
  const EllipseFrame frame{middle, rx, ry, cosPhi, sinPhi};
  const Point2 center = fromUnit(frame, centerUnit);
  const EllipseFrame ellipse{center, rx, ry, cosPhi, sinPhi};

  // Rounding, in the unit frame. u carries the rounding of the rotation (cos and sin within a
  // few eps of the true ones, products and sums within eps each) divided by the radii.
  const double unitRounding =
      16 * kEpsilon * ((std::fabs(dx) + std::fabs(dy)) * (1 / rx + 1 / ry) + unitLength);
  // 1 - |u|² is then uncertain by 2|u| times that, plus its own rounding; the square root can
  // turn that into much more when the end points are nearly opposite (centerShift near 0).
  if (!nearlyExact) shiftSquared.error = 2 * unitLength * unitRounding + 4 * kEpsilon;
  double shiftError = 0;
  if (!scaled) {
    shiftError = squareRootUncertainty(shiftSquared.value, shiftSquared.error);
  } else if (!(-shiftSquared.value > shiftSquared.error)) {
    shiftError = std::sqrt(shiftSquared.error);
  }
  // The centre is off by shiftError plus the turn of its direction, and the end angles, read
  // from u - centre, by as much again: the computed arc lies within twice that, with a margin,
  // of the true one, and the pieces within unitArcCubicDeviation of the computed arc.
  const double directionError = centerShift * 2 * unitRounding / unitLength;
  const double centerError = shiftError + directionError + unitRounding;
  const double stretch = std::max(rx, ry);
  const double rounding =
      stretch * 2.02 * centerError + frameRounding(frame) + frameRounding(ellipse);

  // What is left of arcError for the pieces themselves; the snap of the ends below is of the
  // order of the frame's rounding, which the margin of a thousandth covers but at the floor.
  const double budget = arcError * 0.999 / (1 + 1e-12) - 2 * rounding;
  const int pieces = arcPiecesFor(sweep, stretch, budget);
  const double pieceAngle = sweep / pieces;

  const double h = 4.0 / 3.0 * std::tan(pieceAngle / 4);
  const std::size_t first = out.size();
  double previousAngle = startAngle;
  double pieceStretch = 0;
  for (int k = 1; k <= pieces; ++k) {
    const double angle = k == pieces ? startAngle + sweep : startAngle + k * pieceAngle;
    CubicCurve piece = fromUnit(ellipse, unitArcBetween(previousAngle, angle, h));
    if (k > 1) piece.p[0] = out.back().p[3];  // joins are shared bit for bit
    out.push_back(piece);
    pieceStretch = std::max(pieceStretch, largestStretchBetween(rx, ry, previousAngle, angle));
    previousAngle = angle;
  }
  // The ends are set to the path's points exactly; the cubics move by at most as much.
  const double snap = std::max(distance(out[first].p[0], from), distance(out.back().p[3], to));
  out[first].p[0] = from;
  out.back().p[3] = to;

  const double bound = pieceStretch * unitArcCubicDeviation(pieceAngle) + rounding + snap;
  return bound * (1 + 1e-12);
}

int arcPiecesFor(double sweep, double stretch, double budget) {
  const double turn = std::fabs(sweep);
  // A piece that rounding made a hair wider stays one piece: the bound and the argument for it
  // hold up to a half turn.
  const int fewest =
      std::min(8, std::max(1, static_cast<int>(std::ceil(turn / kWidestPiece - 1e-9))));
  const int most = std::max(fewest, static_cast<int>(std::ceil(turn / kNarrowestPiece - 1e-9)));
  const auto meets = [&](int pieces) {
    return stretch * unitArcCubicDeviation(turn / pieces) <= budget;
  };
  if (!(budget > 0) || !(stretch < std::numeric_limits<double>::infinity()) || !meets(most)) {
    return most;
  }
  // The deviation is about c θ⁶ with c fixed by the quarter turn's: a first guess from that,
  // then a few steps up where the guess fell short (the +32 eps of the deviation).
  const double quarter = unitArcCubicDeviation(kQuarterTurn);
  const double widest = kQuarterTurn * std::pow(budget / (stretch * quarter), 1.0 / 6);
  int pieces = fewest;
  if (widest < turn / fewest) {
    pieces = std::min(most, static_cast<int>(std::ceil(turn / widest)));
  }
  while (pieces < most && !meets(pieces)) pieces = std::min(most, pieces + 1 + pieces / 8);
  return pieces;
}

double appendEllipseQuarter(Point2 center, double rx, double ry, int quadrant, double arcError,
                            std::vector<CubicCurve>& out) {
  static const Point2 kAxes[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
  const EllipseFrame frame{center, rx, ry, 1, 0};
  const double stretch = std::max(rx, ry);
  const double rounding = frameRounding(frame);
  const int pieces = arcPiecesFor(kQuarterTurn, stretch, arcError * 0.999 - 2 * rounding);
  const double start = quadrant * kQuarterTurn;
  const double pieceAngle = kQuarterTurn / pieces;
  const double h = 4.0 / 3.0 * std::tan(pieceAngle / 4);
  double previous = start;
  for (int k = 1; k <= pieces; ++k) {
    const double angle = start + k * pieceAngle;
    // Neighbours share the end angle, so their joins agree bit for bit.
    CubicCurve piece = unitArcBetween(previous, angle, h);
    // The axis points exactly, where cos and sin of a rounded multiple of π/2 leave 6e-17.
    if (k == 1) piece.p[0] = kAxes[quadrant % 4];
    if (k == pieces) piece.p[3] = kAxes[(quadrant + 1) % 4];
    out.push_back(fromUnit(frame, piece));
    previous = angle;
  }
  return stretch * unitArcCubicDeviation(pieceAngle) + rounding;
}

double appendEllipse(Point2 center, double rx, double ry, double arcError,
                     std::vector<CubicCurve>& out) {
  double bound = 0;
  for (int quadrant = 0; quadrant < 4; ++quadrant) {
    bound = std::max(bound, appendEllipseQuarter(center, rx, ry, quadrant, arcError, out));
  }
  return bound;
}
