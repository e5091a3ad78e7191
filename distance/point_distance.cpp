#include "distance/point_distance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distance/cubic_pieces.h"

namespace certified {
namespace {

// Halving a segment 50 times leaves pieces 2^-50 of its parameter range long, about the
// resolution of the parameter itself; the search's rounding allowance assumes no deeper pieces.
constexpr int kMaxIntervalDepth = 50;
constexpr int kNewtonSteps = 5;

struct Nearest {
  double squared;
  Foot foot;
};

void offer(Nearest& nearest, double squared, int segment, double t) {
  if (squared < nearest.squared) nearest = {squared, {segment, t}};
}

// Newton's method on f(t) = |c(t) - q|^2 from t, kept within [lo, hi]. Every iterate is a point
// of the curve, so each one offered is a true (if not the nearest) distance.
void newtonDescent(const CubicCurve& c, int segment, Point2 q, double t, double lo, double hi,
                   Nearest& nearest) {
  for (int step = 0; step < kNewtonSteps; ++step) {
    const NewtonStep newton = newtonStep(c, q, t);
    offer(nearest, newton.squared, segment, t);
    if (!newton.descends) return;
    const double next = std::clamp(newton.next, lo, hi);
    // Newton's steps shrink quadratically near the minimum: one this small has converged.
    if (std::fabs(next - t) <= 0x1p-40) return;
    t = next;
  }
}

double wantedPrecision(const QueryPrecision& precision, double best) {
  if (best > precision.interest) {
    return std::max(precision.absolute, precision.relative * std::fabs(best - precision.threshold));
  }
  return std::max(precision.absolute, best * 0.125);
}

// Squared distances at or above this need no further look: nothing there can be nearer than the
// nearest point found by more than the wanted precision.
double settledSquared(const QueryPrecision& precision, const Nearest& nearest) {
  if (nearest.foot.segment < 0) return std::numeric_limits<double>::infinity();
  const double best = std::sqrt(nearest.squared);
  const double target = best - wantedPrecision(precision, best);
  return target > 0.0 ? target * target : 0.0;
}

struct Search {
  const SearchShape& shape;
  Point2 q;
  const QueryPrecision& precision;
  PointQueryStore& store;
  Nearest nearest;
  double setAside;  // smallest lower bound of the parts that were not looked into
  // settledSquared for the nearest point whose squared distance is settledFor.
  double settled;
  double settledFor;
};

double settledSquared(Search& search) {
  if (search.nearest.squared != search.settledFor) {
    search.settledFor = search.nearest.squared;
    search.settled = settledSquared(search.precision, search.nearest);
  }
  return search.settled;
}

// A function object rather than a function, so that the heap's comparisons are inlined.
struct EntryBefore {
  bool operator()(const PointQueryStore::Entry& a, const PointQueryStore::Entry& b) const {
    return a.lowerSquared > b.lowerSquared;  // a min-heap under std::push_heap
  }
};
constexpr EntryBefore entryBefore{};

void push(Search& search, double lowerSquared, int index) {
  if (lowerSquared >= settledSquared(search)) {
    search.setAside = std::min(search.setAside, lowerSquared);
    return;
  }
  search.store.heap.push_back({lowerSquared, index});
  std::push_heap(search.store.heap.begin(), search.store.heap.end(), entryBefore);
}

void pushInterval(Search& search, const CubicCurve& piece, double t0, double t1, int segment,
                  int depth) {
  const SquaredDistanceBounds bounds = squaredDistanceBounds(piece, search.q);
  offer(search.nearest, bounds.atStart, segment, t0);
  offer(search.nearest, bounds.atEnd, segment, t1);
  ++search.store.visits;
  // Set aside at once, an interval needs no copy.
  if (bounds.lower >= settledSquared(search)) {
    search.setAside = std::min(search.setAside, bounds.lower);
    return;
  }
  auto& intervals = search.store.intervals;
  intervals.push_back({piece, t0, t1, segment, depth, bounds.lowest});
  push(search, bounds.lower, static_cast<int>(intervals.size()) - 1);
}

// Opens a node of the index: its children, or at a leaf its items as intervals, each queued
// under its lower bound.
void expandNode(Search& search, int nodeIndex) {
  const SearchShape& shape = search.shape;
  const bool byPieces = !shape.pieces.empty();
  const BoxNode& node = byPieces ? shape.pieceNodes[nodeIndex] : shape.nodes[nodeIndex];
  if (node.count == 0) {
    for (int child : {node.left, node.right}) {
      const Box& box = byPieces ? shape.pieceNodes[child].box : shape.nodes[child].box;
      push(search, squaredDistanceToBox(box, search.q), -1 - child);
    }
    return;
  }
  for (int i = node.first; i < node.first + node.count; ++i) {
    if (byPieces) {
      const IndexPiece& piece = shape.pieces[i];
      pushInterval(search, piece.control, piece.t0, piece.t1, piece.segment, piece.depth);
    } else {
      const int segment = shape.order[i];
      pushInterval(search, shape.segments[segment], 0.0, 1.0, segment, 0);
    }
  }
}

void expandInterval(Search& search, int index, double lowerSquared) {
  const PointQueryStore::Interval interval = search.store.intervals[index];
  // Newton's method finds the minimum inside the interval unless the nearest point found so far
  // already lies there (it then came from Newton steps or from an end of this interval).
  const Foot foot = search.nearest.foot;
  const bool holdsNearest =
      foot.segment == interval.segment && foot.t >= interval.t0 && foot.t <= interval.t1;
  if (interval.lowest > 0 && interval.lowest < 6 && !holdsNearest) {
    const double t = interval.t0 + (interval.t1 - interval.t0) * (interval.lowest / 6.0);
    newtonDescent(search.shape.segments[interval.segment], interval.segment, search.q, t,
                  interval.t0, interval.t1, search.nearest);
  }
  if (interval.depth >= kMaxIntervalDepth) {
    search.setAside = std::min(search.setAside, lowerSquared);
    return;
  }
  // Split at the nearest point when it lies inside: each part then starts or ends at the
  // minimum, where the derivative vanishes, so their Bernstein bounds come within rounding of the
  // minimum at once instead of closing in on it quadratically over many halvings.
  double split = 0.5;
  if (foot.segment == interval.segment && foot.t > interval.t0 && foot.t < interval.t1) {
    split = (foot.t - interval.t0) / (interval.t1 - interval.t0);
  }
  CubicCurve left, right;
  if (split == 0.5) {
    halveCurve(interval.piece, left, right);
  } else {
    splitAt(interval.piece, split, left, right);
  }
  const double middle = split == 0.5 ? interval.t0 * 0.5 + interval.t1 * 0.5 : foot.t;
  pushInterval(search, left, interval.t0, middle, interval.segment, interval.depth + 1);
  pushInterval(search, right, middle, interval.t1, interval.segment, interval.depth + 1);
}

}  // namespace

PointDistance distanceToShape(const SearchShape& shape, Point2 q, Foot seed, Foot otherSeed,
                              const QueryPrecision& precision, PointQueryStore& store) {
  Search search{shape,
                q,
                precision,
                store,
                {std::numeric_limits<double>::infinity(), {-1, 0.0}},
                std::numeric_limits<double>::infinity(),
                std::numeric_limits<double>::infinity(),
                std::numeric_limits<double>::infinity()};
  if (seed.segment >= 0) {
    for (const Foot& start : {seed, otherSeed}) {
      if (start.segment < 0) continue;
      newtonDescent(shape.segments[start.segment], start.segment, q, start.t, 0.0, 1.0,
                    search.nearest);
    }
    const double upper = std::sqrt(search.nearest.squared);
    if (upper <= precision.interest) return {0.0, upper, search.nearest.foot};
  }

  store.heap.clear();
  store.intervals.clear();
  const Box& root = shape.pieces.empty() ? shape.nodes[0].box : shape.pieceNodes[0].box;
  search.store.heap.push_back({squaredDistanceToBox(root, q), -1});
  // Best-first: the entry taken is the one that may come nearest. Once it cannot come nearer than
  // the settled distance, neither can anything left, and its bound is the bound of all of them.
  while (!store.heap.empty()) {
    std::pop_heap(store.heap.begin(), store.heap.end(), entryBefore);
    const PointQueryStore::Entry entry = store.heap.back();
    store.heap.pop_back();
    if (entry.lowerSquared >= settledSquared(search)) {
      search.setAside = std::min(search.setAside, entry.lowerSquared);
      break;
    }
    if (entry.index < 0) {
      expandNode(search, -1 - entry.index);
    } else {
      expandInterval(search, entry.index, entry.lowerSquared);
    }
  }
  const double lowerSquared = std::min(search.setAside, search.nearest.squared);
  return {std::sqrt(lowerSquared), std::sqrt(search.nearest.squared), search.nearest.foot};
}

}  // namespace certified
