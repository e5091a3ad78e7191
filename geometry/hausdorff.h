// The Hausdorff distance between two cubic curves, by best-first branch and bound.
#ifndef GEOMETRY_HAUSDORFF_H
#define GEOMETRY_HAUSDORFF_H

#include <cstdint>
#include <cstdio>

#include "geometry/cubic.h"

// One entry of the Hausdorff queue: a sub-curve of one curve with an upper bound on how far any
// of its points lies from the other curve.
struct HausdorffCandidate {
  CubicCurve segment;  // in the orientation of the curve it was cut from
  std::int32_t owner;  // 0: a piece of the first curve, 1: of the second
  double tLow;         // parameter on the owner at segment.p[0]
  double tHigh;        // parameter on the owner at segment.p[3]; tLow < tHigh
  double upperBound;   // queue key, largest first
};

// An upper bound on the distance between two cubics from their control points alone: the larger
// of the largest same-order and the largest reverse-order control point distance. Symmetric in
// its arguments, bit for bit, and never negative.
double controlPolygonBound(const CubicCurve& p, const CubicCurve& q);

// What one search found.
struct HausdorffResult {
  // The signed witness parameter: r >= 0 names the point of the first curve at r, r < 0 the point
  // of the second at -r. Its magnitude is never below 1e-9, so the sign always tells the curve.
  double witness;
  double lowerBound;  // the final L: the largest end-point distance measured
  double upperBound;  // bound of the candidate that stopped the search; lowerBound if none did
  int steps;          // processed iterations (those that printed a "dist" line)
};

// Runs the search and writes its trace to `trace` (nothing is written when it is null).
//
// The search stops when the largest queued upper bound is within 0.001 of L, so the Hausdorff
// distance lies in [lowerBound, upperBound] up to the 0.001 radius of the nearest-point
// searches. Each processed step runs four nearest-point searches on the other curve, two of them
// with markMode 1 (their markers go to the installed canvas), and leaves
// geometryScene.witnessEnd and geometryScene.lastNearestParameter as its last searches left
// them.
HausdorffResult hausdorffSearch(const CubicCurve& curveA, const CubicCurve& curveB,
                                std::FILE* trace);

// The signed witness parameter of hausdorffSearch, with the trace on standard output.
double hausdorffDistance(const CubicCurve& curveA, const CubicCurve& curveB);

#endif  // GEOMETRY_HAUSDORFF_H
