// The certified Fréchet search against an independent reference (frechet_reference: fine
// polylines with their chord error, Alt and Godau's decision and a bisection, in long double) on
// a seeded table of pairs and paths, distances known by hand, the decision form, and the
// Hausdorff distance as a floor.
#include <gtest/gtest.h>

#include <algorithm>
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

// A closed path against its reversal, from any start: the walkers go round opposite ways, so the
// angle between them passes a half turn, where they stand on opposite rays from the centre. A
// circle of four cubics with its joints on the circle bulges outwards between them, so there they
// are at least the diameter apart, and no further at a pair of opposite joints: F is 200. Every
// walk crosses that ridge, where the distance is largest, and only a fine grid all along it
// shows that (the search used to refine one chain at a time along it and stop at the grid's cap).
// Steps, never time.
TEST(CertifiedFrechet, CircleAgainstItsReversalFromAnyStartIsItsDiameterApart) {
  const double k = 100 * 4.0 / 3.0 * std::tan(std::acos(-1.0) / 8);  // handles, radius 100
  const Shape circle = pathOf({CubicCurve{100, 0, 100, k, k, 100, 0, 100},
                               CubicCurve{0, 100, -k, 100, -100, k, -100, 0},
                               CubicCurve{-100, 0, -100, -k, -k, -100, 0, -100},
                               CubicCurve{0, -100, k, -100, 100, -k, 100, 0}});
  Shape reversed = circle;
  std::reverse(reversed.segments.begin(), reversed.segments.end());
  for (CubicCurve& c : reversed.segments) std::reverse(std::begin(c.p), std::end(c.p));
  const CertifiedFrechet r = certifiedFrechet(circle, reversed, 0.01, {true});
  EXPECT_LE(r.lower, 200.0);
  EXPECT_GE(r.upper, 200.0);
  EXPECT_TRUE(r.toleranceMet) << "[" << r.lower << ", " << r.upper << "] " << r.unmetReason;
  EXPECT_LE(r.steps, 2600);
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

// A polyline through `stops` along the direction (dx, dy) from `from`, moved `aside` across it,
// each stretch one evenly parametrised line (or, when `stationary`, drawn with its handles on its
// ends).
Shape runThrough(const std::vector<double>& stops, Point2 from, double dx, double dy, double aside,
                 bool stationary) {
  std::vector<CubicCurve> segments;
  const auto at = [&](double s) {
    return Point2{from.x + s * dx - aside * dy, from.y + s * dy + aside * dx};
  };
  for (std::size_t k = 0; k + 1 < stops.size(); ++k) {
    CubicCurve c = line(at(stops[k]), at(stops[k + 1]));
    if (stationary) c.p[1] = c.p[0], c.p[2] = c.p[3];
    segments.push_back(c);
  }
  return pathOf(segments);
}

// Increasing stops from 0 to `length`, `count` stretches cut at random places.
std::vector<double> randomStops(std::mt19937& random, int count, double length) {
  std::uniform_real_distribution<double> uniform(0.0, length);
  std::vector<double> stops = {0.0, length};
  while (static_cast<int>(stops.size()) < count + 1) stops.push_back(uniform(random));
  std::sort(stops.begin(), stops.end());
  return stops;
}

// Paths whose corners do not face each other, where walks through grid corners alone keep their
// leash above the distance: straight runs cut at other places, a side apart (F is the offset,
// and walks crossing cell edges anywhere settle it with no split at all, the pieces being their
// own chords), runs drawn with stationary handles, runs folded back on themselves, a point
// against a run, and closed polygons against themselves reversed and restarted inside an edge.
// Each against the reference; a result short of its tolerance must say why.
TEST(CertifiedFrechet, PathsWhoseCornersDoNotFaceHoldTheReference) {
  std::mt19937 random(2711);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  FailureLog log;
  int unsplit = 0;
  for (int n = 0; n < 48; ++n) {
    const double angle = 6.283185307179586 * unit(random), length = 1.0 + 99.0 * unit(random);
    const double dx = std::cos(angle), dy = std::sin(angle), aside = 0.01 + 2.0 * unit(random);
    const Point2 from{200.0 * unit(random) - 100.0, 200.0 * unit(random) - 100.0};
    const int kind = n % 4;
    Case c;
    const std::vector<double> stopsA = randomStops(random, 1 + n % 7, length);
    const std::vector<double> stopsB = randomStops(random, 1 + (n * 5) % 9, length);
    if (kind == 0) {
      c = {"straight runs cut elsewhere", runThrough(stopsA, from, dx, dy, 0.0, false),
           runThrough(stopsB, from, dx, dy, aside, false), 0.0};
    } else if (kind == 1) {
      c = {"a stationary run", runThrough(stopsA, from, dx, dy, 0.0, true),
           runThrough(stopsB, from, dx, dy, aside, false), 0.0};
    } else if (kind == 2) {
      // Out to the far end and back to a third of the way.
      std::vector<double> folded = stopsA;
      folded.push_back(length / 3);
      std::vector<double> foldedB = stopsB;
      foldedB.push_back(length * (0.3 + 0.1 * unit(random)));
      c = {"runs folded back", runThrough(folded, from, dx, dy, 0.0, false),
           runThrough(foldedB, from, dx, dy, aside, false), 0.0};
    } else {
      CubicCurve point;
      for (Point2& p : point.p) p = from;
      c = {"a point against a run", pathOf({point}),
           runThrough(stopsB, from, dx, dy, aside, n % 8 == 3), 0.0};
    }
    c.extent = extentOf(c.a, c.b);
    const double tolerance = 1e-6 * std::max(1.0, c.extent);
    const frechet_reference::Interval reference = frechet_reference::frechet(c.a, c.b, 16);
    const double slack = referenceSlack(c.extent);
    const CertifiedFrechet r = certifiedFrechet(c.a, c.b, tolerance);
    if (!(r.lower <= reference.upper + slack && reference.lower <= r.upper + slack)) {
      log.record(describe(c, "the interval misses the reference", r, reference, tolerance));
    }
    if (!r.toleranceMet) log.record(describe(c, "too wide", r, reference, tolerance));
    if (r.toleranceMet != r.unmetReason.empty()) {
      log.record(
          describe(c, "a reason where none is due, or none where one is", r, reference, tolerance));
    }
    for (const Leash& leash : r.walk) {
      const double apart =
          std::hypot(leash.onA.point.x - leash.onB.point.x, leash.onA.point.y - leash.onB.point.y);
      if (apart > r.upper + slack)
        log.record(describe(c, "a leash above upper", r, reference, tolerance));
    }
    if (kind == 0 && r.steps == 0) ++unsplit;
  }
  EXPECT_EQ(log.failures, 0);
  EXPECT_EQ(unsplit, 12);  // every straight pair, settled with no piece split
  // Closed polygons against themselves walked backwards from a point inside an edge.
  for (int n = 0; n < 6; ++n) {
    const int sides = 3 + n;
    std::vector<Point2> corners;
    for (int k = 0; k < sides; ++k) {
      const double angle = 6.283185307179586 * (k + 0.3 * unit(random)) / sides;
      corners.push_back({10 * std::cos(angle), 10 * std::sin(angle)});
    }
    std::vector<CubicCurve> forward, backward;
    for (int k = 0; k < sides; ++k) forward.push_back(line(corners[k], corners[(k + 1) % sides]));
    const double cut = 0.2 + 0.6 * unit(random);
    const Point2 inside{corners[1].x + cut * (corners[2].x - corners[1].x),
                        corners[1].y + cut * (corners[2].y - corners[1].y)};
    backward.push_back(line(inside, corners[1]));
    for (int k = 1; k < sides; ++k)
      backward.push_back(line(corners[(sides + 2 - k) % sides], corners[(sides + 1 - k) % sides]));
    backward.push_back(line(corners[2], inside));
    FrechetOptions options;
    options.anyStart = true;
    options.eitherDirection = true;
    const CertifiedFrechet r = certifiedFrechet(pathOf(forward), pathOf(backward), 1e-6, options);
    EXPECT_LE(r.upper, 1e-6) << sides << " sides";
    EXPECT_TRUE(r.reversed) << sides << " sides";
    options.eitherDirection = false;
    EXPECT_GT(certifiedFrechet(pathOf(forward), pathOf(backward), 1e-6, options).lower, 1.0)
        << sides << " sides";
  }
}

// Rounding at the coordinates' magnitude stops the interval short of a tolerance far below it,
// and the result says so.
TEST(CertifiedFrechet, SaysWhyAToleranceWasNotMet) {
  const Shape a = pathOf({line({1e6, 0}, {1e6 + 3, 0}), line({1e6 + 3, 0}, {1e6 + 3, 4})});
  const Shape b = pathOf({line({1e6, 1}, {1e6 + 2, 1}), line({1e6 + 2, 1}, {1e6 + 2, 4})});
  const CertifiedFrechet fine = certifiedFrechet(a, b, 1e-3);
  EXPECT_TRUE(fine.toleranceMet);
  EXPECT_EQ(fine.unmetReason, "");
  const CertifiedFrechet tooFine = certifiedFrechet(a, b, 1e-14);
  EXPECT_FALSE(tooFine.toleranceMet);
  EXPECT_EQ(tooFine.unmetReason, "rounding at the coordinates' magnitude");
  EXPECT_LE(tooFine.lower, fine.upper);
  EXPECT_GE(tooFine.upper, fine.lower);
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
