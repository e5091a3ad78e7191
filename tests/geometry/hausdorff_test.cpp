#include "geometry/hausdorff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "fixtures.h"
#include "geometry/nearest.h"
#include "reference.h"

using fixtures::captureTrace;
using fixtures::kLower;
using fixtures::kUpper;
using fixtures::splitLines;

namespace {

class Hausdorff : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::resetScene(); }

  static std::string traceOf(const CubicCurve& a, const CubicCurve& b, HausdorffResult* result) {
    return captureTrace([&](std::FILE* file) { *result = hausdorffSearch(a, b, file); });
  }
};

TEST(ControlPolygonBound, TakesTheLargerPairing) {
  // Same order: every pair 0.6 apart; reverse order: (0.4, 0.6) apart at the ends.
  EXPECT_EQ(controlPolygonBound(kLower, kUpper), std::sqrt(0.52));
  // Identical curves: the same-order pairing is 0 but the reverse pairing is not.
  EXPECT_EQ(controlPolygonBound(kLower, kLower), 0.4);
  // A straight polygon that reads the same backwards bounds itself by 0.
  EXPECT_EQ(controlPolygonBound(fixtures::kStraight, fixtures::reversed(fixtures::kStraight)), 3.0);
}

TEST(ControlPolygonBound, IsSymmetricBitForBit) {
  const CubicCurve shapes[] = {kLower, kUpper, fixtures::kLoop, fixtures::kCusp,
                               fixtures::kStraight};
  for (const CubicCurve& p : shapes) {
    for (const CubicCurve& q : shapes)
      EXPECT_EQ(controlPolygonBound(p, q), controlPolygonBound(q, p));
  }
}

TEST_F(Hausdorff, DefaultPairTraceOpensAsWorkedOut) {
  HausdorffResult result;
  const auto lines = splitLines(traceOf(kLower, kUpper, &result));
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0], "initial : 0.721110(0.721110)");
  EXPECT_EQ(lines[1], "dist : [-1000000000.000000,0.721110]");
  EXPECT_EQ(lines[2], "par : [0.000000,1.000000]");
  EXPECT_EQ(lines[3], "L updated to 0.481421");
  // The root of the second curve mirrors the first exactly: same distance, L updated again.
  EXPECT_EQ(lines[6], "dist : [0.481421,0.721110]");
  EXPECT_EQ(lines[7], "par : [0.000000,1.000000]");
  EXPECT_EQ(lines[8], "L updated to 0.481421");
  EXPECT_NEAR(result.lowerBound, 0.4814, 5e-5);
  EXPECT_NEAR(result.lowerBound, reference::hausdorff(kLower, kUpper), 0.001);
  // The witness is an end point of the second curve at parameter 0, which keeps its sign.
  EXPECT_EQ(result.witness, -1e-9);
  EXPECT_LE(result.upperBound - result.lowerBound, 0.001);
  EXPECT_GT(result.upperBound, result.lowerBound);
}

TEST_F(Hausdorff, TraceLinesAreWellFormedAndCounted) {
  const std::regex formats[] = {
      std::regex(R"(initial : -?\d+\.\d{6}\(-?\d+\.\d{6}\))"),
      std::regex(R"(dist : \[-?\d+\.\d{6},-?\d+\.\d{6}\])"),
      std::regex(R"(par : \[\d\.\d{6},\d\.\d{6}\])"),
      std::regex(R"(L updated to \d+\.\d{6})"),
      std::regex(R"(next up : \d+\.\d{6})"),
  };
  HausdorffResult result;
  const auto lines = splitLines(traceOf(fixtures::kLoop, kLower, &result));
  int dist = 0, nextUp = 0;
  for (const std::string& line : lines) {
    bool matched = false;
    for (const std::regex& format : formats) matched = matched || std::regex_match(line, format);
    EXPECT_TRUE(matched) << line;
    dist += line.rfind("dist", 0) == 0;
    nextUp += line.rfind("next up", 0) == 0;
  }
  EXPECT_EQ(lines.front().rfind("initial", 0), 0u);
  EXPECT_EQ(dist, result.steps);
  EXPECT_EQ(nextUp, 2 * result.steps);
}

TEST_F(Hausdorff, SilentSearchMatchesTheTracedOne) {
  HausdorffResult traced;
  traceOf(kLower, fixtures::kLoop, &traced);
  const HausdorffResult silent = hausdorffSearch(kLower, fixtures::kLoop, nullptr);
  EXPECT_EQ(silent.witness, traced.witness);
  EXPECT_EQ(silent.lowerBound, traced.lowerBound);
  EXPECT_EQ(silent.upperBound, traced.upperBound);
  EXPECT_EQ(silent.steps, traced.steps);
}

// A witness at parameter 0 of the first curve comes back as +1e-9, at the far end as +1.
TEST_F(Hausdorff, WitnessSignAndFloor) {
  const CubicCurve base{0, 0, 1, 0, 2, 0, 3, 0};
  const CubicCurve longer{-1, 0, 1, 0, 2, 0, 3, 0};  // sticks out at its start
  const CubicCurve further{0, 0, 1, 0, 2, 0, 4, 0};  // sticks out at its end
  EXPECT_EQ(hausdorffSearch(longer, base, nullptr).witness, 1e-9);
  EXPECT_EQ(hausdorffSearch(base, longer, nullptr).witness, -1e-9);
  EXPECT_EQ(hausdorffSearch(further, base, nullptr).witness, 1.0);
  EXPECT_EQ(hausdorffSearch(base, further, nullptr).witness, -1.0);
}

// Parents of width 2^-16 still get children; children of width 2^-17 never do. Identical curves
// keep every bound near L, so the search goes all the way down.
TEST_F(Hausdorff, SubdivisionStopsAtTheWidthFloor) {
  HausdorffResult result;
  const auto lines = splitLines(traceOf(fixtures::kLoop, fixtures::kLoop, &result));
  double narrowest = 1.0;
  for (const std::string& line : lines) {
    double low, high;
    if (std::sscanf(line.c_str(), "par : [%lf,%lf]", &low, &high) == 2) {
      narrowest = std::min(narrowest, high - low);
    }
  }
  // Printed with six decimals, 2^-17 (7.63e-6) shows as 0.000007 or 0.000008 and 2^-18 as
  // 0.000003 or 0.000004.
  EXPECT_GE(narrowest, 0.0000065);
  EXPECT_LT(narrowest, 0.0000085);
}

// Pairs whose end points coincide exactly make some nearest-point searches end with an emptied
// queue; the search must still produce a sound answer.
TEST_F(Hausdorff, CoincidentCurvesGiveAnAnswerOnACurve) {
  const CubicCurve pairs[][2] = {
      {kLower, kLower},
      {kLower, fixtures::reversed(kLower)},
      {fixtures::kLoop, fixtures::reversed(fixtures::kLoop)},
      {fixtures::kStraight, fixtures::kStraight},
  };
  for (const auto& pair : pairs) {
    HausdorffResult result;
    const std::string trace = traceOf(pair[0], pair[1], &result);
    EXPECT_EQ(trace.find("nan"), std::string::npos);
    EXPECT_FALSE(std::isnan(result.witness));
    EXPECT_GE(result.lowerBound, 0.0);
    EXPECT_LE(result.lowerBound, 0.002);
    const double magnitude = std::fabs(result.witness);
    EXPECT_GE(magnitude, 1e-9);
    EXPECT_LE(magnitude, 1.0);
    EXPECT_TRUE(std::isfinite(geometryScene.lastNearestParameter));
  }
}

TEST_F(Hausdorff, DrawsTwoGreenMarkersPerStep) {
  fixtures::RecordingCanvas canvas;
  const HausdorffResult result = hausdorffSearch(kLower, kUpper, nullptr);
  int green = 0, red = 0;
  for (const auto& call : canvas.calls()) {
    if (call.name != "colour") continue;
    green += call.args == std::vector<float>{0, 1, 0};
    red += call.args == std::vector<float>{1, 0, 0};
  }
  EXPECT_EQ(green, 2 * result.steps);
  EXPECT_EQ(red, 2 * result.steps);
}

}  // namespace
