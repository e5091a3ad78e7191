// The nearest-point search split into its pure part and its effects, for the library's own
// searches; callers outside geometry/ use nearestPointOnCurve.
#ifndef GEOMETRY_NEAREST_SEARCH_H
#define GEOMETRY_NEAREST_SEARCH_H

#include <memory>
#include <vector>

#include "geometry/cubic.h"

// One sub-curve of the halving tree of a curve, with the disc that encloses it. Nothing here
// depends on a query point, so every search on the same curve can share the node.
struct SubdivisionNode {
  CubicCurve subCurve;  // the curve's piece over [tLow, tHigh]
  Point2 centre;        // curveMidpoint(subCurve)
  double radius;        // largest distance from centre to a control point of subCurve
  double tLow;
  double tHigh;
  int firstChild;  // the halves are nodes firstChild (left) and firstChild + 1; -1 until split
};

// One entry of the nearest-point queue: a node and its lower bound for the current query.
struct NearestQueueEntry {
  double lowerBound;
  int node;
};

// Nodes are stored in blocks that never move, so growing the tree copies nothing.
constexpr unsigned kNodeBlockSize = 128;

// The halving tree of one curve, grown as searches reach deeper nodes, and the queue array
// that its searches reuse. Node 0 is the whole curve; node i is
// blocks[i / kNodeBlockSize][i % kNodeBlockSize].
struct CurveSubdivision {
  std::vector<std::unique_ptr<SubdivisionNode[]>> blocks;
  int nodeCount = 0;
  std::vector<NearestQueueEntry> queue;
};

CurveSubdivision subdivide(const CubicCurve& curve);

// What one search finds: the distance that nearestPointOnCurve returns, the parameter that it
// stores in geometryScene.lastNearestParameter and the point at which it draws its marker.
struct NearestPoint {
  double distance;
  double parameter;
  Point2 point;
};

// The search of nearestPointOnCurve on the subdivided curve, without its effects: it neither
// draws nor touches the scene. The result depends on the curve and `query` alone, so equal
// inputs may share it.
NearestPoint findNearestPoint(CurveSubdivision& curve, Point2 query);

// The marker that nearestPointOnCurve draws for markMode != 0 (nothing without a canvas).
void drawNearestMarker(Point2 query, Point2 found, int markMode);

#endif  // GEOMETRY_NEAREST_SEARCH_H
