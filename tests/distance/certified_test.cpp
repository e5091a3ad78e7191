// The certified search against an independent reference (shape_reference: quintic roots and
// golden sections in long double) on a seeded table of pairs, hand-known distances, the
// decision form and invariances.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "distance/certified_hausdorff.h"
#include "pair_table.h"
#include "shape_reference.h"

namespace {

const CubicCurve kLower{-0.2, -0.3, -0.1, -0.1, 0.1, -0.1, 0.2, -0.3};
const CubicCurve kStraight{0, 0, 1, 0, 2, 0, 3, 0};

CubicCurve moved(CubicCurve curve, double dx, double dy, double factor = 1.0) {
  for (Point2& point : curve.p) point = {point.x * factor + dx, point.y * factor + dy};
  return curve;
}

// The reference is exact to long double rounding plus the golden section's 1e-14 bracket in the
// parameter; 1e-12 of the pair's extent covers both with room.
double referenceSlack(const TablePair& pair) {
  return 1e-12 * std::max(pair.extent, 1e-300);
}

// Everything a result promises, against the reference: the interval holds H and is as narrow as
// asked, and lower is the witness's own distance, certified from below.
::testing::AssertionResult keepsPromises(const TablePair& pair, const CertifiedDistance& r,
                                         long double reference, double tolerance) {
  const double slack = referenceSlack(pair);
  char text[400];
  const auto failure = [&](const char* what) {
    std::snprintf(text, sizeof text, "%s: %s; H = %.17Lg, interval [%.17g, %.17g], tol %g",
                  pair.kind.c_str(), what, reference, r.lower, r.upper, tolerance);
    return ::testing::AssertionFailure() << text;
  };
  if (!(r.lower <= reference + slack && reference <= r.upper + slack)) {
    return failure("the interval misses H");
  }
  if (!r.toleranceMet || !(r.upper - r.lower <= tolerance)) return failure("too wide");
  // The witness and its nearest point are reported in the input's coordinates, which cannot
  // place them closer than a few units in the last place of the coordinates' magnitude.
  const double pointSlack = slack + 1e-15 * pair.magnitude;
  const Shape& other = r.witnessShape == 0 ? pair.b : pair.a;
  const long double own =
      shape_reference::distanceToShape(other, r.witness.point.x, r.witness.point.y);
  if (!(r.lower <= own + pointSlack && own <= r.lower + tolerance + pointSlack)) {
    return failure("lower is not the witness's distance");
  }
  const double arrow =
      std::hypot(r.witness.point.x - r.nearest.point.x, r.witness.point.y - r.nearest.point.y);
  // However coarse the tolerance, the arrow to the reported nearest point is no longer than the
  // interval says (a point on another local minimum may be farther off).
  if (!(arrow >= own - pointSlack && arrow <= r.upper + pointSlack)) {
    return failure("the arrow to the nearest point lies outside the interval");
  }
  return ::testing::AssertionSuccess();
}

// Reports the first few failing pairs of a table and counts the rest.
struct FailureLog {
  int failures = 0;
  void record(int index, const ::testing::AssertionResult& result) {
    if (result) return;
    if (++failures <= 10) ADD_FAILURE() << "pair " << index << ": " << result.message();
  }
};

TEST(CertifiedTable, HoldsTheReferenceAtTolerances1e3And1e6) {
  const std::vector<TablePair> table = seededPairTable();
  ASSERT_GE(table.size(), 1000u);
  FailureLog log;
  for (int i = 0; i < static_cast<int>(table.size()); ++i) {
    const TablePair& pair = table[i];
    const long double reference = shape_reference::hausdorff(pair.a, pair.b);
    for (double tolerance : {1e-3, 1e-6}) {
      // Tolerances are relative to size for the scaled rows, so that they mean the same there.
      const double scaledTolerance = tolerance * std::max(1.0, pair.extent);
      log.record(i, keepsPromises(pair, certifiedHausdorff(pair.a, pair.b, scaledTolerance),
                                  reference, scaledTolerance));
    }
  }
  EXPECT_EQ(log.failures, 0);
}

TEST(CertifiedTable, HoldsTheReferenceAtTolerance1e9) {
  const std::vector<TablePair> table = seededPairTable();
  FailureLog log;
  for (int i = 0; i < static_cast<int>(table.size()); i += 5) {
    const TablePair& pair = table[i];
    const double tolerance = 1e-9 * std::max(1.0, pair.extent);
    log.record(i, keepsPromises(pair, certifiedHausdorff(pair.a, pair.b, tolerance),
                                shape_reference::hausdorff(pair.a, pair.b), tolerance));
  }
  EXPECT_EQ(log.failures, 0);
}

// Distances known by hand, where the viewer's search was wrong: coincident curves must get a
// lower end of exactly 0, and the interval must hold distances attained at end points.
TEST(Certified, HoldsDistancesKnownByHand) {
  const struct {
    const char* name;
    CubicCurve a, b;
    double distance;
  } cases[] = {
      {"identical", kLower, kLower, 0.0},
      {"reversed", kLower, reversedCurve(kLower), 0.0},
      {"identical, 1000 across", moved(kLower, 0, 0, 2500), moved(kLower, 0, 0, 2500), 0.0},
      {"shifted by (0.1, 0)", kLower, moved(kLower, 0.1, 0), 0.1},
      {"parallel lines 0.0005 apart", kStraight, moved(kStraight, 0, 0.0005), 0.0005},
      {"two points", moved(CubicCurve{}, 0, 0), moved(CubicCurve{}, 3, 4), 5.0},
      // From the point (1.5, 2) the line is 2 away; the line's ends are 2.5 from the point.
      {"a point and a line", moved(CubicCurve{}, 1.5, 2), kStraight, 2.5},
  };
  for (const auto& c : cases) {
    for (double tolerance : {1e-3, 1e-9}) {
      const CertifiedDistance r = certifiedHausdorff(singleCurve(c.a), singleCurve(c.b), tolerance);
      EXPECT_LE(r.lower, c.distance) << c.name;
      EXPECT_GE(r.upper, c.distance) << c.name;
      EXPECT_LE(r.upper - r.lower, tolerance) << c.name;
      if (c.distance == 0.0) {
        EXPECT_EQ(r.lower, 0.0) << c.name;
      }
    }
  }
}

// A tolerance below what rounding allows at the coordinates' magnitude is met as far as it can
// be, and the result says so; the interval still holds the distance.
TEST(Certified, SaysSoWhenRoundingForbidsTheTolerance) {
  const CubicCurve a = moved(kLower, 0, 0, 1e6);
  const CubicCurve b = moved(kLower, 0.1e6, 0, 1e6);
  const CertifiedDistance r = certifiedHausdorff(singleCurve(a), singleCurve(b), 1e-12);
  EXPECT_FALSE(r.toleranceMet);
  EXPECT_LE(r.lower, 0.1e6);
  EXPECT_GE(r.upper, 0.1e6);
  EXPECT_LT(r.upper - r.lower, 1e-6);
}

TEST(Certified, DecidesAsTheReferenceSays) {
  const std::vector<TablePair> table = seededPairTable();
  FailureLog log;
  for (int i = 0; i < static_cast<int>(table.size()); i += 7) {
    const TablePair& pair = table[i];
    const double reference = static_cast<double>(shape_reference::hausdorff(pair.a, pair.b));
    const double margin = 1e-7 * std::max(1.0, pair.extent);
    const struct {
      double threshold;
      Verdict verdict;
    } questions[] = {{reference + margin, Verdict::kWithin},
                     {reference - margin, Verdict::kBeyond},
                     {reference * 2 + 1, Verdict::kWithin}};
    for (const auto& question : questions) {
      if (question.threshold < 0) continue;
      const WithinDecision decision = decideWithin(pair.a, pair.b, question.threshold);
      const CertifiedDistance& d = decision.distance;
      const bool consistent = decision.verdict == Verdict::kWithin ? d.upper <= question.threshold
                                                                   : d.lower > question.threshold;
      log.record(i, decision.verdict == question.verdict && consistent
                        ? ::testing::AssertionSuccess()
                        : ::testing::AssertionFailure()
                              << pair.kind << ": threshold " << question.threshold << ", H "
                              << reference << ", verdict " << static_cast<int>(decision.verdict)
                              << ", interval [" << d.lower << ", " << d.upper << "]");
    }
  }
  EXPECT_EQ(log.failures, 0);
}

// At a threshold equal to the distance the answer is never wrong: within, or undecided when
// rounding cannot tell; and a threshold far above needs no refining at all.
TEST(Certified, DecisionAtTheDistanceItselfIsNeverWrong) {
  const Shape lower = singleCurve(kLower);
  const Shape shifted = singleCurve(moved(kLower, 0.1, 0));
  EXPECT_NE(decideWithin(lower, shifted, 0.1).verdict, Verdict::kBeyond);
  EXPECT_NE(decideWithin(lower, lower, 0.0).verdict, Verdict::kBeyond);
  EXPECT_EQ(decideWithin(lower, lower, 1e-9).verdict, Verdict::kWithin);
  const WithinDecision far = decideWithin(lower, shifted, 10.0);
  EXPECT_EQ(far.verdict, Verdict::kWithin);
  EXPECT_EQ(far.distance.steps, 0);
}

// Coordinates among the subnormal numbers, whole multiples of the smallest one u = 2^-1074,
// against exact integer arithmetic: the distance between a point and a point or a segment (the
// farther of its ends) is u times the square root of an integer, so lower <= H <= upper and the
// decisions just below and above H can be checked without rounding anywhere.
TEST(Certified, SubnormalCoordinatesHoldTheExactDistance) {
  __extension__ typedef unsigned __int128 Wide;
  const double u = std::ldexp(1.0, -1074);
  const auto units = [&](double value) { return static_cast<Wide>(std::ldexp(value, 1074)); };
  // The largest whole number of units at most sqrt(n) units.
  const auto floorRoot = [](Wide n) {
    Wide r = static_cast<Wide>(std::sqrt(static_cast<long double>(n)));
    while (r * r > n) --r;
    while ((r + 1) * (r + 1) <= n) ++r;
    return r;
  };
  std::mt19937_64 random(1074);
  FailureLog log;
  for (int i = 0; i < 200; ++i) {
    // Up to 2^20 units apart at first, up to the largest subnormal (2^52 units) later.
    std::uniform_int_distribution<std::int64_t> coordinate(0,
                                                           std::int64_t{1} << (i < 100 ? 20 : 51));
    const auto point = [&] {
      return Point2{static_cast<double>(coordinate(random)) * u,
                    static_cast<double>(coordinate(random)) * u};
    };
    const Point2 p = point(), e0 = point(), e1 = i % 2 ? point() : e0;
    const auto squaredUnits = [&](Point2 a, Point2 b) {
      const Wide dx = a.x > b.x ? units(a.x) - units(b.x) : units(b.x) - units(a.x);
      const Wide dy = a.y > b.y ? units(a.y) - units(b.y) : units(b.y) - units(a.y);
      return dx * dx + dy * dy;
    };
    const Wide squared = std::max(squaredUnits(p, e0), squaredUnits(p, e1));
    const Shape a = singleCurve(CubicCurve{{p, p, p, p}});
    const Shape b = singleCurve(CubicCurve{{e0, e0, e1, e1}});
    const CertifiedDistance r = certifiedHausdorff(a, b, 1e-3);
    const bool holds =
        units(r.lower) * units(r.lower) <= squared && squared <= units(r.upper) * units(r.upper);
    // The largest double below H and the smallest above it (H itself when it is one).
    const Wide root = floorRoot(squared);
    const bool exact = root * root == squared;
    const double below = static_cast<double>(exact ? root - 1 : root) * u;
    const double above = static_cast<double>(exact ? root : root + 1) * u;
    const bool decisionsRight =
        squared == 0 || (decideWithin(a, b, below).verdict != Verdict::kWithin &&
                         decideWithin(a, b, above).verdict != Verdict::kBeyond);
    log.record(i, holds && decisionsRight ? ::testing::AssertionSuccess()
                                          : ::testing::AssertionFailure()
                                                << "H = u sqrt(" << static_cast<double>(squared)
                                                << "), interval [" << r.lower << ", " << r.upper
                                                << "], holds " << holds);
  }
  EXPECT_EQ(log.failures, 0);
}

// Swapping the shapes, or moving both far away, changes the interval only within rounding: the
// intervals of the variants overlap (the moved coordinates are themselves rounded, by up to a
// unit in the last place of 3e5, about 6e-11).
TEST(Certified, IntervalsOfSwappedAndMovedPairsAgree) {
  const std::vector<TablePair> table = seededPairTable();
  FailureLog log;
  for (int i = 0; i < static_cast<int>(table.size()); i += 11) {
    const TablePair& pair = table[i];
    const double tolerance = 1e-6 * std::max(1.0, pair.extent);
    Shape farA = pair.a, farB = pair.b;
    for (Shape* shape : {&farA, &farB}) {
      for (CubicCurve& curve : shape->segments) curve = moved(curve, 1e5, -3e5);
    }
    const CertifiedDistance r = certifiedHausdorff(pair.a, pair.b, tolerance);
    const CertifiedDistance swapped = certifiedHausdorff(pair.b, pair.a, tolerance);
    const CertifiedDistance far = certifiedHausdorff(farA, farB, tolerance);
    const double moveRounding = 1e-9;
    const bool overlap = swapped.lower <= r.upper && r.lower <= swapped.upper &&
                         far.lower <= r.upper + moveRounding && r.lower <= far.upper + moveRounding;
    log.record(i, overlap ? ::testing::AssertionSuccess()
                          : ::testing::AssertionFailure()
                                << pair.kind << ": [" << r.lower << ", " << r.upper
                                << "], swapped [" << swapped.lower << ", " << swapped.upper
                                << "], moved [" << far.lower << ", " << far.upper << "]");
  }
  EXPECT_EQ(log.failures, 0);
}

}  // namespace
