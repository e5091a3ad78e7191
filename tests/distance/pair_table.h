// A seeded table of pairs of cubics across the shapes the certified search must handle: random,
// near-coincident, reversed, loops, cusps, collapsed to points, collinear, large and small, far
// from the origin.
#ifndef TESTS_DISTANCE_PAIR_TABLE_H
#define TESTS_DISTANCE_PAIR_TABLE_H

#include <string>
#include <vector>

#include "distance/shape.h"

struct TablePair {
  std::string kind;
  Shape a;
  Shape b;
  double extent;     // the largest coordinate distance from the first control point: the scale
  double magnitude;  // the largest coordinate magnitude
};

// About 1,050 pairs, the same on every run, and one that fuzzing found.
std::vector<TablePair> seededPairTable();

Shape singleCurve(const CubicCurve& curve);
CubicCurve reversedCurve(const CubicCurve& curve);

#endif  // TESTS_DISTANCE_PAIR_TABLE_H
