// The fill reference checked on its own, before any search is measured against it: on the seeded
// fill table it must hold every closed-form value (annuli against discs, concentric squares,
// pentagrams under both rules, counters shifted, spikes, outlines against fills, and 0 for the
// same painted set drawn otherwise), narrow to its width, agree with the outline reference where
// the fill distance is the outline distance, and give the swapped pair the same interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "fill_reference.h"
#include "fill_table.h"
#include "shape_reference.h"

namespace {

// The reference's width, relative to each pair's scale.
constexpr long double kRelativeWidth = 2e-3;

const std::vector<FillPair>& table() {
  static const std::vector<FillPair> pairs = seededFillTable(FILL_TEST_OUTPUT_DIR);
  return pairs;
}

double magnitudeOf(const FillPair& pair) {
  double m = 0;
  for (const Shape* s : {&pair.a, &pair.b}) {
    for (const CubicCurve& c : s->segments) {
      for (const Point2& p : c.p) m = std::max({m, std::fabs(p.x), std::fabs(p.y)});
    }
  }
  return m;
}

TEST(FillReference, HoldsClosedFormsAndTheOutlineDistanceOnTheTable) {
  const auto started = std::chrono::steady_clock::now();
  long double widest = 0;
  std::int64_t cells = 0;
  int known = 0;
  for (std::size_t i = 0; i < table().size(); ++i) {
    const FillPair& p = table()[i];
    const std::string name = p.kind + " #" + std::to_string(i);
    const long double width = kRelativeWidth * p.scale;
    // The closed forms are exact for the coordinates as written, which are rounded to doubles.
    const long double rounding = 1e-12L * (p.scale + magnitudeOf(p));
    const fill_reference::Bounds r = fill_reference::fillHausdorff(p.a, p.b, width);
    cells += r.cells;
    widest = std::max(widest, (r.hi - r.lo) / p.scale);
    EXPECT_TRUE(r.finished) << name;
    EXPECT_LE(r.lo, r.hi) << name;
    EXPECT_LE(r.hi - r.lo, width) << name;
    if (!std::isnan(p.expected)) {
      ++known;
      EXPECT_LE(r.lo, p.expected + rounding) << name;
      EXPECT_GE(r.hi, p.expected - rounding) << name;
    }
    // (Where the painted sets coincide, lo <= 0 above says all there is.)
    if (p.outline != OutlineRelation::kNone && p.expected != 0) {
      const long double outline = shape_reference::hausdorff(p.a, p.b, 32);
      EXPECT_LE(r.lo, outline + rounding) << name;
      if (p.outline == OutlineRelation::kEqual) {
        EXPECT_GE(r.hi, outline - rounding) << name;
      }
    }
    // booleanOperations joins chords of about 5.3 units (on these curves, within 0.05 of them)
    // and puts the curves back after, and where a join falls near the end of a curve it keeps
    // that curve's handles with the end moved (0.44 units on a pair 612 across): its union
    // paints what its input paints to within a few thousandths of the scale.
    if (p.kind == "union by booleanOperations") {
      EXPECT_LE(r.lo, 3e-3L * p.scale) << name;
    }
    if (i % 3 == 0) {
      const fill_reference::Bounds swapped = fill_reference::fillHausdorff(p.b, p.a, width);
      EXPECT_LE(swapped.lo, r.hi) << name;
      EXPECT_GE(swapped.hi, r.lo) << name;
    }
  }
  EXPECT_GE(table().size(), 200u);
  EXPECT_GE(known, 100);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf(
      "%zu pairs, %d with a closed form: %lld squares, widest interval %.2Le of the scale, "
      "%.2f s\n",
      table().size(), known, static_cast<long long>(cells), widest, seconds);
}

// Points against painted sets whose distance is known: inside and outside fills, in a hole, on
// a closing line, beside an outline with no fill, in a pentagram's centre under both rules.
TEST(FillReference, DistanceFromAPointToAPaintedSet) {
  const auto lines = [](std::vector<Point2> corners, bool filled, FillRule rule, bool close) {
    Shape s;
    for (std::size_t i = 0; i + 1 < corners.size() + (close ? 1 : 0); ++i) {
      const Point2 a = corners[i], b = corners[(i + 1) % corners.size()];
      s.segments.push_back({{a,
                             {(2 * a.x + b.x) / 3, (2 * a.y + b.y) / 3},
                             {(a.x + 2 * b.x) / 3, (a.y + 2 * b.y) / 3},
                             b}});
    }
    s.contours = {{0, static_cast<int>(s.segments.size()), close}};
    s.paints = {{0, 1, filled, rule}};
    return s;
  };
  const std::vector<Point2> box = {{0, 0}, {4, 0}, {4, 2}, {0, 2}};
  const Shape square = lines(box, true, FillRule::kNonzero, true);
  const Shape openU = lines(box, true, FillRule::kNonzero, false);  // closed by (0,2)-(0,0)
  const Shape outline = lines(box, false, FillRule::kNonzero, false);
  Shape ring = square;
  for (const CubicCurve& c :
       lines({{1, 0.5}, {1, 1.5}, {3, 1.5}, {3, 0.5}}, true, FillRule::kNonzero, true).segments) {
    ring.segments.push_back(c);
  }
  ring.contours = {{0, 4, true}, {4, 4, true}};
  ring.paints = {{0, 2, true, FillRule::kNonzero}};
  std::vector<Point2> star;
  for (int k = 0; k < 5; ++k) {
    star.push_back({std::cos(M_PI / 2 + 4 * M_PI * k / 5), std::sin(M_PI / 2 + 4 * M_PI * k / 5)});
  }
  const struct {
    const char* what;
    Shape shape;
    Point2 q;
    double distance;
  } cases[] = {
      {"inside the square", square, {1, 1}, 0},
      {"beside the square", square, {7, 6}, 5},
      {"in the hole", ring, {2, 1}, 0.5},
      {"in the ring", ring, {0.5, 1}, 0},
      {"left of the closing line", openU, {-1, 1}, 1},
      {"inside the open contour", openU, {0.5, 1}, 0},
      // The left side is neither drawn nor filled: the nearest sides are the top and bottom.
      {"inside an open outline", outline, {0.5, 1}, 1},
      {"nonzero pentagram's centre", lines(star, true, FillRule::kNonzero, true), {0, 0}, 0},
      {"evenodd pentagram's centre",
       lines(star, true, FillRule::kEvenOdd, true),
       {0, 0},
       std::cos(2 * M_PI / 5)},
  };
  for (const auto& c : cases) {
    const fill_reference::PointBounds d =
        fill_reference::distanceToPainted(c.shape, c.q.x, c.q.y, 1e-6L);
    EXPECT_LE(d.lo, c.distance + 1e-12) << c.what;
    EXPECT_GE(d.hi, c.distance - 1e-12) << c.what;
    EXPECT_LE(d.hi - d.lo, 3e-6) << c.what;
  }
}

}  // namespace
