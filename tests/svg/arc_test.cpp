// The arcs' cubics against the true arcs, sampled densely: the stated bound must hold both ways
// round and should not be much larger than the distance found.
#include "svg/elliptic_arc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "svg/path_data.h"

namespace {

using Real = long double;
// An arc error so large that every arc is cut into its fewest pieces, an eighth of a turn each.
constexpr double kCoarsest = 1e300;
constexpr Real kPi = 3.141592653589793238462643383279502884L;

struct RealPoint {
  Real x;
  Real y;
};

Real distance(RealPoint a, RealPoint b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

RealPoint onCubic(const CubicCurve& c, Real t) {
  const Real s = 1 - t;
  const Real w[4] = {s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t};
  RealPoint p{0, 0};
  for (int i = 0; i < 4; ++i) {
    p.x += w[i] * c.p[i].x;
    p.y += w[i] * c.p[i].y;
  }
  return p;
}

// The least of f over [0, 1]: the best of a grid, then golden-section search around it.
template <typename F>
Real minimumOver(F f, int grid) {
  int best = 0;
  Real bestValue = f(0);
  for (int i = 1; i <= grid; ++i) {
    const Real value = f(static_cast<Real>(i) / grid);
    if (value < bestValue) best = i, bestValue = value;
  }
  Real lo = std::max<Real>(0, (best - 1.0L) / grid);
  Real hi = std::min<Real>(1, (best + 1.0L) / grid);
  const Real ratio = (std::sqrt(5.0L) - 1) / 2;
  for (int i = 0; i < 64; ++i) {
    const Real a = hi - ratio * (hi - lo);
    const Real b = lo + ratio * (hi - lo);
    if (f(a) < f(b)) {
      hi = b;
    } else {
      lo = a;
    }
  }
  return std::min(bestValue, f((lo + hi) / 2));
}

// SVG's arc in centre form, computed in long double straight from the endpoint conversion SVG
// gives (the reader works in a unit frame instead).
struct TrueArc {
  Real cx, cy, rx, ry, cosPhi, sinPhi, start, sweep;

  RealPoint at(Real fraction) const {
    const Real angle = start + fraction * sweep;
    const Real x = rx * std::cos(angle), y = ry * std::sin(angle);
    return {cx + cosPhi * x - sinPhi * y, cy + sinPhi * x + cosPhi * y};
  }
};

Real angleBetween(Real ux, Real uy, Real vx, Real vy) {
  return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
}

TrueArc trueArc(const EndpointArc& arc) {
  Real rx = std::fabs(static_cast<Real>(arc.rx)), ry = std::fabs(static_cast<Real>(arc.ry));
  const Real phi = arc.rotationDegrees * kPi / 180;
  const Real c = std::cos(phi), s = std::sin(phi);
  const Real hx = (static_cast<Real>(arc.from.x) - arc.to.x) / 2;
  const Real hy = (static_cast<Real>(arc.from.y) - arc.to.y) / 2;
  const Real x1 = c * hx + s * hy, y1 = -s * hx + c * hy;
  const Real lambda = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
  if (lambda > 1) rx *= std::sqrt(lambda), ry *= std::sqrt(lambda);
  const Real numerator = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
  const Real denominator = rx * rx * y1 * y1 + ry * ry * x1 * x1;
  const Real k =
      (arc.largeArc == arc.sweep ? -1 : 1) * std::sqrt(std::max<Real>(0, numerator / denominator));
  const Real cxp = k * rx * y1 / ry, cyp = -k * ry * x1 / rx;
  TrueArc result{c * cxp - s * cyp + (static_cast<Real>(arc.from.x) + arc.to.x) / 2,
                 s * cxp + c * cyp + (static_cast<Real>(arc.from.y) + arc.to.y) / 2,
                 rx,
                 ry,
                 c,
                 s,
                 0,
                 0};
  const Real ux = (x1 - cxp) / rx, uy = (y1 - cyp) / ry;
  const Real vx = (-x1 - cxp) / rx, vy = (-y1 - cyp) / ry;
  result.start = angleBetween(1, 0, ux, uy);
  result.sweep = angleBetween(ux, uy, vx, vy);
  if (!arc.sweep && result.sweep > 0) result.sweep -= 2 * kPi;
  if (arc.sweep && result.sweep < 0) result.sweep += 2 * kPi;
  return result;
}

// Both directions of the Hausdorff distance between the cubics and the arc, from dense samples
// refined to their nearest points.
Real sampledHausdorff(const std::vector<CubicCurve>& cubics, const TrueArc& arc) {
  Real largest = 0;
  for (const CubicCurve& cubic : cubics) {
    for (int i = 0; i <= 200; ++i) {
      const RealPoint p = onCubic(cubic, i / 200.0L);
      largest = std::max(largest, minimumOver([&](Real f) { return distance(p, arc.at(f)); }, 200));
    }
  }
  for (int i = 0; i <= 800; ++i) {
    const RealPoint p = arc.at(i / 800.0L);
    Real nearest = std::numeric_limits<Real>::infinity();
    for (const CubicCurve& cubic : cubics) {
      nearest = std::min(nearest,
                         minimumOver([&](Real t) { return distance(p, onCubic(cubic, t)); }, 64));
    }
    largest = std::max(largest, nearest);
  }
  return largest;
}

TEST(UnitArcCubic, DeviationBoundIsTightAgainstTheSampledRadius) {
  for (const double angle : {kQuarterTurn, -kQuarterTurn, 1.2, 0.7, 0.3, 0.05}) {
    const CubicCurve cubic = unitArcCubic(0.4, angle);
    Real largest = 0;
    for (int i = 0; i <= 20000; ++i) {
      const RealPoint p = onCubic(cubic, i / 20000.0L);
      largest = std::max(largest, std::fabs(std::hypot(p.x, p.y) - 1));
    }
    const double bound = unitArcCubicDeviation(angle);
    EXPECT_GE(bound, largest) << angle;
    EXPECT_LE(bound, largest * 1.0001 + 1e-14) << angle;
  }
  EXPECT_NEAR(unitArcCubicDeviation(kQuarterTurn), 2.7253e-4, 1e-8);
}

TEST(EndpointArc, BoundHoldsBothWaysAndIsNotLoose) {
  const struct {
    EndpointArc arc;
    int pieces;
  } cases[] = {
      {{{1, 0}, {0, 1}, 1, 1, 0, false, true}, 2},        // a quarter circle
      {{{1, 0}, {0, 1}, 1, 1, 0, false, false}, 2},       // the other centre
      {{{1, 0}, {0, 1}, 1, 1, 0, true, true}, 6},         // three quarters
      {{{-5, 0}, {5, 0}, 5, 5, 0, false, true}, 4},       // a half circle, radii just right
      {{{0, 0}, {10, 0}, 1, 1, 0, true, false}, 4},       // radii scaled up to 5
      {{{0, 0}, {4, 3}, 5, 2, 30, true, false}, 0},       // a turned ellipse, large arc
      {{{0, 0}, {3, -2}, 10, 0.5, -45, false, true}, 0},  // a thin one
      {{{0, 0}, {1, 0}, 1000, 1000, 0, false, true}, 1},  // a very flat arc
      {{{1e6, 1e6}, {1e6 + 1, 1e6 + 1}, 1, 1, 0, true, true}, 6},  // far from the origin
      {{{0, 0}, {1e-3, 0}, 1, 1, 0, true, true}, 8},               // nearly the whole circle
      {{{0, 0}, {2, 2}, -2, 2, 0, false, true}, 2},                // negative radius
      {{{3, 1}, {-1, 2}, 3, 1.5, 450, false, false}, 0},           // turned by 450 degrees
  };
  for (const auto& c : cases) {
    std::vector<CubicCurve> cubics;
    const double bound = appendEndpointArc(c.arc, kCoarsest, cubics);
    const TrueArc reference = trueArc(c.arc);
    const Real measured = sampledHausdorff(cubics, reference);
    const double scale = std::max(std::fabs(reference.rx), std::fabs(reference.ry));
    SCOPED_TRACE(testing::Message() << "arc to (" << c.arc.to.x << ", " << c.arc.to.y << ") radii "
                                    << c.arc.rx << ", " << c.arc.ry);
    EXPECT_GE(bound, measured);
    // For an ellipse the bound takes the largest stretch of each piece, where the distance is
    // measured across the curve: thin ellipses may be bounded loosely by up to their ratio.
    const double ratio = scale / std::min(std::fabs(reference.rx), std::fabs(reference.ry));
    EXPECT_LE(bound, 2.5 * ratio * measured + 1e-12 * scale);
    if (c.pieces > 0) {
      EXPECT_EQ(static_cast<int>(cubics.size()), c.pieces);
    }
    EXPECT_GE(cubics.size() * kWidestPiece, std::fabs(static_cast<double>(reference.sweep)));
    ASSERT_FALSE(cubics.empty());
    EXPECT_TRUE(cubics.front().p[0].x == c.arc.from.x && cubics.front().p[0].y == c.arc.from.y);
    EXPECT_TRUE(cubics.back().p[3].x == c.arc.to.x && cubics.back().p[3].y == c.arc.to.y);
    for (std::size_t i = 1; i < cubics.size(); ++i) {
      EXPECT_TRUE(cubics[i].p[0].x == cubics[i - 1].p[3].x &&
                  cubics[i].p[0].y == cubics[i - 1].p[3].y);
    }
  }
}

// Seeded random arcs, among them end points nearly opposite (radii just large enough), thin
// ellipses and radii far too small.
TEST(EndpointArc, BoundHoldsForRandomArcs) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> coordinate(-10, 10), unit(0, 1);
  for (int i = 0; i < 12; ++i) {
    EndpointArc arc{{coordinate(random), coordinate(random)},
                    {coordinate(random), coordinate(random)},
                    0.1 + 10 * unit(random),
                    0.1 + 10 * unit(random),
                    360 * unit(random),
                    unit(random) < 0.5,
                    unit(random) < 0.5};
    if (i % 3 == 0) {
      // Radii that just reach: the end points are (nearly) opposite on the ellipse.
      std::vector<CubicCurve> unused;
      const TrueArc scaled = trueArc(
          {arc.from, arc.to, arc.rx * 1e-3, arc.ry * 1e-3, arc.rotationDegrees, false, true});
      arc.rx = static_cast<double>(scaled.rx) * (1 + 1e-15 * (i % 2));
      arc.ry = static_cast<double>(scaled.ry) * (1 + 1e-15 * (i % 2));
    }
    std::vector<CubicCurve> cubics;
    const double bound = appendEndpointArc(arc, kCoarsest, cubics);
    const TrueArc reference = trueArc(arc);
    const Real measured = sampledHausdorff(cubics, reference);
    const double scale = std::max(std::fabs(reference.rx), std::fabs(reference.ry));
    const double ratio = scale / std::min(std::fabs(reference.rx), std::fabs(reference.ry));
    EXPECT_GE(bound, measured) << i;
    EXPECT_LE(bound, 2.5 * ratio * measured + 1e-12 * scale) << i;
  }
}

// The bound asked is kept at every scale, from the coarse to near the rounding floor, and the
// long double reference stays under the bound; the pieces grow only as the sixth root of
// radius / arcError (a fixed count per arc: the cost stays linear in the arcs).
TEST(EndpointArc, BoundFollowsTheArcErrorAsked) {
  const EndpointArc arcs[] = {
      {{0, 0}, {400, 0}, 200, 200, 0, false, false},  // a semicircle, radii just right
      {{0, 0}, {400, 0}, 200, 200, 90, true, true},   // the same, axes swapped
      // A turned circle whose radius just reaches (the chord is 300√2).
      {{0, 0}, {300, 300}, 212.13203435596427, 212.13203435596427, 30, true, true},
      {{0, 0}, {400, 0}, 100, 200, 90, false, false},           // turned a quarter, radii that fit
      {{10, 10}, {400, 0}, 2000, 1000, 30, true, false},        // a turned ellipse, large arc
      {{0.1, 0.3}, {4000.7, 0.3}, 1000, 1000, 0, false, true},  // radii scaled up, inexact chord
      {{-3, 5}, {7, -2}, 50, 0.5, -60, false, true},            // a thin one
  };
  for (const EndpointArc& arc : arcs) {
    const TrueArc reference = trueArc(arc);
    const Real radius = std::max(reference.rx, reference.ry);
    for (const double arcError : {1e-3, 2.5e-7, 1e-9}) {
      SCOPED_TRACE(testing::Message() << "arc to (" << arc.to.x << ", " << arc.to.y << ") radii "
                                      << arc.rx << ", " << arc.ry << " arcError " << arcError);
      std::vector<CubicCurve> cubics;
      const double bound = appendEndpointArc(arc, arcError, cubics);
      EXPECT_LE(bound, arcError);
      const std::size_t sixthRoot = static_cast<std::size_t>(
          std::ceil(5 * std::pow(static_cast<double>(radius) * 2.8e-4 / arcError, 1.0 / 6)));
      EXPECT_LE(cubics.size(), std::max<std::size_t>(8, sixthRoot + 1));
      if (arcError < 1e-6) continue;  // sampling at finer errors costs seconds, the rest holds
      EXPECT_GE(bound, sampledHausdorff(cubics, reference));
    }
  }
}

// Circles and rounded corners follow the same rule, quarter by quarter.
TEST(EllipseQuarter, BoundFollowsTheArcErrorAsked) {
  for (const double radius : {1.0, 200.0, 1e5}) {
    for (const double arcError : {1e-2, 1e-6}) {
      std::vector<CubicCurve> cubics;
      const double bound = appendEllipse({3, -4}, radius, radius / 2, arcError, cubics);
      EXPECT_LE(bound, arcError) << radius << " " << arcError;
      EXPECT_EQ(cubics.size() % 4, 0u);
      EXPECT_GE(cubics.size(), 8u);
      // Against the true ellipse: every cubic point lies within the bound of it (its implicit
      // equation, scaled to a distance by the smaller radius), and the ends on the axes.
      for (const CubicCurve& cubic : cubics) {
        for (int i = 0; i <= 50; ++i) {
          const RealPoint p = onCubic(cubic, i / 50.0L);
          const Real x = (p.x - 3) / radius, y = (p.y + 4) / (radius / 2);
          const Real off = std::fabs(std::sqrt(x * x + y * y) - 1) * (radius / 2);
          EXPECT_LE(off, bound * (1 + 1e-9)) << radius << " " << arcError;
        }
      }
      EXPECT_EQ(cubics.front().p[0].x, 3 + radius);
      EXPECT_EQ(cubics.back().p[3].x, 3 + radius);
    }
  }
}

// Through the path reader: the shape's bound is the largest of its arcs' bounds.
TEST(EndpointArc, PathDataCarriesTheLargestArcBound) {
  std::vector<CubicCurve> small, large;
  const double smallBound =
      appendEndpointArc({{0, 0}, {1, 1}, 1, 1, 0, false, true}, kCoarsest, small);
  const double largeBound =
      appendEndpointArc({{1, 1}, {11, 1}, 5, 5, 0, false, true}, kCoarsest, large);
  const ShapeRead read = parsePathData("M0 0A1 1 0 0 1 1 1L1 1A5 5 0 0 1 11 1", kCoarsest);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.shape.segments.size(), small.size() + 1 + large.size());
  EXPECT_EQ(read.shape.approximationError, std::max(smallBound, largeBound));
  EXPECT_GT(largeBound, 4 * smallBound);
}

}  // namespace
