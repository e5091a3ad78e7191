#include "geometry/hausdorff_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "fixtures.h"
#include "geometry/hausdorff.h"
#include "geometry/nearest.h"
#include "reference.h"

using fixtures::captureTrace;
using fixtures::kLower;
using fixtures::kUpper;
using fixtures::pointNear;

namespace {

class HausdorffReportTest : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::resetScene(); }
};

double distanceBetween(Point2 a, Point2 b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// The default pair: the witness is the start of the second curve, kept at 1e-9 by the sign
// floor, and its nearest point is where the viewer's red marker search puts the arrow head.
TEST_F(HausdorffReportTest, DefaultPairIsTheSearchPlusTheOverlay) {
  const HausdorffResult search = hausdorffSearch(kLower, kUpper, nullptr);
  fixtures::resetScene();
  const HausdorffReport report = hausdorffReport(kLower, kUpper, nullptr);
  EXPECT_EQ(report.lowerBound, search.lowerBound);
  EXPECT_EQ(report.upperBound, search.upperBound);
  EXPECT_EQ(report.steps, search.steps);
  EXPECT_EQ(report.witnessCurve, 1);
  EXPECT_EQ(report.witnessParameter, 1e-9);
  EXPECT_TRUE(pointNear(report.witnessPoint, kUpper.p[0], 1e-8));

  // The overlay's own steps, with its red marker drawn.
  fixtures::RecordingCanvas canvas;
  const Point2 witness = evaluateCurve(kUpper, std::fabs(search.witness));
  nearestPointOnCurve(kLower, witness, 3);
  const double overlayParameter = geometryScene.lastNearestParameter;
  EXPECT_EQ(report.nearestParameter, overlayParameter);
  const Point2 overlayPoint = evaluateCurve(kLower, overlayParameter);
  EXPECT_EQ(report.nearestPoint.x, overlayPoint.x);
  EXPECT_EQ(report.nearestPoint.y, overlayPoint.y);
  // Not at the lower curve's own start (0.6 away) but inside it, about 0.4814 away.
  EXPECT_GT(report.nearestParameter, 0.05);
  EXPECT_NEAR(distanceBetween(report.witnessPoint, report.nearestPoint), 0.4814, 0.001);
}

// The witness sign picks the curve, and the nearest point is searched on the other one. On these
// straight lines the extra stretch lies 1 beyond an end of the shorter line.
TEST_F(HausdorffReportTest, WitnessCurveAndEndFollowTheSign) {
  const CubicCurve base{0, 0, 1, 0, 2, 0, 3, 0};
  const CubicCurve longer{-1, 0, 1, 0, 2, 0, 3, 0};
  const CubicCurve further{0, 0, 1, 0, 2, 0, 4, 0};
  struct Case {
    CubicCurve a, b;
    int witnessCurve;
    double witnessParameter;
    Point2 witnessPoint;
    double nearestParameter;
    Point2 nearestPoint;
  };
  const Case cases[] = {
      {longer, base, 0, 1e-9, {-1, 0}, 0.0, {0, 0}},
      {base, longer, 1, 1e-9, {-1, 0}, 0.0, {0, 0}},
      {further, base, 0, 1.0, {4, 0}, 1.0, {3, 0}},
      {base, further, 1, 1.0, {4, 0}, 1.0, {3, 0}},
  };
  for (const Case& c : cases) {
    fixtures::resetScene();
    const HausdorffReport report = hausdorffReport(c.a, c.b, nullptr);
    EXPECT_EQ(report.witnessCurve, c.witnessCurve);
    EXPECT_EQ(report.witnessParameter, c.witnessParameter);
    EXPECT_TRUE(pointNear(report.witnessPoint, c.witnessPoint, 1e-8));
    // Found to the search's 0.001 radius; the line runs at speed 3.
    EXPECT_NEAR(report.nearestParameter, c.nearestParameter, 0.001 / 3);
    EXPECT_TRUE(pointNear(report.nearestPoint, c.nearestPoint, 0.001));
    EXPECT_NEAR(report.lowerBound, 1.0, 0.001);
  }
}

TEST_F(HausdorffReportTest, WritesTheSearchTraceAndDrawsNothingMore) {
  const std::string searchTrace =
      captureTrace([](std::FILE* file) { hausdorffSearch(fixtures::kLoop, kLower, file); });
  std::vector<fixtures::CanvasCall> searchCalls;
  {
    fixtures::RecordingCanvas canvas;
    hausdorffSearch(fixtures::kLoop, kLower, nullptr);
    searchCalls = canvas.calls();
  }
  fixtures::RecordingCanvas canvas;
  const std::string reportTrace =
      captureTrace([](std::FILE* file) { hausdorffReport(fixtures::kLoop, kLower, file); });
  EXPECT_EQ(reportTrace, searchTrace);
  EXPECT_EQ(canvas.calls(), searchCalls);
}

// On seeded random pairs the witness point lies on its curve, about L from the other curve, and
// the reported nearest point is that curve's nearest point to it, up to the 0.001 search radius.
TEST_F(HausdorffReportTest, NearestPointIsNearestOnTheOtherCurve) {
  std::mt19937 random(4242);
  std::uniform_real_distribution<double> coordinate(-0.5, 0.5);
  for (int i = 0; i < 30; ++i) {
    CubicCurve curves[2];
    for (CubicCurve& curve : curves) {
      for (Point2& point : curve.p) point = {coordinate(random), coordinate(random)};
    }
    const HausdorffReport report = hausdorffReport(curves[0], curves[1], nullptr);
    ASSERT_TRUE(report.witnessCurve == 0 || report.witnessCurve == 1);
    const CubicCurve& own = curves[report.witnessCurve];
    const CubicCurve& other = curves[1 - report.witnessCurve];
    EXPECT_TRUE(pointNear(report.witnessPoint, evaluateCurve(own, report.witnessParameter), 0));
    EXPECT_TRUE(pointNear(report.nearestPoint, evaluateCurve(other, report.nearestParameter), 0));
    const double reported = distanceBetween(report.witnessPoint, report.nearestPoint);
    const double exact = reference::distanceToCurve(other, report.witnessPoint);
    EXPECT_GE(reported, exact - 1e-9) << "pair " << i;
    EXPECT_LE(reported, exact + 0.001) << "pair " << i;
    EXPECT_NEAR(report.lowerBound, exact, 0.001) << "pair " << i;
    EXPECT_LE(report.lowerBound, report.upperBound);
  }
}

}  // namespace
