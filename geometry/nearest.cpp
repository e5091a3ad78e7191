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

double distanceBetween(Point2 a, Point2 b) {
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

double squaredDistance(Point2 a, Point2 b) {
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  return dx * dx + dy * dy;
}

// The queue holds keys and indices into a pool of sub-curves; std::push_heap and std::pop_heap
// move elements by comparisons alone, so ordering the keys orders the candidates exactly as a
// queue of whole NearestCandidate records would, ties included.
struct QueueEntry {
  double lowerBound;
  int index;  // into the pool
};

// Orders the heap so that the smallest lower bound is at the front.
bool nearerLast(const QueueEntry& a, const QueueEntry& b) {
  return a.lowerBound > b.lowerBound;
}

struct SearchQueue {
  std::vector<QueueEntry> heap;
  std::vector<NearestCandidate> pool;
};

NearestCandidate makeCandidate(const CubicCurve& subCurve, Point2 query, double tLow,
                               double tHigh) {
  NearestCandidate candidate;
  candidate.centre = curveMidpoint(subCurve);
  // The largest distance is the root of the largest square: sqrt is monotonic.
  double largestSquare = 0.0;
  for (const Point2& controlPoint : subCurve.p) {
    const double square = squaredDistance(candidate.centre, controlPoint);
    if (square > largestSquare) largestSquare = square;
  }
  candidate.radius = std::sqrt(largestSquare);
  candidate.lowerBound = distanceBetween(query, candidate.centre) - candidate.radius;
  candidate.subCurve = subCurve;
  candidate.tLow = tLow;
  candidate.tHigh = tHigh;
  return candidate;
}

void push(SearchQueue& queue, const NearestCandidate& candidate) {
  queue.heap.push_back({candidate.lowerBound, static_cast<int>(queue.pool.size())});
  queue.pool.push_back(candidate);
  std::push_heap(queue.heap.begin(), queue.heap.end(), nearerLast);
}

const NearestCandidate& popNearest(SearchQueue& queue) {
  std::pop_heap(queue.heap.begin(), queue.heap.end(), nearerLast);
  const int index = queue.heap.back().index;
  queue.heap.pop_back();
  return queue.pool[index];
}

Point2 scaled(Point2 point) {
  return {point.x * geometryScene.zoomScale, point.y * geometryScene.zoomScale};
}

void sendVertex(const MarkerCanvas& canvas, Point2 model) {
  const Point2 drawn = scaled(model);
  canvas.vertex(static_cast<float>(drawn.x), static_cast<float>(drawn.y));
}

}  // namespace

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

NearestPoint findNearestPoint(const CubicCurve& curve, Point2 query) {
  SearchQueue queue;
  // Enough for the searches of the searches' usual depth without growing.
  queue.heap.reserve(64);
  queue.pool.reserve(128);
  push(queue, makeCandidate(curve, query, 0.0, 1.0));

  // The best point known to lie on the curve, should the queue run empty before a sub-curve is
  // small enough: an end point (P0 on a tie), later the midpoint of an expanded sub-curve.
  const double fromStart = distanceBetween(query, curve.p[0]);
  const double fromEnd = distanceBetween(query, curve.p[3]);
  double bestDistance = fromStart;
  double bestParameter = 0.0;
  Point2 bestPoint = curve.p[0];
  if (fromEnd < fromStart) {
    bestDistance = fromEnd;
    bestParameter = 1.0;
    bestPoint = curve.p[3];
  }

  while (!queue.heap.empty()) {
    // A copy: pushing the halves may move the pool.
    const NearestCandidate candidate = popNearest(queue);
    const double middle = (candidate.tLow + candidate.tHigh) * 0.5;

    if (candidate.radius <= kRadiusTolerance) {
      return {distanceBetween(candidate.centre, query), middle, candidate.centre};
    }
    const double centreDistance = candidate.lowerBound + candidate.radius;
    if (centreDistance < bestDistance) {
      bestDistance = centreDistance;
      bestParameter = middle;
      bestPoint = candidate.centre;
    }

    CubicCurve halves[2];
    halveCurve(candidate.subCurve, halves[0], halves[1]);
    const double bounds[2][2] = {{candidate.tLow, middle}, {middle, candidate.tHigh}};
    for (int side = 0; side < 2; ++side) {
      const NearestCandidate half =
          makeCandidate(halves[side], query, bounds[side][0], bounds[side][1]);
      // A half that cannot hold a point strictly nearer than the best seen is discarded.
      if (half.lowerBound < bestDistance) push(queue, half);
    }
  }

  // Every half was discarded: the best point seen is as near as the curve gets, up to the
  // discs' rounding.
  return {bestDistance, bestParameter, bestPoint};
}

double nearestPointOnCurve(const CubicCurve& curve, Point2 query, int markMode) {
  const NearestPoint found = findNearestPoint(curve, query);
  if (markMode != 0) drawNearestMarker(query, found.point, markMode);
  geometryScene.lastNearestParameter = found.parameter;
  return found.distance;
}
