#include "geometry/nearest.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/cubic_inline.h"
#include "geometry/geometry_scene.h"
#include "geometry/marker_canvas.h"
#include "geometry/nearest_search.h"

namespace {

// A sub-curve whose enclosing disc is this small is reported as the answer.
constexpr double kRadiusTolerance = 0.001;
// A tree larger than this is cut back to its root before the next search. Every node is a pure
// function of the curve and its place in the tree, so rebuilding it changes no result; the cap
// only matters for curves so large (around 1e6 units and more) that the absolute tolerance makes
// each search expand a wide stretch of the curve.
constexpr int kTreeNodeLimit = 1 << 16;

double squaredDistance(Point2 a, Point2 b) {
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  return dx * dx + dy * dy;
}

double distanceBetween(Point2 a, Point2 b) {
  return std::sqrt(squaredDistance(a, b));
}

// Completes a node whose subCurve is set: its disc and its interval.
void completeNode(SubdivisionNode& node, double tLow, double tHigh) {
  node.centre = curveMidpoint(node.subCurve);
  // The largest distance is the root of the largest square: sqrt is monotonic.
  double largestSquare = 0.0;
  for (const Point2& controlPoint : node.subCurve.p) {
    const double square = squaredDistance(node.centre, controlPoint);
    if (square > largestSquare) largestSquare = square;
  }
  node.radius = std::sqrt(largestSquare);
  node.tLow = tLow;
  node.tHigh = tHigh;
  node.firstChild = -1;
}

SubdivisionNode& nodeAt(CurveSubdivision& curve, int index) {
  const auto position = static_cast<unsigned>(index);  // never negative; shifts, not divisions
  return curve.blocks[position / kNodeBlockSize][position % kNodeBlockSize];
}

// Appends a node, its fields unset, and returns its index.
int appendNode(CurveSubdivision& curve) {
  if (static_cast<size_t>(curve.nodeCount) == curve.blocks.size() * kNodeBlockSize) {
    // Default-initialised: every field is written before it is read.
    curve.blocks.emplace_back(new SubdivisionNode[kNodeBlockSize]);
  }
  return curve.nodeCount++;
}

// The index of the left half of `index`; the right half follows it. Splits on first use.
int halvesOf(CurveSubdivision& curve, int index) {
  if (nodeAt(curve, index).firstChild >= 0) return nodeAt(curve, index).firstChild;
  const int first = appendNode(curve);
  appendNode(curve);
  SubdivisionNode& parent = nodeAt(curve, index);
  SubdivisionNode& left = nodeAt(curve, first);
  SubdivisionNode& right = nodeAt(curve, first + 1);
  halveCurve(parent.subCurve, left.subCurve, right.subCurve);
  const double middle = (parent.tLow + parent.tHigh) * 0.5;
  completeNode(left, parent.tLow, middle);
  completeNode(right, middle, parent.tHigh);
  parent.firstChild = first;
  return first;
}

// |query - centre| - radius: no point of the node's sub-curve is nearer to query.
double lowerBoundOf(const SubdivisionNode& node, Point2 query) {
  return distanceBetween(query, node.centre) - node.radius;
}

// Orders the heap so that the smallest lower bound is at the front. The heap holds keys and
// node indices instead of whole NearestCandidate records: std::push_heap and std::pop_heap move
// elements by comparisons alone, so the order, ties included, is the same.
struct NearerLast {
  bool operator()(const NearestQueueEntry& a, const NearestQueueEntry& b) const {
    return a.lowerBound > b.lowerBound;
  }
};

void push(std::vector<NearestQueueEntry>& queue, double lowerBound, int node) {
  queue.push_back({lowerBound, node});
  std::push_heap(queue.begin(), queue.end(), NearerLast());
}

NearestQueueEntry popNearest(std::vector<NearestQueueEntry>& queue) {
  std::pop_heap(queue.begin(), queue.end(), NearerLast());
  const NearestQueueEntry front = queue.back();
  queue.pop_back();
  return front;
}

Point2 scaled(Point2 point) {
  return {point.x * geometryScene.zoomScale, point.y * geometryScene.zoomScale};
}

void sendVertex(const MarkerCanvas& canvas, Point2 model) {
  const Point2 drawn = scaled(model);
  canvas.vertex(static_cast<float>(drawn.x), static_cast<float>(drawn.y));
}

}  // namespace

CurveSubdivision subdivide(const CubicCurve& curve) {
  CurveSubdivision subdivision;
  subdivision.queue.reserve(64);
  SubdivisionNode& root = nodeAt(subdivision, appendNode(subdivision));
  root.subCurve = curve;
  completeNode(root, 0.0, 1.0);
  return subdivision;
}

// A red dot on the found point, then a segment from the query point to it.
void drawNearestMarker(Point2 query, Point2 found, int markMode) {
  if (markerCanvas == nullptr) return;
  const MarkerCanvas& canvas = *markerCanvas;
  canvas.pointSize(4.0f);
  canvas.colour(1.0f, 0.0f, 0.0f);
  canvas.begin(kCanvasPoints);
  sendVertex(canvas, found);
  canvas.end();

  canvas.lineWidth(2.0f);
  if (markMode == 3) {
    canvas.colour(1.0f, 0.0f, 0.0f);
  } else {
    canvas.colour(0.0f, 1.0f, 0.0f);
  }
  canvas.begin(kCanvasLines);
  sendVertex(canvas, query);
  sendVertex(canvas, found);
  canvas.end();
}

namespace {

void pruneToRoot(CurveSubdivision& curve) {
  curve.blocks.resize(1);
  curve.nodeCount = 1;
  nodeAt(curve, 0).firstChild = -1;
}

}  // namespace

NearestPoint findNearestPoint(CurveSubdivision& curve, Point2 query) {
  if (curve.nodeCount > kTreeNodeLimit) pruneToRoot(curve);
  std::vector<NearestQueueEntry>& queue = curve.queue;
  queue.clear();
  push(queue, lowerBoundOf(nodeAt(curve, 0), query), 0);

  // The best point known to lie on the curve, should the queue run empty before a sub-curve is
  // small enough: an end point (P0 on a tie), later the midpoint of an expanded sub-curve.
  const Point2 first = nodeAt(curve, 0).subCurve.p[0];
  const Point2 last = nodeAt(curve, 0).subCurve.p[3];
  const double fromStart = distanceBetween(query, first);
  const double fromEnd = distanceBetween(query, last);
  NearestPoint best{fromStart, 0.0, first};
  if (fromEnd < fromStart) best = {fromEnd, 1.0, last};

  while (!queue.empty()) {
    const NearestQueueEntry entry = popNearest(queue);
    const SubdivisionNode& node = nodeAt(curve, entry.node);
    const double middle = (node.tLow + node.tHigh) * 0.5;

    if (node.radius <= kRadiusTolerance) {
      return {distanceBetween(node.centre, query), middle, node.centre};
    }
    const double centreDistance = entry.lowerBound + node.radius;
    if (centreDistance < best.distance) best = {centreDistance, middle, node.centre};

    const int left = halvesOf(curve, entry.node);
    for (int half = left; half < left + 2; ++half) {
      const double lowerBound = lowerBoundOf(nodeAt(curve, half), query);
      // A half that cannot hold a point strictly nearer than the best seen is discarded.
      if (lowerBound < best.distance) push(queue, lowerBound, half);
    }
  }

  // Every half was discarded: the best point seen is as near as the curve gets, up to the
  // discs' rounding.
  return best;
}

double nearestPointOnCurve(const CubicCurve& curve, Point2 query, int markMode) {
  CurveSubdivision subdivision = subdivide(curve);
  const NearestPoint found = findNearestPoint(subdivision, query);
  if (markMode != 0) drawNearestMarker(query, found.point, markMode);
  geometryScene.lastNearestParameter = found.parameter;
  return found.distance;
}
