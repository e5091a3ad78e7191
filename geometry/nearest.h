// The nearest point of a cubic curve to a query point, by best-first subdivision.
#ifndef GEOMETRY_NEAREST_H
#define GEOMETRY_NEAREST_H

#include "geometry/cubic.h"

// One entry of the nearest-point queue: a sub-curve enclosed in a disc around its own midpoint.
// The search stores it in two parts that behave as this record: the fields that do not depend
// on the query live in a halving tree shared by searches on the same curve, and the queue holds
// lowerBound with the index of the tree node (geometry/nearest_search.h).
struct NearestCandidate {
  Point2 centre;        // evaluateCurve(subCurve, 0.5)
  double radius;        // largest distance from centre to a control point of subCurve
  double lowerBound;    // |query - centre| - radius; no point of subCurve is nearer. Queue key.
  CubicCurve subCurve;  // the searched curve's piece over [tLow, tHigh]
  double tLow;
  double tHigh;
};

// Searches `curve` for the point nearest to `query` and returns its distance.
//
// The search keeps a queue of sub-curves ordered by lowerBound (smallest first), discards halves
// whose lower bound is not strictly below the best distance seen, and stops at the first
// sub-curve it takes from the queue whose disc radius is at most 0.001; the found point is that
// sub-curve's midpoint, so a query on the curve gives a small positive distance, not 0.
// Equal lower bounds leave the queue in the order of std::push_heap/std::pop_heap, which fixes
// which of two equally near points is reported.
//
// When every remaining half is discarded before such a sub-curve is reached (a query exactly at
// an end point, or on the line of a straight curve), the result is the best distance seen: from
// P0, from P3 (P0 when equally near), or from the midpoint of an expanded sub-curve.
//
// Side effects: geometryScene.lastNearestParameter is set to the found point's parameter on
// `curve`. When markMode is not 0 and a canvas is installed, a red dot (size 4) is drawn at the
// found point and a segment (width 2) from `query` to it, red for markMode 3 and green
// otherwise; vertices are model points times geometryScene.zoomScale. Neither the result nor
// the parameter depends on markMode.
double nearestPointOnCurve(const CubicCurve& curve, Point2 query, int markMode);

#endif  // GEOMETRY_NEAREST_H
