// The certified search on tangled shapes, where long segments cross each other everywhere and
// the point queries prune by the index over their pieces: seeded scribbles and their degenerate
// kin against the long double reference, the index's point queries on their own, and a guard on
// the work a step does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "distance/certified_hausdorff.h"
#include "distance/cubic_pieces.h"
#include "distance/point_distance.h"
#include "distance/search_shape.h"
#include "shape_reference.h"

namespace {

using shape_reference::scribble;

// Every fifth segment collapsed to its start, a point of the shape.
Shape withPoints(Shape shape) {
  for (std::size_t i = 0; i < shape.segments.size(); i += 5) {
    for (Point2& p : shape.segments[i].p) p = shape.segments[i].p[0];
  }
  return shape;
}

// Every segment straight: its handles on the line through its ends, some beyond them, so that
// the cubic folds back along itself.
Shape straightened(Shape shape) {
  const double along[][2] = {{0.3, 0.6}, {1.4, -0.4}, {0.0, 1.0}, {0.9, 0.1}};
  for (std::size_t i = 0; i < shape.segments.size(); ++i) {
    CubicCurve& c = shape.segments[i];
    for (int k : {1, 2}) {
      const double s = along[i % 4][k - 1];
      c.p[k] = {c.p[0].x + s * (c.p[3].x - c.p[0].x), c.p[0].y + s * (c.p[3].y - c.p[0].y)};
    }
  }
  return shape;
}

// Half the segments of `a` (every other one) and all of `b`, shuffled.
Shape sharingHalf(const Shape& a, const Shape& b, unsigned seed) {
  Shape mixed = b;
  for (std::size_t i = 0; i < a.segments.size(); i += 2) mixed.segments.push_back(a.segments[i]);
  std::shuffle(mixed.segments.begin(), mixed.segments.end(), std::mt19937(seed));
  return mixed;
}

// The shape's segments twice over, in shuffled order: the same figure.
Shape duplicated(const Shape& shape, unsigned seed) {
  Shape twice = shape;
  twice.segments.insert(twice.segments.end(), shape.segments.begin(), shape.segments.end());
  std::shuffle(twice.segments.begin(), twice.segments.end(), std::mt19937(seed));
  return twice;
}

// Each segment cut in two at 0.5: the same figure, up to the cut's rounding.
Shape halved(const Shape& shape) {
  Shape cut;
  for (const CubicCurve& c : shape.segments) {
    CubicCurve left, right;
    certified::splitAt(c, 0.5, left, right);
    cut.segments.push_back(left);
    cut.segments.push_back(right);
  }
  return cut;
}

struct TangledPair {
  std::string name;
  Shape a, b;
  bool sameFigure;  // the distance is 0 (up to the rounding of a cut)
};

// Scribbles of n cubics and their degenerate kin, for both seeds.
std::vector<TangledPair> tangledPairs(int n, std::vector<unsigned> seeds = {1, 2}) {
  std::vector<TangledPair> pairs;
  for (unsigned seed : seeds) {
    const std::string tag = " " + std::to_string(n) + " seed " + std::to_string(seed);
    const Shape a = scribble(n, seed), b = scribble(n, seed + 1000);
    pairs.push_back({"scribbles" + tag, a, b, false});
    pairs.push_back({"with points" + tag, withPoints(a), b, false});
    pairs.push_back({"straight, folded" + tag, straightened(a), straightened(b), false});
    pairs.push_back({"straight against curved" + tag, straightened(a), a, false});
    pairs.push_back({"sharing half its segments" + tag, a, sharingHalf(a, b, seed), false});
    pairs.push_back({"duplicated" + tag, a, duplicated(a, seed), true});
    pairs.push_back({"cut in halves" + tag, a, halved(a), true});
  }
  return pairs;
}

// The largest reference distance from `samples` evenly spaced points of each segment of `from`
// to `to`: at most the directed distance, so at most the Hausdorff distance.
long double sampledDirected(const Shape& from, const Shape& to, int samples) {
  long double largest = 0;
  for (const CubicCurve& c : from.segments) {
    for (int k = 0; k <= samples; ++k) {
      const Point2 p = certified::pointAt(c, static_cast<double>(k) / samples);
      largest = std::max(largest, shape_reference::distanceToShape(to, p.x, p.y));
    }
  }
  return largest;
}

// What every interval must satisfy whatever the reference: its width, and lower being at most
// the witness's own distance (which is at most H), with the arrow to the nearest point between
// that distance and upper. Returns the witness's reference distance.
long double expectConsistent(const TangledPair& pair, const CertifiedDistance& r, double tolerance,
                             const std::string& what) {
  EXPECT_LE(r.upper - r.lower, tolerance) << what;
  EXPECT_TRUE(r.toleranceMet) << what;
  const Shape& other = r.witnessShape == 0 ? pair.b : pair.a;
  const long double own =
      shape_reference::distanceToShape(other, r.witness.point.x, r.witness.point.y);
  const double arrow =
      std::hypot(r.witness.point.x - r.nearest.point.x, r.witness.point.y - r.nearest.point.y);
  EXPECT_LE(r.lower, own + 1e-9) << what;
  EXPECT_GE(arrow, own - 1e-9) << what;
  EXPECT_LE(arrow, r.upper + 1e-9) << what;
  return own;
}

// At 1e-3 and 1e-6: the interval is consistent with the witness's reference distance, its upper
// end covers `farthest` (a reference distance of some point of either shape), and a pair drawing
// the same figure has lower exactly 0.
void expectCertifiedAtBothTolerances(const TangledPair& pair, long double farthest) {
  for (double tolerance : {1e-3, 1e-6}) {
    const std::string what = pair.name + " at " + std::to_string(tolerance);
    const CertifiedDistance r = certifiedHausdorff(pair.a, pair.b, tolerance);
    expectConsistent(pair, r, tolerance, what);
    EXPECT_GE(r.upper, farthest - 1e-9) << what;
    if (pair.sameFigure) {
      EXPECT_EQ(r.lower, 0.0) << what;
    }
  }
}

// Small tangles, where the whole reference (sampled, bracketed and refined in long double) is
// affordable.
TEST(Tangled, SmallTanglesHoldTheReference) {
  for (const TangledPair& pair : tangledPairs(12)) {
    const long double reference =
        pair.sameFigure ? 0.0L : shape_reference::hausdorff(pair.a, pair.b, 64);
    for (double tolerance : {1e-3, 1e-6}) {
      const std::string what = pair.name + " at " + std::to_string(tolerance);
      const CertifiedDistance r = certifiedHausdorff(pair.a, pair.b, tolerance);
      EXPECT_LE(r.lower, reference + 1e-9) << what;
      EXPECT_GE(r.upper, reference - 1e-9) << what;
      expectConsistent(pair, r, tolerance, what);
    }
  }
}

// Tangles large enough that the search refines its indexes (from about 40 cubics a shape): lower
// is certified by the witness's reference distance, upper must cover the reference distance of
// every sampled point of both shapes, and for a pair drawing the same figure lower is exactly 0.
TEST(Tangled, RefinedIndexesKeepTheIntervalsCertified) {
  for (int n : {48, 80}) {
    for (const TangledPair& pair : tangledPairs(n)) {
      const long double sampled =
          std::max(sampledDirected(pair.a, pair.b, 8), sampledDirected(pair.b, pair.a, 8));
      expectCertifiedAtBothTolerances(pair, sampled);
    }
  }
}

// The index on its own: refined to a few sizes, its pieces cover every segment's parameter range
// once, each is the segment's piece over its range and no longer than asked; and a point query
// through it, certifying its distance to 1e-9, brackets the reference.
TEST(Tangled, RefinedIndexCoversTheSegmentsAndQueriesHoldTheReference) {
  const Shape shape = withPoints(scribble(30, 5));
  certified::SearchFrame frame;
  ASSERT_TRUE(certified::chooseFrame(shape, shape, frame));
  const double unit = std::ldexp(1.0, -frame.exponent);  // one input unit in the frame
  std::mt19937 random(11);
  std::uniform_real_distribution<double> coordinate(-20, 120);
  certified::SearchShape index;
  certified::prepareShape(shape, frame, index);
  certified::PointQueryStore store;
  for (double size : {0.0, 8.0, 0.5}) {
    if (size > 0) {
      EXPECT_TRUE(certified::refineIndex(index, size * unit, 1 << 20)) << size;
      std::vector<std::vector<std::pair<double, double>>> ranges(shape.segments.size());
      for (const certified::IndexPiece& piece : index.pieces) {
        ranges[piece.segment].push_back({piece.t0, piece.t1});
        const certified::Box box = certified::boxOf(piece.control);
        const bool small = std::max(box.maxX - box.minX, box.maxY - box.minY) <= size * unit;
        EXPECT_TRUE(small || piece.depth == certified::kMaxIndexDepth) << size;
        const CubicCurve exact =
            certified::pieceBetween(index.segments[piece.segment], piece.t0, piece.t1);
        EXPECT_LE(certified::pairedControlDistance(exact, piece.control), 1e-12) << size;
      }
      for (auto& covered : ranges) {
        std::sort(covered.begin(), covered.end());
        ASSERT_FALSE(covered.empty());
        EXPECT_EQ(covered.front().first, 0.0);
        EXPECT_EQ(covered.back().second, 1.0);
        for (std::size_t k = 1; k < covered.size(); ++k) {
          EXPECT_EQ(covered[k].first, covered[k - 1].second) << size;
        }
      }
    }
    for (int k = 0; k < 60; ++k) {
      const Point2 q{coordinate(random), coordinate(random)};
      const Point2 inFrame{(q.x - frame.centre.x) * unit, (q.y - frame.centre.y) * unit};
      const certified::QueryPrecision exact{-1.0, 1e-12, 0.0, 0.0};
      const certified::PointDistance d =
          certified::distanceToShape(index, inFrame, {-1, 0.0}, {-1, 0.0}, exact, store);
      const double reference =
          static_cast<double>(shape_reference::distanceToShape(shape, q.x, q.y)) * unit;
      EXPECT_LE(d.lower, reference + 1e-13) << "size " << size << " query " << k;
      EXPECT_GE(d.upper, reference - 1e-13) << "size " << size << " query " << k;
      EXPECT_LE(d.upper - d.lower, 1e-11) << "size " << size << " query " << k;
    }
  }
}

// The largest reference distance found from `from` to `to`: 4 samples a segment, then 128 on the
// three segments whose samples came farthest, then golden sections around the farthest of those.
// Every value it returns is the distance of a point of `from`, so at most the Hausdorff distance,
// and on tangles it comes within about 1e-9 of the directed distance when the maximum lies inside
// those segments.
long double farthestFound(const Shape& from, const Shape& to) {
  const auto distanceAt = [&](int segment, long double t) {
    const Point2 p = certified::pointAt(from.segments[segment], static_cast<double>(t));
    return shape_reference::distanceToShape(to, p.x, p.y);
  };
  std::vector<std::pair<long double, int>> coarse;
  for (int i = 0; i < static_cast<int>(from.segments.size()); ++i) {
    long double largest = 0;
    for (int k = 0; k <= 4; ++k) largest = std::max(largest, distanceAt(i, k / 4.0L));
    coarse.push_back({largest, i});
  }
  std::sort(coarse.rbegin(), coarse.rend());
  long double best = coarse.front().first;
  for (std::size_t n = 0; n < std::min<std::size_t>(3, coarse.size()); ++n) {
    const int segment = coarse[n].second;
    long double bestT = 0;
    for (int k = 0; k <= 128; ++k) {
      const long double d = distanceAt(segment, k / 128.0L);
      if (d > best) best = d, bestT = k / 128.0L;
    }
    long double lo = std::max(0.0L, bestT - 1 / 128.0L), hi = std::min(1.0L, bestT + 1 / 128.0L);
    const long double ratio = (std::sqrt(5.0L) - 1) / 2;
    for (int k = 0; k < 30; ++k) {
      const long double m1 = hi - ratio * (hi - lo), m2 = lo + ratio * (hi - lo);
      const long double d1 = distanceAt(segment, m1), d2 = distanceAt(segment, m2);
      best = std::max({best, d1, d2});
      if (d1 > d2) {
        hi = m2;
      } else {
        lo = m1;
      }
    }
  }
  return best;
}

// Tangles of more than 128 cubics a shape, where the search maps the distance to each shape over
// the other (a dense one) and settles most segments by the map, unmeasured: upper must still cover
// the farthest point found by the reference both ways, lower the witness's reference distance.
TEST(Tangled, MappedTanglesKeepTheIntervalsCertified) {
  for (const TangledPair& pair : tangledPairs(160, {1})) {
    const long double found =
        std::max(farthestFound(pair.a, pair.b), farthestFound(pair.b, pair.a));
    expectCertifiedAtBothTolerances(pair, found);
    // Deciding stops at its own level: just below the farthest point found, or just above the
    // certified interval.
    if (pair.sameFigure) continue;
    const double near = static_cast<double>(found);
    EXPECT_EQ(decideWithin(pair.a, pair.b, near - 1e-4).verdict, Verdict::kBeyond) << pair.name;
    const double upper = certifiedHausdorff(pair.a, pair.b, 1e-6).upper;
    EXPECT_EQ(decideWithin(pair.a, pair.b, upper + 1e-4).verdict, Verdict::kWithin) << pair.name;
  }
}

// The work of the search on tangles, which the maps keep far below what halving pieces needs (on
// 1,600 against 1,600, 74,474 steps and about 3 million visits before them; 23 steps and about
// 280,000 visits with them, for seed 1).
TEST(Tangled, StepsAndVisitsStayBounded) {
  const CertifiedDistance r = certifiedHausdorff(scribble(1600, 1), scribble(1600, 1001), 1e-3);
  ASSERT_TRUE(r.toleranceMet);
  EXPECT_LE(r.steps, 200);
  EXPECT_LE(r.visits, 500000);
}

}  // namespace
