#include "plain_search.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/geometry_scene.h"
#include "geometry/marker_canvas.h"
#include "geometry/nearest.h"  // NearestCandidate

namespace plain {

namespace {

// One Bernstein-form coordinate. The terms are added in the order P1, P0, P2, P3 and the
// powers come from pow; the searches' printed digits were fixed with this exact arithmetic.
double bernstein(double c0, double c1, double c2, double c3, double t) {
  const double s = 1.0 - t;
  return std::pow(s, 2.0) * 3.0 * t * c1 + std::pow(s, 3.0) * c0 +
         s * (3.0 * std::pow(t, 2.0)) * c2 + std::pow(t, 3.0) * c3;
}

Point2 lerp(Point2 a, Point2 b, double wa, double wb) {
  return {a.x * wa + b.x * wb, a.y * wa + b.y * wb};
}

// De Casteljau's triangle with weights wa on the earlier and wb on the later point of each pair.
// Named after the classic midpoint labels: ab, bc, cd on the first row, abc, bcd on the
// second, abcd (the curve point) on the third.
void splitWithWeights(const CubicCurve& curve, double wa, double wb, CubicCurve& left,
                      CubicCurve& right) {
  const Point2 a = curve.p[0];
  const Point2 b = curve.p[1];
  const Point2 c = curve.p[2];
  const Point2 d = curve.p[3];
  const Point2 ab = lerp(a, b, wa, wb);
  const Point2 bc = lerp(b, c, wa, wb);
  const Point2 cd = lerp(c, d, wa, wb);
  const Point2 abc = lerp(ab, bc, wa, wb);
  const Point2 bcd = lerp(bc, cd, wa, wb);
  const Point2 abcd = lerp(abc, bcd, wa, wb);
  left = CubicCurve{{a, ab, abc, abcd}};
  right = CubicCurve{{abcd, bcd, cd, d}};
}

}  // namespace

Point2 evaluateCurve(const CubicCurve& curve, double t) {
  const Point2* p = curve.p;
  return {bernstein(p[0].x, p[1].x, p[2].x, p[3].x, t),
          bernstein(p[0].y, p[1].y, p[2].y, p[3].y, t)};
}

void splitCurveHalf(const CubicCurve& curve, CubicCurve& left, CubicCurve& right) {
  splitWithWeights(curve, 0.5, 0.5, left, right);
}

void splitCurveAt(const CubicCurve& curve, double t, CubicCurve& left, CubicCurve& right) {
  splitWithWeights(curve, 1.0 - t, t, left, right);
}

CubicCurve extractSegment(const CubicCurve& curve, double a, double b) {
  CubicCurve beforeA;
  CubicCurve fromA;
  plain::splitCurveAt(curve, a, beforeA, fromA);
  // Local parameter of b inside [a, 1]; near a == 1 the piece is a point and s = 1 keeps it.
  const double s = std::fabs(1.0 - a) > 1e-8 ? (b - a) / (1.0 - a) : 1.0;
  CubicCurve piece;
  CubicCurve afterB;
  plain::splitCurveAt(fromA, s, piece, afterB);
  return piece;
}

namespace {

// A sub-curve whose enclosing disc is this small is reported as the answer.
constexpr double kRadiusTolerance = 0.001;

double distanceBetween(Point2 a, Point2 b) {
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

NearestCandidate makeCandidate(const CubicCurve& subCurve, Point2 query, double tLow,
                               double tHigh) {
  NearestCandidate candidate;
  candidate.centre = plain::evaluateCurve(subCurve, 0.5);
  candidate.radius = 0.0;
  for (const Point2& controlPoint : subCurve.p) {
    const double distance = distanceBetween(candidate.centre, controlPoint);
    if (distance > candidate.radius) candidate.radius = distance;
  }
  candidate.lowerBound = distanceBetween(query, candidate.centre) - candidate.radius;
  candidate.subCurve = subCurve;
  candidate.tLow = tLow;
  candidate.tHigh = tHigh;
  return candidate;
}

// Orders the heap so that the smallest lower bound is at the front.
bool nearerLast(const NearestCandidate& a, const NearestCandidate& b) {
  return a.lowerBound > b.lowerBound;
}

Point2 scaled(Point2 point) {
  return {point.x * geometryScene.zoomScale, point.y * geometryScene.zoomScale};
}

void sendVertex(const MarkerCanvas& canvas, Point2 model) {
  const Point2 drawn = scaled(model);
  canvas.vertex(static_cast<float>(drawn.x), static_cast<float>(drawn.y));
}

// A red dot on the found point, then a segment from the query point to it.
void drawMarker(Point2 query, Point2 found, int markMode) {
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

}  // namespace

double nearestPointOnCurve(const CubicCurve& curve, Point2 query, int markMode) {
  std::vector<NearestCandidate> queue;
  queue.push_back(makeCandidate(curve, query, 0.0, 1.0));

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

  while (!queue.empty()) {
    std::pop_heap(queue.begin(), queue.end(), nearerLast);
    const NearestCandidate candidate = queue.back();
    queue.pop_back();
    const double middle = (candidate.tLow + candidate.tHigh) * 0.5;

    if (candidate.radius <= kRadiusTolerance) {
      if (markMode != 0) drawMarker(query, candidate.centre, markMode);
      geometryScene.lastNearestParameter = middle;
      return distanceBetween(candidate.centre, query);
    }
    const double centreDistance = candidate.lowerBound + candidate.radius;
    if (centreDistance < bestDistance) {
      bestDistance = centreDistance;
      bestParameter = middle;
      bestPoint = candidate.centre;
    }

    CubicCurve halves[2];
    plain::splitCurveHalf(candidate.subCurve, halves[0], halves[1]);
    const double bounds[2][2] = {{candidate.tLow, middle}, {middle, candidate.tHigh}};
    for (int side = 0; side < 2; ++side) {
      const NearestCandidate half =
          makeCandidate(halves[side], query, bounds[side][0], bounds[side][1]);
      // A half that cannot hold a point strictly nearer than the best seen is discarded.
      if (half.lowerBound < bestDistance) {
        queue.push_back(half);
        std::push_heap(queue.begin(), queue.end(), nearerLast);
      }
    }
  }

  // Every half was discarded: the best point seen is as near as the curve gets, up to the
  // discs' rounding.
  if (markMode != 0) drawMarker(query, bestPoint, markMode);
  geometryScene.lastNearestParameter = bestParameter;
  return bestDistance;
}

namespace {

// The search stops once no queued bound exceeds L by more than this.
constexpr double kGap = 0.001;
// A half whose bound is this little below L is still queued; step 2 drops it if L stays above.
constexpr double kSlack = 1e-6;
// Candidates no wider than this are not split again: children of a 2^-16 interval are leaves.
constexpr double kWidthFloor = 1e-5;
// The witness parameter keeps its sign even at parameter 0.
constexpr double kWitnessFloor = 1e-9;
constexpr double kInitialLowerBound = -1e9;

// Largest of |p.Pi - q.Pi| when `reversed` is false, of |p.Pi - q.P(3-i)| when it is true.
double largestPairDistance(const CubicCurve& p, const CubicCurve& q, bool reversed) {
  double largest = 0.0;
  for (int i = 0; i < 4; ++i) {
    const Point2 a = p.p[i];
    const Point2 b = q.p[reversed ? 3 - i : i];
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double distance = std::sqrt(dy * dy + dx * dx);
    if (distance > largest) largest = distance;
  }
  return largest;
}

// Orders the heap so that the largest upper bound is at the front.
bool smallerBound(const HausdorffCandidate& a, const HausdorffCandidate& b) {
  return a.upperBound < b.upperBound;
}

void push(std::vector<HausdorffCandidate>& queue, const HausdorffCandidate& candidate) {
  queue.push_back(candidate);
  std::push_heap(queue.begin(), queue.end(), smallerBound);
}

HausdorffCandidate popLargest(std::vector<HausdorffCandidate>& queue) {
  std::pop_heap(queue.begin(), queue.end(), smallerBound);
  const HausdorffCandidate top = queue.back();
  queue.pop_back();
  return top;
}

}  // namespace

double controlPolygonBound(const CubicCurve& p, const CubicCurve& q) {
  const double sameOrder = largestPairDistance(p, q, false);
  const double reverseOrder = largestPairDistance(p, q, true);
  return std::max(sameOrder, reverseOrder);
}

HausdorffResult hausdorffSearch(const CubicCurve& curveA, const CubicCurve& curveB,
                                std::FILE* trace) {
  std::vector<HausdorffCandidate> queue;
  const double boundAB = plain::controlPolygonBound(curveA, curveB);
  const double boundBA = plain::controlPolygonBound(curveB, curveA);
  push(queue, {curveA, 0, 0.0, 1.0, boundAB});
  push(queue, {curveB, 1, 0.0, 1.0, boundBA});

  HausdorffResult result{0.0, kInitialLowerBound, kInitialLowerBound, 0};
  double& lower = result.lowerBound;
  if (trace) std::fprintf(trace, "initial : %.6f(%.6f)\n", boundAB, boundBA);

  while (!queue.empty()) {
    const HausdorffCandidate k = popLargest(queue);
    if (lower > k.upperBound) continue;  // cannot hold the maximum
    // Nothing left in the queue can lie farther than k.upperBound, within kGap of L.
    if (k.upperBound - lower <= kGap) {
      result.upperBound = k.upperBound;
      return result;
    }
    ++result.steps;
    if (trace) {
      std::fprintf(trace, "dist : [%.6f,%.6f]\n", lower, k.upperBound);
      std::fprintf(trace, "par : [%.6f,%.6f]\n", k.tLow, k.tHigh);
    }

    const CubicCurve& other = k.owner == 0 ? curveB : curveA;
    const Point2 start = k.segment.p[0];
    const Point2 end = k.segment.p[3];

    // The stretch of the other curve between the feet of k's end points.
    plain::nearestPointOnCurve(other, start, 0);
    const double t0 = geometryScene.lastNearestParameter;
    plain::nearestPointOnCurve(other, end, 0);
    const double t3 = geometryScene.lastNearestParameter;
    const double a = t0 > t3 ? t3 : t0;
    const double b = t0 > t3 ? t0 : t3;
    const CubicCurve stretch = plain::extractSegment(other, a, b);

    const double d0 = plain::nearestPointOnCurve(other, start, 1);
    const double d3 = plain::nearestPointOnCurve(other, end, 1);
    geometryScene.witnessEnd = d0 > d3 ? 0 : 3;
    const double h = std::max(d0, d3);
    if (h >= lower) {
      lower = h;
      if (trace) std::fprintf(trace, "L updated to %.6f\n", h);
      result.witness = std::max(kWitnessFloor, geometryScene.witnessEnd == 0 ? k.tLow : k.tHigh);
      if (k.owner == 1) result.witness = -result.witness;
    }

    CubicCurve halves[2];
    plain::splitCurveHalf(k.segment, halves[0], halves[1]);
    const double middle = (k.tLow + k.tHigh) * 0.5;
    const double intervals[2][2] = {{k.tLow, middle}, {middle, k.tHigh}};
    const bool splittable = k.tHigh - k.tLow > kWidthFloor;
    for (int side = 0; side < 2; ++side) {
      const double bound = plain::controlPolygonBound(halves[side], stretch);
      if (trace) std::fprintf(trace, "next up : %.6f\n", bound);
      if (bound + kSlack >= lower && splittable) {
        push(queue, {halves[side], k.owner, intervals[side][0], intervals[side][1], bound});
      }
    }
  }
  result.upperBound = lower;
  return result;
}

}  // namespace plain
