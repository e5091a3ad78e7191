// Degenerate shapes through the Hausdorff search: coincident, reversed, collapsed, straight and
// far-away curves. Each search must finish with a well-formed trace free of nan, finite marker
// vertices, a witness of magnitude in [1e-9, 1] and 0 <= L <= U; where the distance is known by
// hand (or, for shapes without a closed form, by dense sampling) L must match it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fixtures.h"
#include "geometry/hausdorff.h"
#include "reference.h"
#include "trace_check.h"

using fixtures::kCollapsed;
using fixtures::kCusp;
using fixtures::kLower;
using fixtures::kStraight;
using fixtures::kUpper;
using fixtures::reversed;

namespace {

// Counts the marker vertices and how many of them are not finite, without keeping the calls:
// the coincident cases below run tens of thousands of steps.
struct VertexCount {
  long all = 0;
  long nonFinite = 0;
};
VertexCount vertexCount;

const MarkerCanvas kVertexCounter{
    [](float) {},
    [](float) {},
    [](float, float, float) {},
    [](unsigned int) {},
    [](float x, float y) {
      ++vertexCount.all;
      if (!std::isfinite(x) || !std::isfinite(y)) ++vertexCount.nonFinite;
    },
    [] {},
};

CubicCurve moved(const CubicCurve& curve, double scale, double dx, double dy) {
  CubicCurve result = curve;
  for (Point2& p : result.p) p = {p.x * scale + dx, p.y * scale + dy};
  return result;
}

CubicCurve withPoint(const CubicCurve& curve, int index, Point2 point) {
  CubicCurve result = curve;
  result.p[index] = point;
  return result;
}

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

struct Case {
  const char* name;
  CubicCurve a;
  CubicCurve b;
  double distance;   // known by hand; kUnknown: take the dense-sampling reference
  double tolerance;  // how far L may lie from it
};

class DegenerateShapes : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::resetScene();
    vertexCount = {};
    markerCanvas = &kVertexCounter;
  }
  void TearDown() override { markerCanvas = nullptr; }

  // Runs the search and checks everything every input owes, whatever its shape.
  static HausdorffResult expectSoundSearch(const CubicCurve& a, const CubicCurve& b) {
    HausdorffResult result{};
    const std::string trace =
        fixtures::captureTrace([&](std::FILE* file) { result = hausdorffSearch(a, b, file); });
    const TraceCheck check = checkTrace(trace);
    EXPECT_EQ(check.error, "");
    EXPECT_EQ(check.steps, result.steps);
    EXPECT_EQ(trace.find("nan"), std::string::npos);
    EXPECT_EQ(vertexCount.nonFinite, 0) << "of " << vertexCount.all;
    EXPECT_EQ(vertexCount.all, 6L * result.steps);  // two markers of three vertices per step
    const double magnitude = std::fabs(result.witness);
    EXPECT_GE(magnitude, 1e-9);
    EXPECT_LE(magnitude, 1.0);
    EXPECT_GE(result.lowerBound, 0.0);
    EXPECT_LE(result.lowerBound, result.upperBound);
    EXPECT_GE(geometryScene.lastNearestParameter, 0.0);
    EXPECT_LE(geometryScene.lastNearestParameter, 1.0);
    return result;
  }

  static void expectDistances(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      vertexCount = {};
      const HausdorffResult result = expectSoundSearch(c.a, c.b);
      const double expected = std::isnan(c.distance) ? reference::hausdorff(c.a, c.b) : c.distance;
      EXPECT_NEAR(result.lowerBound, expected, c.tolerance);
    }
  }
};

// A curve coinciding with itself is at distance 0; L is then what the nearest-point searches
// can resolve, no more than their 0.001 radius plus the stopping gap.
TEST_F(DegenerateShapes, CoincidentCurvesAreAtDistanceZero) {
  const CubicCurve onEnd = withPoint(kLower, 1, kLower.p[0]);
  expectDistances({
      {"identical cusp", kCusp, kCusp, 0.0, 0.002},
      {"cusp against its reverse", kCusp, reversed(kCusp), 0.0, 0.002},
      {"straight against its reverse", kStraight, reversed(kStraight), 0.0, 0.002},
      {"identical, a control point on an end point", onEnd, onEnd, 0.0, 0.002},
      // At the smallest zoom the window shows |x| <= 10; these fill it.
      {"identical, 10 across, off the origin", moved(kLower, 10, 6, -4), moved(kLower, 10, 6, -4),
       0.0, 0.002},
      {"reversed, off the origin", moved(kCusp, 2, -9, 2), reversed(moved(kCusp, 2, -9, 2)), 0.0,
       0.002},
  });
}

// A collapsed curve is one point: the distance is the farthest point of the other curve from
// it, here the other curve's P0, so the witness is that end point.
TEST_F(DegenerateShapes, CurveCollapsedToAPoint) {
  const double toP0 = std::sqrt(0.29);  // from (0.3, -0.1) to (-0.2, -0.3)
  const HausdorffResult pointFirst = expectSoundSearch(kCollapsed, kLower);
  EXPECT_NEAR(pointFirst.lowerBound, toP0, 1e-9);
  EXPECT_EQ(pointFirst.witness, -1e-9);

  vertexCount = {};
  const HausdorffResult pointSecond = expectSoundSearch(kLower, kCollapsed);
  EXPECT_NEAR(pointSecond.lowerBound, toP0, 1e-9);
  EXPECT_EQ(pointSecond.witness, 1e-9);

  // On the other curve's P3: both of its end points find their feet at parameter exactly 1,
  // so the stretch between the feet is extracted over [1, 1].
  vertexCount = {};
  const CubicCurve onP3{0.2, -0.3, 0.2, -0.3, 0.2, -0.3, 0.2, -0.3};
  const HausdorffResult onEnd = expectSoundSearch(onP3, kLower);
  EXPECT_NEAR(onEnd.lowerBound, 0.4, 1e-9);  // from P3 back to P0
  EXPECT_EQ(onEnd.witness, -1e-9);
}

// Two points: the first step measures the only distance there is, and every bound after it
// equals it, so one step settles the search.
TEST_F(DegenerateShapes, BothCurvesCollapsed) {
  const HausdorffResult same = expectSoundSearch(kCollapsed, kCollapsed);
  EXPECT_LT(same.lowerBound, 1e-12);
  EXPECT_EQ(same.steps, 1);

  vertexCount = {};
  const CubicCurve other{0.6, -0.2, 0.6, -0.2, 0.6, -0.2, 0.6, -0.2};
  const HausdorffResult apart = expectSoundSearch(kCollapsed, other);
  EXPECT_NEAR(apart.lowerBound, std::sqrt(0.1), 1e-12);
  EXPECT_EQ(apart.steps, 1);
}

// Straight curves on one line: the distance is the larger gap between corresponding ends of
// the two covered intervals.
TEST_F(DegenerateShapes, StraightCollinearCurves) {
  const CubicCurve shifted{1, 0, 2, 0, 3, 0, 4, 0};
  const CubicCurve apart{5, 0, 6, 0, 7, 0, 8, 0};
  const CubicCurve inside{1, 0, 1.5, 0, 1.5, 0, 2, 0};
  const CubicCurve diagonal{0, 0, 1, 1, 2, 2, 3, 3};
  const CubicCurve diagonalShifted{1, 1, 2, 2, 3, 3, 4, 4};
  // Doubles back on itself: covers [-0.25, 1.25] or so on the x axis, found by sampling.
  const CubicCurve folded{0, 0, 3, 0, -2, 0, 1, 0};
  expectDistances({
      {"overlapping", kStraight, shifted, 1.0, 0.001},
      {"disjoint", kStraight, apart, 5.0, 0.001},
      {"one inside the other", kStraight, inside, 1.0, 0.001},
      {"diagonal, overlapping", diagonal, diagonalShifted, std::sqrt(2.0), 0.001},
      {"folded back against a plain one", folded, kStraight, kUnknown, 0.001},
  });
}

// A control point dragged onto another: a vanishing end tangent, merged inner points, and a
// curve that closes on itself.
TEST_F(DegenerateShapes, ControlPointOnAnother) {
  expectDistances({
      {"P1 on P0", withPoint(kLower, 1, kLower.p[0]), kUpper, kUnknown, 0.001},
      {"P2 on P1", withPoint(kLower, 2, kLower.p[1]), kUpper, kUnknown, 0.001},
      {"P2 on P3", kUpper, withPoint(kLower, 2, kLower.p[3]), kUnknown, 0.001},
      {"P3 on P0, a closed curve", withPoint(kLower, 3, kLower.p[0]), kUpper, kUnknown, 0.001},
      {"P3 on P0 against its own open form", withPoint(kLower, 3, kLower.p[0]), kLower, kUnknown,
       0.001},
      {"an end point of one on an end point of the other", withPoint(kLower, 0, kUpper.p[0]),
       kUpper, kUnknown, 0.001},
  });
}

// Far from the origin the distances are those of the same shapes near it; the absolute
// tolerances of the searches do not depend on where the curves lie.
TEST_F(DegenerateShapes, FarFromTheOrigin) {
  const double atOrigin = reference::hausdorff(kLower, kUpper);
  geometryScene.zoomScale = 0.1;  // the smallest zoom: markers still land on finite vertices
  expectDistances({
      {"default pair moved by (12, -30)", moved(kLower, 1, 12, -30), moved(kUpper, 1, 12, -30),
       atOrigin, 0.001},
      {"default pair moved by (-1e3, 1e3)", moved(kLower, 1, -1e3, 1e3),
       moved(kUpper, 1, -1e3, 1e3), atOrigin, 0.001},
      {"default pair scaled by 30", moved(kLower, 30, 0, 0), moved(kUpper, 30, 0, 0), 30 * atOrigin,
       0.001},
      {"one near the origin, one at (900, 900)", kLower, moved(kUpper, 1, 900, 900), kUnknown,
       0.001},
      {"1e3 across against a tiny one", CubicCurve{-1e3, -1e3, 1e3, -1e3, -1e3, 1e3, 1e3, 1e3},
       moved(kLower, 1e-3, 0, 0), kUnknown, 0.001},
  });
}

}  // namespace
