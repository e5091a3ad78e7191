#include "geometry/cubic.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fixtures.h"

using fixtures::kLower;
using fixtures::pointNear;

namespace {

bool samePoint(Point2 a, Point2 b) {
  return a.x == b.x && a.y == b.y;
}

TEST(EvaluateCurve, EndPointsAreExact) {
  for (const CubicCurve& curve : {kLower, fixtures::kLoop, fixtures::kCusp}) {
    EXPECT_TRUE(samePoint(evaluateCurve(curve, 0.0), curve.p[0]));
    EXPECT_TRUE(samePoint(evaluateCurve(curve, 1.0), curve.p[3]));
  }
}

// The drawn vertices and the printed digits depend on the exact arithmetic: pow for the powers
// and the terms added in the order P1, P0, P2, P3. A different but algebraically equal form
// (Horner, repeated multiplication, another order) changes some of these bits.
TEST(EvaluateCurve, KeepsItsArithmeticBitForBit) {
  const CubicCurve curve{0.1, 0.7, -0.3, 0.9, 0.77, -0.41, 0.3, 0.123};
  struct Row {
    double t;
    double x;
    double y;
  };
  const Row rows[] = {
      {0.01, 0x1.6a3df42c6233bp-4, 0x1.693de557a1ec3p-1},
      {0.1, 0x1.5989df1172ef3p-6, 0x1.6fa4a48f96e16p-1},
      {0.37, 0x1.b759e67b49a26p-4, 0x1.e300bd59003b3p-2},
      {0.77, 0x1.aa85716e823eap-2, 0x1.c56347b42fd88p-8},
  };
  for (const Row& row : rows) {
    const Point2 point = evaluateCurve(curve, row.t);
    EXPECT_EQ(point.x, row.x) << "t = " << row.t;
    EXPECT_EQ(point.y, row.y) << "t = " << row.t;
  }
}

TEST(SplitCurveHalf, DefaultLowerCurve) {
  CubicCurve left, right;
  splitCurveHalf(kLower, left, right);
  EXPECT_TRUE(samePoint(left.p[3], right.p[0]));
  EXPECT_TRUE(pointNear(left.p[3], {0.0, -0.15}, 1e-15));
  EXPECT_TRUE(pointNear(left.p[3], evaluateCurve(kLower, 0.5), 1e-15));
  EXPECT_TRUE(pointNear(left.p[1], {-0.15, -0.2}, 1e-15));
  EXPECT_TRUE(pointNear(left.p[2], {-0.075, -0.15}, 1e-15));
  EXPECT_TRUE(samePoint(left.p[0], kLower.p[0]));
  EXPECT_TRUE(samePoint(right.p[3], kLower.p[3]));
}

TEST(SplitCurveAt, PiecesMeetOnTheCurve) {
  for (double t : {0.0, 0.2, 0.5, 0.731, 1.0}) {
    CubicCurve left, right;
    splitCurveAt(fixtures::kLoop, t, left, right);
    EXPECT_TRUE(samePoint(left.p[3], right.p[0])) << t;
    EXPECT_TRUE(pointNear(left.p[3], evaluateCurve(fixtures::kLoop, t), 1e-15)) << t;
    // Each piece traces the parent over its own interval.
    EXPECT_TRUE(pointNear(evaluateCurve(left, 0.5), evaluateCurve(fixtures::kLoop, t / 2), 1e-14));
    EXPECT_TRUE(
        pointNear(evaluateCurve(right, 0.5), evaluateCurve(fixtures::kLoop, (1 + t) / 2), 1e-14));
  }
}

TEST(ExtractSegment, WholeIntervalGivesTheCurveItself) {
  const CubicCurve piece = extractSegment(fixtures::kLoop, 0.0, 1.0);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(samePoint(piece.p[i], fixtures::kLoop.p[i])) << i;
}

TEST(ExtractSegment, InnerIntervalTracesTheCurve) {
  const CubicCurve piece = extractSegment(fixtures::kLoop, 0.25, 0.75);
  for (double s : {0.0, 0.3, 0.5, 1.0}) {
    EXPECT_TRUE(
        pointNear(evaluateCurve(piece, s), evaluateCurve(fixtures::kLoop, 0.25 + s / 2), 1e-14))
        << s;
  }
}

TEST(ExtractSegment, EmptyIntervalCollapsesToTheSplitPoint) {
  CubicCurve left, right;
  splitCurveAt(kLower, 0.3, left, right);
  const CubicCurve piece = extractSegment(kLower, 0.3, 0.3);
  for (const Point2& point : piece.p) EXPECT_TRUE(samePoint(point, right.p[0]));
  EXPECT_TRUE(pointNear(piece.p[0], evaluateCurve(kLower, 0.3), 1e-15));
}

TEST(ExtractSegment, NearTheEndNeedsNoDivision) {
  const double a = 1.0 - 1e-9;
  const CubicCurve piece = extractSegment(kLower, a, 1.0);
  for (const Point2& point : piece.p) {
    ASSERT_TRUE(std::isfinite(point.x) && std::isfinite(point.y));
    EXPECT_TRUE(pointNear(point, kLower.p[3], 1e-8));
  }
  // At a == 1 exactly, (b - a) / (1 - a) would be 0 / 0.
  const CubicCurve atEnd = extractSegment(kLower, 1.0, 1.0);
  for (const Point2& point : atEnd.p) EXPECT_TRUE(samePoint(point, kLower.p[3]));
}

}  // namespace
