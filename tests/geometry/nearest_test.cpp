#include "geometry/nearest.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fixtures.h"
#include "reference.h"

using fixtures::CanvasCall;
using fixtures::kLower;
using fixtures::kStraight;
using fixtures::kUpper;

namespace {

class NearestPoint : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::resetScene(); }
};

struct Worked {
  CubicCurve curve;
  Point2 query;
  double parameter;  // exact: the midpoint of a dyadic interval
  double distance;   // to six decimals
};

// Hand-checked cases on the default curves. The parameters are midpoints of the final
// sub-curve's interval, so they are exact; distances are as the trace prints them.
TEST_F(NearestPoint, WorkedCasesOnTheDefaultCurves) {
  const Worked cases[] = {
      {kLower, {0, -1}, 0.0009765625, 0.728493},     {kLower, {-0.5, -0.5}, 0.0009765625, 0.361124},
      {kLower, {0.5, -0.5}, 0.9990234375, 0.361124}, {kLower, {0, 0}, 0.501953125, 0.150005},
      {kLower, {0, -0.15}, 0.501953125, 0.000879},   {kLower, {0, -0.2}, 0.498046875, 0.050005},
      {kLower, {0.3, 0}, 0.7900390625, 0.265691},    {kUpper, {0, 0}, 0.501953125, 0.150005},
  };
  for (const Worked& w : cases) {
    const double distance = nearestPointOnCurve(w.curve, w.query, 0);
    EXPECT_EQ(geometryScene.lastNearestParameter, w.parameter)
        << "query (" << w.query.x << ", " << w.query.y << ")";
    EXPECT_NEAR(distance, w.distance, 5e-7) << "query (" << w.query.x << ", " << w.query.y << ")";
  }
}

// Both sides of parameter 0.5 give equal lower bounds at every depth; only the exact
// push_heap/pop_heap tie behaviour reports the left one.
TEST_F(NearestPoint, EqualBoundsLeaveTheQueueInHeapOrder) {
  const double distance = nearestPointOnCurve(kStraight, {1.5, 1}, 0);
  EXPECT_EQ(geometryScene.lastNearestParameter, 0.499755859375);
  EXPECT_NEAR(distance, 1.0, 5e-7);
}

TEST_F(NearestPoint, CollapsedCurveIsItsOwnAnswer) {
  const double distance = nearestPointOnCurve(fixtures::kCollapsed, {0.0, 0.3}, 0);
  EXPECT_EQ(geometryScene.lastNearestParameter, 0.5);
  EXPECT_NEAR(distance, std::hypot(0.3, 0.4), 1e-15);
}

TEST_F(NearestPoint, AgreesWithDenseSamplingOnHardShapes) {
  const CubicCurve curves[] = {fixtures::kLoop, fixtures::kCusp, kLower};
  const Point2 queries[] = {{0.5, 0.5}, {0.5, 0.74}, {-1, 3}, {0.3, 0.1}, {2, -1}};
  for (const CubicCurve& curve : curves) {
    for (Point2 query : queries) {
      const double found = nearestPointOnCurve(curve, query, 0);
      const double exact = reference::distanceToCurve(curve, query);
      EXPECT_GE(found, exact - 1e-12);
      EXPECT_LE(found, exact + 0.001);
      const Point2 at = evaluateCurve(curve, geometryScene.lastNearestParameter);
      EXPECT_NEAR(std::hypot(at.x - query.x, at.y - query.y), found, 0.002);
    }
  }
}

// When every half is discarded before one is small enough, the search reports the best point it
// saw (an end point, P0 on a tie, or an expanded midpoint), never the parameter of some earlier
// unrelated search.
TEST_F(NearestPoint, EmptiedQueueReportsTheBestPointSeen) {
  struct Case {
    CubicCurve curve;
    Point2 query;
    double parameter;
    double distance;
  };
  const Case cases[] = {
      {kLower, kLower.p[0], 0.0, 0.0},
      {kLower, {-0.2, std::nextafter(-0.3, -1.0)}, 0.0, std::nextafter(0.3, 1.0) - 0.3},
      {kLower, kLower.p[3], 1.0, 0.0},
      {kStraight, {-1, 0}, 0.0, 1.0},
      {kStraight, {4, 0}, 1.0, 1.0},
      {kStraight, {1.5, 0}, 0.5, 0.0},
      {CubicCurve{0, 0, 1, 1, -1, 1, 0, 0}, {0, 0}, 0.0, 0.0},  // P0 == P3: P0 wins the tie
  };
  for (const Case& c : cases) {
    geometryScene.lastNearestParameter = 0.7;  // left behind by an unrelated search
    const double distance = nearestPointOnCurve(c.curve, c.query, 0);
    EXPECT_EQ(geometryScene.lastNearestParameter, c.parameter)
        << "query (" << c.query.x << ", " << c.query.y << ")";
    EXPECT_EQ(distance, c.distance);
  }
}

std::vector<CanvasCall> markerCalls(Point2 query, Point2 found, bool redSegment, double scale) {
  const auto f = [scale](double v) { return static_cast<float>(v * scale); };
  return {
      {"pointSize", {4}},
      {"colour", {1, 0, 0}},
      {"begin", {0}},
      {"vertex", {f(found.x), f(found.y)}},
      {"end", {}},
      {"lineWidth", {2}},
      {"colour", redSegment ? std::vector<float>{1, 0, 0} : std::vector<float>{0, 1, 0}},
      {"begin", {1}},
      {"vertex", {f(query.x), f(query.y)}},
      {"vertex", {f(found.x), f(found.y)}},
      {"end", {}},
  };
}

TEST_F(NearestPoint, MarkModesDrawWithoutChangingTheResult) {
  fixtures::RecordingCanvas canvas;
  const Point2 query{0.3, 0};
  const double silent = nearestPointOnCurve(kLower, query, 0);
  const double parameter = geometryScene.lastNearestParameter;
  EXPECT_TRUE(canvas.calls().empty());

  // The found point is the final sub-curve's midpoint: reconstruct it from the reported
  // parameter, within rounding of the split.
  const Point2 found = evaluateCurve(kLower, parameter);
  for (int mode : {1, 3, 7}) {
    fixtures::recordedCalls().clear();
    EXPECT_EQ(nearestPointOnCurve(kLower, query, mode), silent) << mode;
    EXPECT_EQ(geometryScene.lastNearestParameter, parameter) << mode;
    const auto expected = markerCalls(query, found, mode == 3, 2.0);
    ASSERT_EQ(canvas.calls().size(), expected.size()) << mode;
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(canvas.calls()[i].name, expected[i].name) << i;
      ASSERT_EQ(canvas.calls()[i].args.size(), expected[i].args.size()) << i;
      for (size_t j = 0; j < expected[i].args.size(); ++j) {
        EXPECT_NEAR(canvas.calls()[i].args[j], expected[i].args[j], 1e-6) << i << "," << j;
      }
    }
  }
}

TEST_F(NearestPoint, MarkerScalesWithZoom) {
  fixtures::RecordingCanvas canvas;
  geometryScene.zoomScale = 2.0;
  nearestPointOnCurve(fixtures::kCollapsed, {0.1, -0.2}, 3);
  // A collapsed curve's found point is the point itself; the query is the segment's start.
  const auto expectedAtTwo = markerCalls({0.1, -0.2}, fixtures::kCollapsed.p[0], true, 2.0);
  EXPECT_EQ(canvas.calls(), expectedAtTwo);
  EXPECT_EQ(canvas.calls()[8].args, (std::vector<float>{0.2f, -0.4f}));

  fixtures::recordedCalls().clear();
  geometryScene.zoomScale = 0.1;
  nearestPointOnCurve(fixtures::kCollapsed, {0.1, -0.2}, 3);
  EXPECT_EQ(canvas.calls(), markerCalls({0.1, -0.2}, fixtures::kCollapsed.p[0], true, 0.1));
}

TEST_F(NearestPoint, EmptiedQueueStillDrawsItsMarker) {
  fixtures::RecordingCanvas canvas;
  nearestPointOnCurve(kStraight, {-1, 0}, 1);
  EXPECT_EQ(canvas.calls(), markerCalls({-1, 0}, kStraight.p[0], false, 2.0));
}

}  // namespace
