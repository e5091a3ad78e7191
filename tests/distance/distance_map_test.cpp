// The map of the distance to a shape on its own: every bound it gives, for a point, a box or a
// curve, at least the long double reference's distance of every point it covers, before and after
// the map divides its blocks.
#include "distance/distance_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "distance/cubic_pieces.h"
#include "shape_reference.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct MapFixture {
  Shape shape;
  certified::SearchFrame frame;
  double unit;  // one input unit in the frame
  certified::SearchShape prepared;
  certified::PointQueryStore store;
  certified::DistanceMap map;
};

Point2 inFrame(const MapFixture& f, Point2 p) {
  return {(p.x - f.frame.centre.x) * f.unit, (p.y - f.frame.centre.y) * f.unit};
}

Point2 inInput(const MapFixture& f, Point2 p) {
  return {p.x / f.unit + f.frame.centre.x, p.y / f.unit + f.frame.centre.y};
}

// A scribble, with every fifth segment collapsed to a point, mapped over the square it is drawn
// in and a margin around it, in blocks of `block` input units.
void buildMap(MapFixture& f, unsigned seed, double block) {
  f.shape = shape_reference::scribble(40, seed);
  for (std::size_t i = 0; i < f.shape.segments.size(); i += 5) {
    for (Point2& p : f.shape.segments[i].p) p = f.shape.segments[i].p[0];
  }
  ASSERT_TRUE(certified::chooseFrame(f.shape, f.shape, f.frame));
  f.unit = std::ldexp(1.0, -f.frame.exponent);
  certified::prepareShape(f.shape, f.frame, f.prepared);
  const Point2 low = inFrame(f, {-10, -10}), high = inFrame(f, {110, 110});
  certified::buildDistanceMap(f.prepared, {low.x, low.y, high.x, high.y}, block * f.unit, 1 << 16,
                              3, 4 * f.unit, f.store, f.map);
}

// The reference distance, in the frame, from a point given in the frame.
double referenceDistance(const MapFixture& f, Point2 framePoint) {
  const Point2 p = inInput(f, framePoint);
  return static_cast<double>(shape_reference::distanceToShape(f.shape, p.x, p.y)) * f.unit;
}

// Random points and small boxes: each bound covers the reference distance of the point, and of
// the box's corners, middle and edges' middles.
void expectPointsAndBoxesCovered(const MapFixture& f, std::mt19937& random,
                                 const std::string& what) {
  std::uniform_real_distribution<double> coordinate(-10, 98), size(0, 12);
  for (int k = 0; k < 100; ++k) {
    const Point2 corner = inFrame(f, {coordinate(random), coordinate(random)});
    const double w = k % 3 == 0 ? 0.0 : size(random) * f.unit;
    const double h = k % 3 == 0 ? 0.0 : size(random) * f.unit;
    const certified::Box box{corner.x, corner.y, corner.x + w, corner.y + h};
    const double bound = certified::mapBound(f.map, box);
    double farthest = 0.0;
    for (int i = 0; i <= 2; ++i) {
      for (int j = 0; j <= 2; ++j) {
        farthest =
            std::max(farthest, referenceDistance(f, {box.minX + w * i / 2, box.minY + h * j / 2}));
      }
    }
    EXPECT_GE(bound, farthest - 1e-13) << what << " box " << k;
  }
  const Point2 outside = inFrame(f, {50, 200});
  EXPECT_EQ(certified::mapBound(f.map, {0.0, 0.0, outside.x, outside.y}), kInfinity) << what;
}

// Curves through the map's region: the curve bound covers the reference distance of 101 points
// along each, whatever the bound is asked to reach; asked for little, it divides blocks, and the
// points and boxes stay covered by the divided map.
TEST(DistanceMap, BoundsHoldTheReferenceBeforeAndAfterDividing) {
  for (unsigned seed : {3u, 4u}) {
    for (double block : {16.0, 4.0}) {
      MapFixture f;
      buildMap(f, seed, block);
      const std::string what = "seed " + std::to_string(seed) + " block " + std::to_string(block);
      std::mt19937 random(seed);
      expectPointsAndBoxesCovered(f, random, what + " as built");
      const Shape curves = shape_reference::scribble(12, seed + 100);
      for (double enough : {0.0, 2.0, 6.0, kInfinity}) {
        for (std::size_t k = 0; k < curves.segments.size(); ++k) {
          CubicCurve c;
          for (int i = 0; i < 4; ++i) c.p[i] = inFrame(f, curves.segments[k].p[i]);
          const double bound = certified::curveBound(f.map, f.store, c, 40, enough * f.unit);
          double farthest = 0.0;
          for (int s = 0; s <= 100; ++s) {
            farthest = std::max(farthest, referenceDistance(f, certified::pointAt(c, s / 100.0)));
          }
          EXPECT_GE(bound, farthest - 1e-13) << what << " enough " << enough << " curve " << k;
        }
      }
      expectPointsAndBoxesCovered(f, random, what + " divided");
    }
  }
}

// Asked to bound curves within a little more than their distance, the map divides its blocks near
// them until it does: with blocks of 16 units, cells of 2, and pieces halved until their boxes
// span 2 cells, every cell met has its centre within 5.5 units of the curve, so its bound is
// within 7 of the curve's farthest distance, and asking for 8 must be met.
TEST(DistanceMap, DividedBlocksBringTheBoundDown) {
  MapFixture f;
  buildMap(f, 5, 16.0);
  const Shape curves = shape_reference::scribble(12, 205);
  for (const CubicCurve& input : curves.segments) {
    CubicCurve c;
    for (int i = 0; i < 4; ++i) c.p[i] = inFrame(f, input.p[i]);
    double farthest = 0.0;
    for (int s = 0; s <= 200; ++s) {
      farthest = std::max(farthest, referenceDistance(f, certified::pointAt(c, s / 200.0)));
    }
    const double coarse = certified::mapBound(f.map, certified::boxOf(c));
    const double enough = farthest + 8.0 * f.unit;
    const double bound = certified::curveBound(f.map, f.store, c, 40, enough);
    EXPECT_GE(bound, farthest - 1e-13);
    EXPECT_LE(bound, enough) << "coarse " << coarse / f.unit << ", farthest " << farthest / f.unit;
  }
}

}  // namespace
