#include "geometry/hausdorff.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "geometry/cubic_inline.h"
#include "geometry/fixed_format.h"
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

// Largest of |p.Pi - q.Pi| when `reversed` is false, of |p.Pi - q.P(3-i)| when it is true, as
// the root of the largest square (sqrt is monotonic, so the maximum is the same number).
double largestPairDistance(const CubicCurve& p, const CubicCurve& q, bool reversed) {
  double largestSquare = 0.0;
  for (int i = 0; i < 4; ++i) {
    const Point2 a = p.p[i];
    const Point2 b = q.p[reversed ? 3 - i : i];
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double square = dy * dy + dx * dx;
    if (square > largestSquare) largestSquare = square;
  }
  return std::sqrt(largestSquare);
}

// ---------------------------------------------------------------------------------------------
// The trace, formatted into a buffer and written with one fwrite per search (per few hundred
// lines on long searches) instead of one fprintf per line. formatFixed6 gives the bytes of
// "%.6f".

struct TraceBuffer {
  std::FILE* file;  // null: no trace
  size_t used;
  char text[16384];
};

void flushTrace(TraceBuffer& trace) {
  if (trace.used > 0) std::fwrite(trace.text, 1, trace.used, trace.file);
  trace.used = 0;
}

// Room for a line of literal text and at most two numbers.
void beginLine(TraceBuffer& trace) {
  if (trace.used + 2 * kFixedFormatCapacity + 64 > sizeof trace.text) flushTrace(trace);
}

template <size_t size>
void put(TraceBuffer& trace, const char (&literal)[size]) {
  std::memcpy(trace.text + trace.used, literal, size - 1);
  trace.used += size - 1;
}

void put(TraceBuffer& trace, double value) {
  trace.used = formatFixed6(value, trace.text + trace.used) - trace.text;
}

// "initial : %.6f(%.6f)\n"
void traceInitial(TraceBuffer& trace, double boundAB, double boundBA) {
  beginLine(trace);
  put(trace, "initial : ");
  put(trace, boundAB);
  put(trace, "(");
  put(trace, boundBA);
  put(trace, ")\n");
}

// "%s : [%.6f,%.6f]\n", for the "dist" and "par" lines.
template <size_t size>
void tracePair(TraceBuffer& trace, const char (&label)[size], double low, double high) {
  beginLine(trace);
  put(trace, label);
  put(trace, " : [");
  put(trace, low);
  put(trace, ",");
  put(trace, high);
  put(trace, "]\n");
}

// "%s%.6f\n", for the "L updated to " and "next up : " lines.
template <size_t size>
void traceValue(TraceBuffer& trace, const char (&label)[size], double value) {
  beginLine(trace);
  put(trace, label);
  put(trace, value);
  put(trace, "\n");
}

// ---------------------------------------------------------------------------------------------
// The queue.

// The feet of a candidate's end points on the other curve are found once and shared: a
// child's outer end point is its parent's (the split copies it bit for bit) and its inner end
// point is its sibling's. A foot's slot is filled when a step first needs it, and recycled
// once no queued candidate refers to it.
struct FootSlot {
  int users;  // queued candidates whose end point this is
  bool known;
  NearestPoint foot;
};

// A HausdorffCandidate with the slots of the feet of its end points.
struct QueuedCandidate {
  HausdorffCandidate candidate;
  int startFoot;  // slot of the foot of candidate.segment.p[0]
  int endFoot;    // slot of the foot of candidate.segment.p[3]
};

// The heap orders {upperBound, slot} entries; the candidates wait in recycled slots of a pool.
// std::push_heap and std::pop_heap move elements by comparisons alone, so the order, ties
// included, is the one that a heap of whole HausdorffCandidate records gives.
struct HeapEntry {
  double upperBound;
  int slot;
};

// Orders the heap so that the largest upper bound is at the front.
struct SmallerBound {
  bool operator()(const HeapEntry& a, const HeapEntry& b) const {
    return a.upperBound < b.upperBound;
  }
};

// Slots of `pool`, with a list of the free ones: the pool grows to the queue's largest size.
template <typename Record>
struct Recycled {
  std::vector<Record> pool;
  std::vector<int> free;
};

template <typename Record>
int take(Recycled<Record>& slots, const Record& record) {
  if (slots.free.empty()) {
    slots.pool.push_back(record);
    return static_cast<int>(slots.pool.size()) - 1;
  }
  const int slot = slots.free.back();
  slots.free.pop_back();
  slots.pool[slot] = record;
  return slot;
}

struct SearchState {
  std::vector<HeapEntry> heap;
  Recycled<QueuedCandidate> candidates;
  Recycled<FootSlot> feet;
  CurveSubdivision curves[2];  // the halving trees of the first and the second curve
};

int newFootSlot(SearchState& state) {
  return take(state.feet, FootSlot{0, false, {}});
}

void releaseFoot(SearchState& state, int slot) {
  if (--state.feet.pool[slot].users == 0) state.feet.free.push_back(slot);
}

void push(SearchState& state, const HausdorffCandidate& candidate, int startFoot, int endFoot) {
  ++state.feet.pool[startFoot].users;
  ++state.feet.pool[endFoot].users;
  const int slot = take(state.candidates, QueuedCandidate{candidate, startFoot, endFoot});
  state.heap.push_back({candidate.upperBound, slot});
  std::push_heap(state.heap.begin(), state.heap.end(), SmallerBound());
}

// Takes the candidate with the largest bound out of the queue. Its feet stay reserved until
// releaseFeet, so that its children can take them over first.
QueuedCandidate popLargest(SearchState& state) {
  std::pop_heap(state.heap.begin(), state.heap.end(), SmallerBound());
  const int slot = state.heap.back().slot;
  state.heap.pop_back();
  state.candidates.free.push_back(slot);
  return state.candidates.pool[slot];
}

void releaseFeet(SearchState& state, const QueuedCandidate& queued) {
  releaseFoot(state, queued.startFoot);
  releaseFoot(state, queued.endFoot);
}

NearestPoint footOf(SearchState& state, int slot, CurveSubdivision& other, Point2 endPoint) {
  FootSlot& known = state.feet.pool[slot];
  if (!known.known) {
    known.known = true;
    known.foot = findNearestPoint(other, endPoint);
  }
  return known.foot;
}

}  // namespace

double controlPolygonBound(const CubicCurve& p, const CubicCurve& q) {
  const double sameOrder = largestPairDistance(p, q, false);
  const double reverseOrder = largestPairDistance(p, q, true);
  return std::max(sameOrder, reverseOrder);
}

HausdorffResult hausdorffSearch(const CubicCurve& curveA, const CubicCurve& curveB,
                                std::FILE* traceFile) {
  TraceBuffer trace;  // the text is left unset: only the first `used` bytes are read
  trace.file = traceFile;
  trace.used = 0;
  SearchState state;
  state.heap.reserve(64);
  state.candidates.pool.reserve(64);
  state.feet.pool.reserve(128);
  state.curves[0] = subdivide(curveA);
  state.curves[1] = subdivide(curveB);

  const double boundAB = controlPolygonBound(curveA, curveB);
  const double boundBA = controlPolygonBound(curveB, curveA);
  const int startA = newFootSlot(state);
  const int endA = newFootSlot(state);
  push(state, {curveA, 0, 0.0, 1.0, boundAB}, startA, endA);
  const int startB = newFootSlot(state);
  const int endB = newFootSlot(state);
  push(state, {curveB, 1, 0.0, 1.0, boundBA}, startB, endB);

  HausdorffResult result{0.0, kInitialLowerBound, kInitialLowerBound, 0};
  double& lower = result.lowerBound;
  if (traceFile) traceInitial(trace, boundAB, boundBA);

  while (!state.heap.empty()) {
    const QueuedCandidate queued = popLargest(state);
    const HausdorffCandidate& k = queued.candidate;
    if (lower > k.upperBound) {  // cannot hold the maximum
      releaseFeet(state, queued);
      continue;
    }
    // Nothing left in the queue can lie farther than k.upperBound, within kGap of L.
    if (k.upperBound - lower <= kGap) {
      result.upperBound = k.upperBound;
      if (traceFile) flushTrace(trace);
      return result;
    }
    ++result.steps;
    if (traceFile) {
      tracePair(trace, "dist", lower, k.upperBound);
      tracePair(trace, "par", k.tLow, k.tHigh);
    }

    const CubicCurve& other = k.owner == 0 ? curveB : curveA;
    CurveSubdivision& otherTree = state.curves[k.owner == 0 ? 1 : 0];
    const Point2 start = k.segment.p[0];
    const Point2 end = k.segment.p[3];

    // The feet of k's end points on the other curve. The drawing searches that measure the
    // distances would repeat the silent ones that locate the feet with the same inputs, so
    // only their markers are drawn again.
    const NearestPoint startFoot = footOf(state, queued.startFoot, otherTree, start);
    const NearestPoint endFoot = footOf(state, queued.endFoot, otherTree, end);
    const double t0 = startFoot.parameter;
    const double t3 = endFoot.parameter;
    const double a = t0 > t3 ? t3 : t0;
    const double b = t0 > t3 ? t0 : t3;
    // The stretch of the other curve between the feet.
    const CubicCurve stretch = extractSegment(other, a, b);

    // The scene holds, at each marker and after it, what the four searches would leave there.
    geometryScene.lastNearestParameter = endFoot.parameter;
    drawNearestMarker(start, startFoot.point, 1);
    geometryScene.lastNearestParameter = startFoot.parameter;
    drawNearestMarker(end, endFoot.point, 1);
    geometryScene.lastNearestParameter = endFoot.parameter;
    const double d0 = startFoot.distance;
    const double d3 = endFoot.distance;
    geometryScene.witnessEnd = d0 > d3 ? 0 : 3;
    const double h = std::max(d0, d3);
    if (h >= lower) {
      lower = h;
      if (traceFile) traceValue(trace, "L updated to ", h);
      result.witness = std::max(kWitnessFloor, geometryScene.witnessEnd == 0 ? k.tLow : k.tHigh);
      if (k.owner == 1) result.witness = -result.witness;
    }

    CubicCurve halves[2];
    halveCurve(k.segment, halves[0], halves[1]);
    const double middle = (k.tLow + k.tHigh) * 0.5;
    const double intervals[2][2] = {{k.tLow, middle}, {middle, k.tHigh}};
    const int feet[3] = {queued.startFoot, newFootSlot(state), queued.endFoot};
    const bool splittable = k.tHigh - k.tLow > kWidthFloor;
    for (int side = 0; side < 2; ++side) {
      const double bound = controlPolygonBound(halves[side], stretch);
      if (traceFile) traceValue(trace, "next up : ", bound);
      if (bound + kSlack >= lower && splittable) {
        push(state, {halves[side], k.owner, intervals[side][0], intervals[side][1], bound},
             feet[side], feet[side + 1]);
      }
    }
    if (state.feet.pool[feet[1]].users == 0) state.feet.free.push_back(feet[1]);
    releaseFeet(state, queued);
  }
  result.upperBound = lower;
  if (traceFile) flushTrace(trace);
  return result;
}

double hausdorffDistance(const CubicCurve& curveA, const CubicCurve& curveB) {
  return hausdorffSearch(curveA, curveB, stdout).witness;
}
