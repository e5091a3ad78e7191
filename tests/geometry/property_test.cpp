// Seeded random pairs: the search must end, print no nan, and land within 0.001 of the Hausdorff
// distance found independently by dense sampling.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "fixtures.h"
#include "geometry/hausdorff.h"
#include "reference.h"

namespace {

struct Pair {
  CubicCurve a;
  CubicCurve b;
  const char* kind;
};

CubicCurve randomCurve(std::mt19937& random, double centreX, double centreY, double size) {
  std::uniform_real_distribution<double> offset(-size, size);
  CubicCurve curve;
  for (Point2& point : curve.p) point = {centreX + offset(random), centreY + offset(random)};
  return curve;
}

// A curve that crosses itself: the inner control points swap sides.
CubicCurve randomLoop(std::mt19937& random, double size) {
  std::uniform_real_distribution<double> jitter(-0.15 * size, 0.15 * size);
  return CubicCurve{0 + jitter(random),    0 + jitter(random),     2 * size + jitter(random),
                    size + jitter(random), -size + jitter(random), size + jitter(random),
                    size + jitter(random), 0 + jitter(random)};
}

CubicCurve perturbed(std::mt19937& random, const CubicCurve& curve, double amount) {
  std::uniform_real_distribution<double> offset(-amount, amount);
  CubicCurve result = curve;
  for (Point2& point : result.p) point.x += offset(random), point.y += offset(random);
  return result;
}

std::vector<Pair> seededPairs() {
  std::mt19937 random(20261207);
  std::vector<Pair> pairs;
  for (int i = 0; i < 80; ++i) {
    pairs.push_back({randomCurve(random, 0, 0, 0.5), randomCurve(random, 0, 0, 0.5), "general"});
  }
  for (int i = 0; i < 40; ++i) {
    pairs.push_back({randomLoop(random, 0.4), randomCurve(random, 0.1, 0.1, 0.4), "loop"});
  }
  for (int i = 0; i < 40; ++i) {
    // An order of magnitude apart in size, nested or side by side.
    pairs.push_back({randomCurve(random, 0, 0, 0.05), randomCurve(random, 0.1, 0, 0.5), "scaled"});
  }
  for (int i = 0; i < 40; ++i) {
    const CubicCurve base = randomCurve(random, 0, 0, 0.5);
    pairs.push_back({base, perturbed(random, base, 0.003), "near-identical"});
  }
  return pairs;
}

TEST(HausdorffProperty, SeededPairsMatchDenseSampling) {
  const std::vector<Pair> pairs = seededPairs();
  ASSERT_GE(pairs.size(), 200u);
  for (size_t i = 0; i < pairs.size(); ++i) {
    const Pair& pair = pairs[i];
    HausdorffResult result;
    const std::string trace = fixtures::captureTrace(
        [&](std::FILE* file) { result = hausdorffSearch(pair.a, pair.b, file); });
    const double exact = reference::hausdorff(pair.a, pair.b);
    SCOPED_TRACE(::testing::Message() << "pair " << i << " (" << pair.kind << ")");
    EXPECT_EQ(trace.find("nan"), std::string::npos);
    EXPECT_NEAR(result.lowerBound, exact, 0.001);
    EXPECT_GE(std::fabs(result.witness), 1e-9);
    EXPECT_LE(std::fabs(result.witness), 1.0);
  }
}

// Swapping the curves, reversing one or translating both does not change the distance beyond
// the search's tolerance.
TEST(HausdorffProperty, InvariantUnderSwapReverseAndTranslation) {
  std::mt19937 random(7);
  for (int i = 0; i < 30; ++i) {
    const CubicCurve a = randomCurve(random, 0, 0, 0.5);
    const CubicCurve b = randomCurve(random, 0.2, 0, 0.5);
    const double base = hausdorffSearch(a, b, nullptr).lowerBound;
    CubicCurve movedA = a, movedB = b;
    for (Point2& p : movedA.p) p.x += 3.25, p.y -= 1.5;
    for (Point2& p : movedB.p) p.x += 3.25, p.y -= 1.5;
    SCOPED_TRACE(i);
    EXPECT_NEAR(hausdorffSearch(b, a, nullptr).lowerBound, base, 0.002);
    EXPECT_NEAR(hausdorffSearch(a, fixtures::reversed(b), nullptr).lowerBound, base, 0.002);
    EXPECT_NEAR(hausdorffSearch(movedA, movedB, nullptr).lowerBound, base, 0.002);
  }
}

}  // namespace
