// The certified search. Both directions of the Hausdorff distance are refined together: pieces
// of either shape wait in one queue under an upper bound of their distance to the other shape,
// and the piece with the largest bound is halved next. The lower bound L is the largest
// certified distance from a measured point (a piece's end) to the other shape.
//
// Rounding. The search works in a frame where every coordinate has magnitude at most 1 (centred
// on the shapes' common bounding box and scaled by a power of two, which is exact); centring
// rounds each coordinate by at most one unit of 2^-53. A piece made by at most 50 splits (49
// halvings and the cut of a joint bound) carries
// at most 12 roundings per split in each coordinate (three de Casteljau rows of at most four,
// see cubic_pieces.h), 600 units in all; the stretch between two feet, made by two splits from a
// whole segment, at most 24; the distance between two such points adds at most 10 more. A bound
// or a certified point distance combines at most one piece of each shape, a stretch and a
// distance, so it is within 2,000 units of 2^-53 (about 1,300 per coordinate, times sqrt 2) of
// the same quantity computed exactly; the Bernstein bounds give their own products' rounding
// away in squared terms (cubic_pieces.h), and a chord bound adds a few tens of units for its
// projections and square roots. Scaling the interval back to the input's units is exact, except
// among the subnormal numbers, where it is rounded outward. The search widens its interval by
// kAllowance = 4,096 units at both ends.
#include "distance/certified_hausdorff.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "distance/cubic_pieces.h"
#include "distance/point_distance.h"
#include "distance/search_shape.h"

namespace certified {
namespace {

constexpr double kAllowance = 0x1p-41;
// Pieces are halved at most this often (and a joint bound cuts one once more); a piece that would
// need more keeps its bound, which then counts toward the upper end of the interval.
constexpr int kMaxPieceDepth = 49;
// At most this many pieces wait at once (with their measured points, about 160 MB); past it, the
// search stops refining and reports the interval it has, tolerance not met.
constexpr std::size_t kMaxPieces = std::size_t{1} << 19;

struct MeasuredPoint {
  Point2 point;  // in the search's frame
  int side;      // 0: a point of the first shape, measured to the second; 1: the reverse
  int segment;
  double t;
  Foot foot;     // its nearest point found on the other shape
  double upper;  // its distance to foot
  double lower;  // its certified distance from below, or 0 when it was not needed
};

struct Piece {
  CubicCurve control;
  double t0, t1;
  int side, segment, depth;
  int start, end;  // the measured points at t0 and t1
};

struct Queued {
  double upper;
  int piece;
};

bool queuedBefore(const Queued& a, const Queued& b) {
  return a.upper < b.upper;  // largest bound first under std::push_heap
}

struct Workspace {
  SearchShape shapes[2];
  PointQueryStore query;
  std::vector<MeasuredPoint> points;
  std::vector<Piece> pieces;
  std::vector<Queued> queue;
};

Workspace& threadWorkspace() {
  thread_local Workspace workspace;
  return workspace;
}

// What the search is after, in the search's frame.
struct Goal {
  bool deciding;
  double gap;        // tolerance mode: stop when every bound is within gap of L
  double threshold;  // deciding: stop once L or every bound is on one side of it
  double widening;   // kAllowance plus the shapes' approximation errors
  QueryPrecision precision;
};

struct Search {
  Workspace& w;
  Goal goal;
  double lowerBound;  // L
  int witness;        // the measured point that gave L
  double stuckUpper;  // the largest bound of pieces that could not be refined
  std::int64_t steps;
};

int measure(Search& search, int side, int segment, double t, Point2 point, Foot seed,
            Foot otherSeed) {
  QueryPrecision precision = search.goal.precision;
  precision.interest = search.lowerBound;
  const PointDistance d =
      distanceToShape(search.w.shapes[1 - side], point, seed, otherSeed, precision, search.w.query);
  search.w.points.push_back({point, side, segment, t, d.foot, d.upper, d.lower});
  const int index = static_cast<int>(search.w.points.size()) - 1;
  if (d.lower > search.lowerBound) {
    search.lowerBound = d.lower;
    search.witness = index;
  }
  return index;
}

// When the ends' nearest points lie on two segments that meet (an end of one is an end of the
// other), the piece is cut where it passes nearest the joint, and each part is paired with its
// segment's stretch from the nearest point to the joint. Any cut and any stretches would give a
// valid bound (each part is that close to a part of the other shape); this choice makes it
// tight. Infinity when the segments do not meet.
double jointBound(const Search& search, const Piece& piece, Foot startFoot, Foot endFoot) {
  const std::vector<CubicCurve>& segments = search.w.shapes[1 - piece.side].segments;
  const CubicCurve& first = segments[startFoot.segment];
  const CubicCurve& second = segments[endFoot.segment];
  double bound = std::numeric_limits<double>::infinity();
  for (const double onFirst : {1.0, 0.0}) {
    for (const double onSecond : {0.0, 1.0}) {
      const Point2 joint = first.p[onFirst == 0.0 ? 0 : 3];
      if (!samePoint(joint, second.p[onSecond == 0.0 ? 0 : 3])) continue;
      CubicCurve before, after;
      splitAt(piece.control, nearParameter(piece.control, joint), before, after);
      bound =
          std::min(bound, std::max(pairBound(before, stretchBetween(first, startFoot.t, onFirst)),
                                   pairBound(after, stretchBetween(second, onSecond, endFoot.t))));
    }
  }
  return bound;
}

// An upper bound of the distance from any point of the piece to the other shape: the smallest of
//  - an end's distance plus the piece's reach from that end (distance to a set is 1-Lipschitz);
//  - when both ends' nearest points lie on one segment, the pairing bound (cubic_pieces.h) with
//    that segment's stretch between them (every point of the piece is that close to a point of
//    it), which sees the figures and not their parametrisations;
//  - when they lie on two segments that meet, the joint bound above.
double pieceBound(const Search& search, const Piece& piece) {
  const MeasuredPoint& start = search.w.points[piece.start];
  const MeasuredPoint& end = search.w.points[piece.end];
  double bound = std::min(start.upper + hullRadius(piece.control, piece.control.p[0]),
                          end.upper + hullRadius(piece.control, piece.control.p[3]));
  if (start.foot.segment == end.foot.segment) {
    const CubicCurve& other = search.w.shapes[1 - piece.side].segments[start.foot.segment];
    bound =
        std::min(bound, pairBound(piece.control, stretchBetween(other, start.foot.t, end.foot.t)));
  } else {
    bound = std::min(bound, jointBound(search, piece, start.foot, end.foot));
  }
  return bound;
}

void enqueue(Search& search, const Piece& piece, int slot) {
  std::vector<Piece>& pieces = search.w.pieces;
  if (slot < 0) {
    slot = static_cast<int>(pieces.size());
    pieces.push_back(piece);
  } else {
    pieces[slot] = piece;
  }
  search.w.queue.push_back({pieceBound(search, piece), slot});
  std::push_heap(search.w.queue.begin(), search.w.queue.end(), queuedBefore);
}

// Every segment of both shapes becomes a piece, its ends measured. An end shared with the
// previous segment's end is measured once; each measurement starts from the previous one's
// nearest point, usually close by.
void enqueueSegments(Search& search) {
  for (int side = 0; side < 2; ++side) {
    const std::vector<CubicCurve>& segments = search.w.shapes[side].segments;
    Foot seed{-1, 0.0};
    int previousEnd = -1;
    for (int i = 0; i < static_cast<int>(segments.size()); ++i) {
      const CubicCurve& segment = segments[i];
      int start = previousEnd;
      if (start < 0 || !samePoint(search.w.points[start].point, segment.p[0])) {
        start = measure(search, side, i, 0.0, segment.p[0], seed, {-1, 0.0});
      }
      const int end =
          measure(search, side, i, 1.0, segment.p[3], search.w.points[start].foot, {-1, 0.0});
      seed = search.w.points[end].foot;
      previousEnd = end;
      enqueue(search, {segment, 0.0, 1.0, side, i, 0, start, end}, -1);
    }
  }
}

bool decided(const Search& search) {
  return search.goal.deciding && search.lowerBound - search.goal.widening > search.goal.threshold;
}

// The level at or below which a bound needs no refining.
double settledLevel(const Search& search) {
  // Deciding, a bound within rounding of L needs no refining either: the threshold is then
  // within rounding of the distance, and the answer is undecided.
  const double nearL = search.lowerBound + search.goal.gap;
  const double wanted =
      search.goal.deciding ? std::max(search.goal.threshold - search.goal.widening, nearL) : nearL;
  return std::max(wanted, search.stuckUpper);
}

void halvePiece(Search& search, int slot) {
  const Piece piece = search.w.pieces[slot];
  CubicCurve left, right;
  halveCurve(piece.control, left, right);
  const double middle = piece.t0 * 0.5 + piece.t1 * 0.5;
  const Foot startFoot = search.w.points[piece.start].foot;
  const Foot endFoot = search.w.points[piece.end].foot;
  Foot seed = startFoot, otherSeed = endFoot;
  if (startFoot.segment == endFoot.segment) {
    seed.t = startFoot.t * 0.5 + endFoot.t * 0.5;
    otherSeed.segment = -1;
  }
  const int mid = measure(search, piece.side, piece.segment, middle, left.p[3], seed, otherSeed);
  const int depth = piece.depth + 1;
  enqueue(search, {left, piece.t0, middle, piece.side, piece.segment, depth, piece.start, mid},
          slot);
  enqueue(search, {right, middle, piece.t1, piece.side, piece.segment, depth, mid, piece.end}, -1);
  ++search.steps;
}

// Best-first on the largest bound: when the largest bound is settled, so is every other, and
// the largest bound is an upper bound of the whole distance.
void refine(Search& search) {
  std::vector<Queued>& queue = search.w.queue;
  while (!queue.empty() && !decided(search)) {
    const Queued top = queue.front();
    if (top.upper <= settledLevel(search)) break;
    std::pop_heap(queue.begin(), queue.end(), queuedBefore);
    queue.pop_back();
    if (search.w.pieces[top.piece].depth >= kMaxPieceDepth || queue.size() >= kMaxPieces) {
      search.stuckUpper = std::max(search.stuckUpper, top.upper);
      continue;
    }
    halvePiece(search, top.piece);
  }
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

ShapePoint shapePoint(const Shape& shape, int segment, double t) {
  return {segment, t, pointAt(shape.segments[segment], t)};
}

CertifiedDistance coincidentResult(const Shape& a, const Shape& b, double tolerance) {
  const double widening = a.approximationError + b.approximationError;
  return {0.0, widening, 0, shapePoint(a, 0, 0.0), shapePoint(b, 0, 0.0), 0, widening <= tolerance};
}

// The witness's nearest point as the search found it is only as near as the search needed it:
// with a coarse tolerance it may even sit on another local minimum, farther than the upper
// bound. Newton steps from it settle the report when they bring it within `upper` less half the
// allowance; otherwise the branch and bound looks over the whole shape until a point that near
// is found, or none can be nearer by more than a quarter of the allowance. Since `upper` exceeds
// the witness's distance by at least the allowance less the rounding (under half of it), the
// reported point's distance lies within the interval either way.
Foot polishedFoot(Workspace& w, const MeasuredPoint& witness, double upper) {
  const QueryPrecision withinInterval{upper - kAllowance * 0.5, kAllowance * 0.25, 0.0, 0.0};
  return distanceToShape(w.shapes[1 - witness.side], witness.point, witness.foot, {-1, 0.0},
                         withinInterval, w.query)
      .foot;
}

CertifiedDistance run(const Shape& a, const Shape& b, Goal goal, const SearchFrame& frame,
                      double tolerance) {
  Workspace& w = threadWorkspace();
  prepareShape(a, frame, w.shapes[0]);
  prepareShape(b, frame, w.shapes[1]);
  w.points.clear();
  w.pieces.clear();
  w.queue.clear();
  Search search{w, goal, -1.0, 0, 0.0, 0};
  enqueueSegments(search);
  refine(search);

  const double lowerBound = std::max(search.lowerBound, 0.0);
  double upperBound = std::max(lowerBound, search.stuckUpper);
  if (!w.queue.empty()) upperBound = std::max(upperBound, w.queue.front().upper);
  const double lower = std::max(0.0, lowerBound - goal.widening);
  const double upper = upperBound + goal.widening;

  const MeasuredPoint& witness = w.points[search.witness];
  const Shape& own = witness.side == 0 ? a : b;
  const Shape& other = witness.side == 0 ? b : a;
  CertifiedDistance result{};
  result.lower = scaledOutward(lower, frame.exponent, 0.0);
  result.upper = scaledOutward(upper, frame.exponent, kInfinity);
  const Foot nearest = polishedFoot(w, witness, upper);
  result.witnessShape = witness.side;
  result.witness = shapePoint(own, witness.segment, witness.t);
  result.nearest = shapePoint(other, nearest.segment, nearest.t);
  result.steps = search.steps;
  result.toleranceMet = result.upper - result.lower <= tolerance;
  return result;
}

// The shapes' approximation errors and the rounding allowance, in the search's frame.
double widening(const Shape& a, const Shape& b, const SearchFrame& frame) {
  return kAllowance + std::ldexp(a.approximationError + b.approximationError, -frame.exponent);
}

}  // namespace
}  // namespace certified

CertifiedDistance certifiedHausdorff(const Shape& a, const Shape& b, double tolerance) {
  using namespace certified;
  SearchFrame frame;
  if (!chooseFrame(a, b, frame)) return coincidentResult(a, b, tolerance);
  Goal goal{};
  goal.widening = widening(a, b, frame);
  // The interval is [L - widening, max bound + widening]; the gap is what is left of the
  // tolerance for the bounds, and never less than rounding can resolve.
  goal.gap = std::max(std::ldexp(tolerance, -frame.exponent) - 2 * goal.widening, 4 * kAllowance);
  // Half the gap goes to the measured distances, half to the bounds, which close in fast.
  goal.precision = {0.0, std::max(goal.gap * 0.5, kAllowance), 0.0, 0.0};
  return run(a, b, goal, frame, tolerance);
}

WithinDecision decideWithin(const Shape& a, const Shape& b, double threshold) {
  using namespace certified;
  SearchFrame frame;
  CertifiedDistance distance;
  if (!chooseFrame(a, b, frame)) {
    distance = coincidentResult(a, b, 0.0);
  } else {
    Goal goal{};
    goal.deciding = true;
    goal.widening = widening(a, b, frame);
    goal.threshold = std::ldexp(threshold, -frame.exponent);
    goal.gap = 4 * kAllowance;
    goal.precision = {0.0, kAllowance, 0.5, goal.threshold};
    distance = run(a, b, goal, frame, 0.0);
  }
  Verdict verdict = Verdict::kUndecided;
  if (distance.upper <= threshold) verdict = Verdict::kWithin;
  if (distance.lower > threshold) verdict = Verdict::kBeyond;
  return {verdict, distance};
}
