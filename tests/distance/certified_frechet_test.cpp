// The certified Fréchet search against an independent reference (frechet_reference: fine
// polylines with their chord error, Alt and Godau's decision and a bisection, in long double) on
// a seeded table of pairs and paths, distances known by hand, the decision form, and the
// Hausdorff distance as a floor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "distance/certified_frechet.h"
#include "frechet_reference.h"
#include "pair_table.h"
#include "shape_reference.h"

namespace {

Shape pathOf(std::vector<CubicCurve> segments) {
  Shape shape;
  shape.segments = std::move(segments);
  return shape;
}

CubicCurve line(Point2 from, Point2 to) {
  return CubicCurve{{from,
                     {from.x + (to.x - from.x) / 3, from.y + (to.y - from.y) / 3},
                     {from.x + 2 * (to.x - from.x) / 3, from.y + 2 * (to.y - from.y) / 3},
                     to}};
}

// A random continuous path of `count` cubics, each starting where the last ended.
Shape randomPath(std::mt19937& random, int count, double spread) {
  std::uniform_real_distribution<double> uniform(-spread, spread);
  std::vector<CubicCurve> segments;
  Point2 at{uniform(random), uniform(random)};
  for (int k = 0; k < count; ++k) {
    CubicCurve c;
    c.p[0] = at;
    for (int i = 1; i < 4; ++i)
      c.p[i] = {c.p[i - 1].x + uniform(random), c.p[i - 1].y + uniform(random)};
    at = c.p[3];
    segments.push_back(c);
  }
  return pathOf(segments);
}

// Each control point moved by up to `size`, ends kept joined.
Shape nudgedPath(const Shape& path, double size, std::mt19937& random) {
  std::uniform_real_distribution<double> uniform(-size, size);
  Shape moved = path;
  for (std::size_t k = 0; k < moved.segments.size(); ++k) {
    for (int i = 1; i < 4; ++i) {
      moved.segments[k].p[i].x += uniform(random);
      moved.segments[k].p[i].y += uniform(random);
    }
    if (k + 1 < moved.segments.size()) moved.segments[k + 1].p[0] = moved.segments[k].p[3];
  }
  return moved;
}

struct Case {
  std::string kind;
  Shape a, b;
  double extent;
};

double extentOf(const Shape& a, const Shape& b) {
  const Point2 first = a.segments.front().p[0];
  double extent = 0;
  for (const Shape* shape : {&a, &b}) {
    for (const CubicCurve& c : shape->segments) {
      for (const Point2& p : c.p) {
        extent = std::max({extent, std::fabs(p.x - first.x), std::fabs(p.y - first.y)});
      }
    }
  }
  return extent;
}

// Every third pair of the Hausdorff table (random, near-coincident, reversed, loops, cusps,
// collapsed, collinear, scaled, far), and paths of two to four segments: random, nudged, and one
// against a path that retraces part of it.
std::vector<Case> mixedCases() {
  std::vector<Case> cases;
  const std::vector<TablePair> table = seededPairTable();
  for (std::size_t i = 0; i < table.size(); i += 3) {
    cases.push_back({table[i].kind, table[i].a, table[i].b, table[i].extent});
  }
  std::mt19937 random(7002);
  for (int i = 0; i < 40; ++i) {
    const Shape a = randomPath(random, 2 + i % 3, 0.5);
    const Shape b = i % 2 ? randomPath(random, 2 + i % 3, 0.5) : nudgedPath(a, 0.02, random);
    cases.push_back({i % 2 ? "random paths" : "nudged paths", a, b, extentOf(a, b)});
  }
  return cases;
}

// The reference is exact up to long double rounding in the polylines and the bisection.
double referenceSlack(double extent) {
  return 1e-12 * std::max(extent, 1e-300);
}

struct FailureLog {
  int failures = 0;
  void record(const std::string& what) {
    if (++failures <= 10) ADD_FAILURE() << what;
  }
};

std::string describe(const Case& c, const char* what, const CertifiedFrechet& r,
                     const frechet_reference::Interval& reference, double tolerance) {
  char text[400];
  std::snprintf(text, sizeof text,
                "%s: %s; reference [%.17Lg, %.17Lg], interval [%.17g, %.17g], tol %g, steps %lld",
                c.kind.c_str(), what, reference.lower, reference.upper, r.lower, r.upper, tolerance,
                static_cast<long long>(r.steps));
  return text;
}

TEST(CertifiedFrechetTable, OverlapsTheReferenceAtTolerances1e3And1e6) {
  const std::vector<Case> cases = mixedCases();
  ASSERT_GE(cases.size(), 300u);
  FailureLog log;
  int sharpChecks = 0;
  for (std::size_t n = 0; n < cases.size(); ++n) {
    const Case& c = cases[n];
    const int pieces = 96 / static_cast<int>(c.a.segments.size() + c.b.segments.size() - 1);
    const frechet_reference::Interval reference = frechet_reference::frechet(c.a, c.b, pieces);
    const double slack = referenceSlack(c.extent);
    const long double hausdorff = shape_reference::hausdorff(c.a, c.b, 64);
    for (double tolerance : {1e-3, 1e-6}) {
      const double scaled = tolerance * std::max(1.0, c.extent);
      const CertifiedFrechet r = certifiedFrechet(c.a, c.b, scaled);
      if (!(r.lower <= reference.upper + slack && reference.lower <= r.upper + slack)) {
        log.record(describe(c, "the interval misses the reference", r, reference, scaled));
      }
      if (!r.toleranceMet || !(r.upper - r.lower <= scaled)) {
        log.record(describe(c, "too wide", r, reference, scaled));
      }
      // F >= H: the upper end can never fall below the Hausdorff distance.
      if (!(r.upper >= hausdorff - slack)) {
        log.record(describe(c, "below the Hausdorff distance", r, reference, scaled));
      }
      // The other way round, the interval must still hold the same distance.
      const CertifiedFrechet swapped = certifiedFrechet(c.b, c.a, scaled);
      if (!(swapped.lower <= r.upper + slack && r.lower <= swapped.upper + slack)) {
        log.record(describe(c, "the swapped pair disagrees", swapped, reference, scaled));
      }
      if (reference.upper - reference.lower < scaled) ++sharpChecks;
    }
  }
  EXPECT_EQ(log.failures, 0);
  // The reference must be narrower than the interval often enough to mean something.
  EXPECT_GE(sharpChecks, 300);
}

// On fewer pairs, a reference fine enough to pin the distance to within 1e-6 of its size.
TEST(CertifiedFrechetTable, HoldsAFineReferenceAtTolerance1e6) {
  const std::vector<Case> cases = mixedCases();
  FailureLog log;
  for (std::size_t n = 0; n < cases.size(); n += 25) {
    const Case& c = cases[n];
    const frechet_reference::Interval reference = frechet_reference::frechet(c.a, c.b, 600);
    const double slack = referenceSlack(c.extent);
    const double tolerance = 1e-6 * std::max(1.0, c.extent);
    const CertifiedFrechet r = certifiedFrechet(c.a, c.b, tolerance);
    if (!(r.lower <= reference.upper + slack && reference.lower <= r.upper + slack)) {
      log.record(describe(c, "the interval misses the fine reference", r, reference, tolerance));
    }
  }
  EXPECT_EQ(log.failures, 0);
}

const CubicCurve kArc{0, 0, 1, 2, 3, 2, 4, 0};

// Distances known by hand, with what makes the Fréchet distance differ from the Hausdorff one.
TEST(CertifiedFrechet, HoldsDistancesKnownByHand) {
  CubicCurve left, right;
  const double tau = 0.3;
  // de Casteljau at 0.3, by hand, so the split shares nothing with the search's own.
  const auto at = [&](Point2 a, Point2 b) {
    return Point2{a.x + tau * (b.x - a.x), a.y + tau * (b.y - a.y)};
  };
  const Point2 ab = at(kArc.p[0], kArc.p[1]), bc = at(kArc.p[1], kArc.p[2]),
               cd = at(kArc.p[2], kArc.p[3]), abc = at(ab, bc), bcd = at(bc, cd),
               abcd = at(abc, bcd);
  left = {{kArc.p[0], ab, abc, abcd}};
  right = {{abcd, bcd, cd, kArc.p[3]}};
  const struct {
    const char* name;
    Shape a, b;
    double frechet;
  } cases[] = {
      // Walking a segment against itself reversed, the walkers start at opposite ends.
      {"a segment against itself reversed", pathOf({line({0, 0}, {3, 0})}),
       pathOf({line({3, 0}, {0, 0})}), 3.0},
      {"parallel segments", pathOf({line({0, 0}, {3, 0})}), pathOf({line({0, 1}, {3, 1})}), 1.0},
      // The leash is longest at an end: the walkers' distance along the straight pairing is
      // convex, and no walk does better than the end points.
      {"parallel segments of different lengths", pathOf({line({0, 0}, {4, 0})}),
       pathOf({line({1, 1}, {2, 1})}), std::sqrt(5.0)},
      {"a parallel segment drawn with its handles on its ends", pathOf({line({0, 0}, {3, 0})}),
       pathOf({CubicCurve{0, 0.5, 0, 0.5, 3, 0.5, 3, 0.5}}), 0.5},
      {"a curve against its de Casteljau split", pathOf({kArc}), pathOf({left, right}), 0.0},
      {"a square against itself started at its next corner",
       pathOf({line({0, 0}, {1, 0}), line({1, 0}, {1, 1}), line({1, 1}, {0, 1}),
               line({0, 1}, {0, 0})}),
       pathOf({line({1, 0}, {1, 1}), line({1, 1}, {0, 1}), line({0, 1}, {0, 0}),
               line({0, 0}, {1, 0})}),
       1.0},
  };
  for (const auto& c : cases) {
    for (double tolerance : {1e-3, 1e-9}) {
      const CertifiedFrechet r = certifiedFrechet(c.a, c.b, tolerance);
      EXPECT_LE(r.lower, c.frechet) << c.name << " at " << tolerance;
      EXPECT_GE(r.upper, c.frechet) << c.name << " at " << tolerance;
      EXPECT_TRUE(r.toleranceMet && r.upper - r.lower <= tolerance)
          << c.name << " at " << tolerance;
      // The walk found goes from both starts to both ends.
      ASSERT_GE(r.walk.size(), 1u) << c.name;
      EXPECT_EQ(r.walk.front().onA.t, 0.0) << c.name;
      EXPECT_EQ(r.walk.back().onB.segment, static_cast<int>(c.b.segments.size()) - 1) << c.name;
    }
  }
  // The reversed segment's Hausdorff distance is 0: it is the same set.
  EXPECT_EQ(certifiedHausdorff(cases[0].a, cases[0].b, 1e-6).lower, 0.0);
}

TEST(CertifiedFrechet, AnyStartLetsClosedPathsStartAnywhere) {
  const Shape square = pathOf(
      {line({0, 0}, {1, 0}), line({1, 0}, {1, 1}), line({1, 1}, {0, 1}), line({0, 1}, {0, 0})});
  // The same square from its third corner, drawn with curved handles along its edges.
  Shape later =
      pathOf({square.segments[2], square.segments[3], square.segments[0], square.segments[1]});
  later.segments[1].p[1] = {0, 0.9};
  const CertifiedFrechet anyStart = certifiedFrechet(square, later, 1e-6, {true});
  EXPECT_EQ(anyStart.lower, 0.0);
  EXPECT_LE(anyStart.upper, 1e-6);
  // As drawn, the walkers start at opposite corners.
  const CertifiedFrechet asDrawn = certifiedFrechet(square, later, 1e-6);
  EXPECT_GE(asDrawn.lower, std::sqrt(2.0) - 1e-6);
  // Any start needs both paths closed; an open one is walked as drawn.
  Shape open = later;
  open.segments.pop_back();
  const CertifiedFrechet openAnyStart = certifiedFrechet(square, open, 1e-6, {true});
  EXPECT_GE(openAnyStart.lower, 1.0 - 1e-6);
}

TEST(CertifiedFrechet, DecidesOnEitherSideOfTheDistance) {
  const Shape segment = pathOf({line({0, 0}, {3, 0})});
  const Shape reversed = pathOf({line({3, 0}, {0, 0})});
  EXPECT_EQ(decideFrechetWithin(segment, reversed, 3.001).verdict, Verdict::kWithin);
  EXPECT_EQ(decideFrechetWithin(segment, reversed, 2.999).verdict, Verdict::kBeyond);
  // The Hausdorff distance is 0 here: only the order of the walk makes the answer "beyond".
  EXPECT_EQ(decideWithin(segment, reversed, 1.0).verdict, Verdict::kWithin);
  EXPECT_EQ(decideFrechetWithin(segment, reversed, 1.0).verdict, Verdict::kBeyond);
  const std::vector<Case> cases = mixedCases();
  for (std::size_t n = 0; n < cases.size(); n += 7) {
    const Case& c = cases[n];
    const CertifiedFrechet r = certifiedFrechet(c.a, c.b, 1e-4 * std::max(1.0, c.extent));
    const double margin = 1e-4 * std::max(1.0, c.extent);
    EXPECT_NE(decideFrechetWithin(c.a, c.b, r.upper + margin).verdict, Verdict::kBeyond) << n;
    if (r.lower - margin > 0) {
      EXPECT_NE(decideFrechetWithin(c.a, c.b, r.lower - margin).verdict, Verdict::kWithin) << n;
    }
  }
}

TEST(CertifiedFrechet, TellsContinuousAndClosedPaths) {
  const Shape open = pathOf({line({0, 0}, {1, 0}), line({1, 0}, {1, 1})});
  const Shape broken = pathOf({line({0, 0}, {1, 0}), line({1, 0.5}, {1, 1})});
  const Shape closed = pathOf({line({0, 0}, {1, 0}), line({1, 0}, {0, 0})});
  EXPECT_TRUE(isContinuousPath(open) && !isClosedPath(open));
  EXPECT_FALSE(isContinuousPath(broken) || isClosedPath(broken));
  EXPECT_TRUE(isClosedPath(closed));
  EXPECT_FALSE(isContinuousPath(Shape{}));
}

}  // namespace
