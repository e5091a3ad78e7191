#include "pair_table.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using Random = std::mt19937;

double uniform(Random& random, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(random);
}

CubicCurve randomCurve(Random& random) {
  CubicCurve curve;
  for (Point2& point : curve.p) point = {uniform(random, -0.5, 0.5), uniform(random, -0.5, 0.5)};
  return curve;
}

// Each control point moved by up to `size` in each coordinate.
CubicCurve nudged(CubicCurve curve, double size, Random& random) {
  for (Point2& point : curve.p) {
    point.x += size * uniform(random, -1, 1);
    point.y += size * uniform(random, -1, 1);
  }
  return curve;
}

CubicCurve scaled(CubicCurve curve, double factor, Point2 offset) {
  for (Point2& point : curve.p) point = {point.x * factor + offset.x, point.y * factor + offset.y};
  return curve;
}

// A loop: the inner control points cross over, so the curve crosses itself.
CubicCurve loopCurve(Random& random) {
  const double width = uniform(random, 0.3, 1.0), height = uniform(random, 0.3, 1.0);
  const Point2 start{uniform(random, -0.5, 0), uniform(random, -0.5, 0.5)};
  return CubicCurve{{start,
                     {start.x + 2 * width, start.y + height},
                     {start.x - width, start.y + height},
                     {start.x + width, start.y + uniform(random, -0.1, 0.1)}}};
}

// c'(1/2) = 3/4 (P3 + P2 - P1 - P0) vanishes when P2 = P0 + P1 - P3: a cusp at the middle.
CubicCurve cuspCurve(Random& random) {
  CubicCurve curve = randomCurve(random);
  curve.p[2] = {curve.p[0].x + curve.p[1].x - curve.p[3].x,
                curve.p[0].y + curve.p[1].y - curve.p[3].y};
  return curve;
}

CubicCurve pointCurve(Point2 point) {
  return CubicCurve{{point, point, point, point}};
}

// Four points on the line through `origin` along `direction`, at random (unordered) positions,
// so the curve may double back on itself.
CubicCurve onLine(Point2 origin, Point2 direction, Random& random) {
  CubicCurve curve;
  for (Point2& point : curve.p) {
    const double s = uniform(random, -0.5, 0.5);
    point = {origin.x + s * direction.x, origin.y + s * direction.y};
  }
  return curve;
}

double extentOf(const Shape& a, const Shape& b) {
  const Point2 first = a.segments.front().p[0];
  double extent = 0;
  for (const Shape* shape : {&a, &b}) {
    for (const CubicCurve& curve : shape->segments) {
      for (const Point2& point : curve.p) {
        extent = std::max({extent, std::fabs(point.x - first.x), std::fabs(point.y - first.y)});
      }
    }
  }
  return extent;
}

void add(std::vector<TablePair>& table, const std::string& kind, const CubicCurve& a,
         const CubicCurve& b) {
  TablePair pair{kind, singleCurve(a), singleCurve(b), 0, 0};
  pair.extent = extentOf(pair.a, pair.b);
  for (const CubicCurve* curve : {&a, &b}) {
    for (const Point2& point : curve->p) {
      pair.magnitude = std::max({pair.magnitude, std::fabs(point.x), std::fabs(point.y)});
    }
  }
  table.push_back(pair);
}

}  // namespace

Shape singleCurve(const CubicCurve& curve) {
  Shape shape;
  shape.segments.push_back(curve);
  return shape;
}

CubicCurve reversedCurve(const CubicCurve& curve) {
  return CubicCurve{{curve.p[3], curve.p[2], curve.p[1], curve.p[0]}};
}

std::vector<TablePair> seededPairTable() {
  Random random(20261207);
  std::vector<TablePair> table;
  for (int i = 0; i < 300; ++i) add(table, "random", randomCurve(random), randomCurve(random));
  for (int i = 0; i < 200; ++i) {
    // Offsets from exactly 0 through 1e-12 … 1e-2.
    const CubicCurve a = randomCurve(random);
    const double size = i % 10 == 0 ? 0.0 : std::pow(10.0, uniform(random, -12, -2));
    add(table, "near-coincident", a, nudged(a, size, random));
  }
  for (int i = 0; i < 100; ++i) {
    const CubicCurve a = i % 2 ? loopCurve(random) : randomCurve(random);
    add(table, "reversed", a, nudged(reversedCurve(a), i % 4 < 2 ? 0.0 : 1e-6, random));
  }
  for (int i = 0; i < 100; ++i) {
    const CubicCurve a = loopCurve(random);
    add(table, "loop", a, i % 2 ? loopCurve(random) : nudged(a, 1e-3, random));
  }
  for (int i = 0; i < 50; ++i) {
    const CubicCurve a = cuspCurve(random);
    add(table, "cusp", a, i % 2 ? cuspCurve(random) : nudged(a, 1e-4, random));
  }
  for (int i = 0; i < 50; ++i) {
    const CubicCurve a = pointCurve({uniform(random, -0.5, 0.5), uniform(random, -0.5, 0.5)});
    const CubicCurve b = i % 3 == 0 ? a
                                    : (i % 3 == 1 ? randomCurve(random)
                                                  : pointCurve({uniform(random, -0.5, 0.5), 0.25}));
    add(table, "collapsed", a, b);
  }
  for (int i = 0; i < 100; ++i) {
    const double angle = uniform(random, 0, 3.14159);
    const Point2 direction{std::cos(angle), std::sin(angle)};
    const Point2 origin{uniform(random, -0.2, 0.2), uniform(random, -0.2, 0.2)};
    // Overlapping on one line, or on a parallel line a little apart.
    const double apart = i % 2 ? 0.0 : std::pow(10.0, uniform(random, -6, -1));
    const Point2 shifted{origin.x - apart * direction.y, origin.y + apart * direction.x};
    add(table, "collinear", onLine(origin, direction, random), onLine(shifted, direction, random));
  }
  for (int i = 0; i < 100; ++i) {
    const double factor = i % 2 ? 100.0 : 0.001;
    add(table, "scaled", scaled(randomCurve(random), factor, {0, 0}),
        scaled(randomCurve(random), factor, {0, 0}));
  }
  for (int i = 0; i < 50; ++i) {
    const double distance = std::pow(10.0, uniform(random, 4, 6));
    const double angle = uniform(random, 0, 6.28318);
    const Point2 offset{distance * std::cos(angle), distance * std::sin(angle)};
    const CubicCurve a = randomCurve(random);
    add(table, "far", scaled(a, 1, offset),
        scaled(i % 2 ? randomCurve(random) : nudged(a, 1e-3, random), 1, offset));
  }
  // Found by fuzzing: from the witness, an end of the small curve far off, the small curve's two
  // ends are local minima 4e-4 apart in distance; at a tolerance of 2 the search's nearest point
  // sat on the farther one, beyond the upper bound.
  add(table, "large against small",
      {-1000, -5.5879354476928711e-07, 1000, -1000, -1000, 1000, 1000, 5.5626846462680035e-306},
      {-0.0002, -0.0003, -0.0001, -0.0001, 9.9999983174348022e-05, -0.0001, 0.00019999161809682847,
       -0.00029999999999999992});
  return table;
}
