#include "geometry/hausdorff.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/geometry_scene.h"
#include "geometry/nearest_search.h"

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
  const double boundAB = controlPolygonBound(curveA, curveB);
  const double boundBA = controlPolygonBound(curveB, curveA);
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

    // The feet of k's end points on the other curve. A search's outcome depends on its inputs
    // alone, so each end is searched once; the drawing searches that measure the distances
    // would repeat the silent ones that locate the feet, and only their markers are replayed.
    const NearestPoint startFoot = findNearestPoint(other, start);
    const NearestPoint endFoot = findNearestPoint(other, end);
    const double t0 = startFoot.parameter;
    const double t3 = endFoot.parameter;
    const double a = t0 > t3 ? t3 : t0;
    const double b = t0 > t3 ? t0 : t3;
    // The stretch of the other curve between the feet.
    const CubicCurve stretch = extractSegment(other, a, b);

    drawNearestMarker(start, startFoot.point, 1);
    drawNearestMarker(end, endFoot.point, 1);
    geometryScene.lastNearestParameter = endFoot.parameter;
    const double d0 = startFoot.distance;
    const double d3 = endFoot.distance;
    geometryScene.witnessEnd = d0 > d3 ? 0 : 3;
    const double h = std::max(d0, d3);
    if (h >= lower) {
      lower = h;
      if (trace) std::fprintf(trace, "L updated to %.6f\n", h);
      result.witness = std::max(kWitnessFloor, geometryScene.witnessEnd == 0 ? k.tLow : k.tHigh);
      if (k.owner == 1) result.witness = -result.witness;
    }

    CubicCurve halves[2];
    splitCurveHalf(k.segment, halves[0], halves[1]);
    const double middle = (k.tLow + k.tHigh) * 0.5;
    const double intervals[2][2] = {{k.tLow, middle}, {middle, k.tHigh}};
    const bool splittable = k.tHigh - k.tLow > kWidthFloor;
    for (int side = 0; side < 2; ++side) {
      const double bound = controlPolygonBound(halves[side], stretch);
      if (trace) std::fprintf(trace, "next up : %.6f\n", bound);
      if (bound + kSlack >= lower && splittable) {
        push(queue, {halves[side], k.owner, intervals[side][0], intervals[side][1], bound});
      }
    }
  }
  result.upperBound = lower;
  return result;
}

double hausdorffDistance(const CubicCurve& curveA, const CubicCurve& curveB) {
  return hausdorffSearch(curveA, curveB, stdout).witness;
}
