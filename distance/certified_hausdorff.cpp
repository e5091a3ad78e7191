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

#include "distance/certified_fill.h"
#include "distance/cubic_pieces.h"
#include "distance/distance_map.h"
#include "distance/fill_certificates.h"
#include "distance/painted_set.h"
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
// A fill's cells are halved at most this often below the square that holds the fill: 2^-45 of
// it is below the finest interval the allowance lets the search resolve.
constexpr int kMaxCellDepth = 45;
// A point this far from a boundary (in the frame, beyond the rounding of the point itself and of
// the boundary's pieces) is certainly off it, and its winding number is exact.
constexpr double kClear = 2 * kAllowance;
// Above sqrt(2): a square's half diagonal is at most its half side times this.
constexpr double kSqrt2Up = 1.4142135623730954;
// The index of a shape is refined when its last kIndexWindow queries bounded more than
// kVisitsPerQuery pieces each on average: its pieces are then halved until their boxes are no
// longer than kPieceScale times L, at most kPiecesPerSegment a segment on average (and
// kMaxIndexPieces in all).
constexpr int kIndexWindow = 256;
constexpr std::int64_t kVisitsPerQuery = 24;
constexpr int kFirstReview = 32;
constexpr double kPieceScale = 1.0;
constexpr std::size_t kPiecesPerSegment = 32;
constexpr std::size_t kMaxIndexPieces = std::size_t{1} << 19;
// A shape's pieces are bounded by a map of the distance to the other shape (distance_map.h) when
// the shape is dense at the scale of L: its segments' length times L at least kMapDensity times
// the area of its box, so that its pieces, halved to about L, would be many times as many as the
// map's blocks. L is taken once a side's first kMapSample segments are measured. The blocks are
// kMapBlockScale times L wide, each of 2^kMapFiner x 2^kMapFiner cells, at most
// kMapBlocksPerSegment blocks a segment of the shape and kMaxMapCells cells in all (8 MB, and a
// third of that for the maps' levels).
constexpr double kMapDensity = 4.0;
constexpr int kMapSample = 128;
constexpr double kMapBlockScale = 1.0;
constexpr int kMapFiner = 3;
constexpr std::size_t kMapBlocksPerSegment = 16;
constexpr std::size_t kMaxMapCells = std::size_t{1} << 20;
// The map's region reaches this far beyond the shape's box, for pieces whose control points
// rounding put a little outside it.
constexpr double kMapMargin = 0x1p-30;

struct MeasuredPoint {
  Point2 point;  // in the search's frame
  int side;      // 0: a point of the first shape, measured to the second; 1: the reverse
  int segment;   // kFillPoint for a cell's centre
  double t;
  Foot foot;     // its nearest point found on the other shape's outline (its boundary, for fills)
  double upper;  // its distance to the other shape (to foot; 0 when inside the other's fill)
  double lower;  // its certified distance from below, or 0 when it was not needed or not known
  // The fill measure only: its distance to foot, and its certified distance from the other's
  // boundary from below (0 when not needed).
  double reach;
  double clearance;
};

struct Piece {
  CubicCurve control;
  double t0, t1;
  int side, segment, depth;
  int start, end;  // the measured points at t0 and t1
};

// A square of a shape's fill, around its centre, a measured point.
struct Cell {
  int point;
  double half;  // half its side
  int depth;
  bool insideOwn;  // the whole cell lies inside its own shape's fill
  bool tightened;  // queued under its tighter bound (tightenedBound)
};

struct Queued {
  double upper;
  int piece;  // >= 0: a piece; < 0: the cell -1 - piece
};

// A function object rather than a function, so that the heap's comparisons are inlined.
struct QueuedBefore {
  bool operator()(const Queued& a, const Queued& b) const {
    return a.upper < b.upper;  // largest bound first under std::push_heap
  }
};
constexpr QueuedBefore queuedBefore{};

struct Workspace {
  SearchShape shapes[2];
  PaintedSet painted[2];
  PointQueryStore query;
  WindingStore winding;
  CertificateStore certificate;
  std::vector<MeasuredPoint> points;
  std::vector<Piece> pieces;
  std::vector<Cell> cells;
  std::vector<Queued> queue;
  // maps[side]: the distance to the other shape over the side's own box (empty: none).
  DistanceMap maps[2];
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
  const KeepGoing* keepGoing;  // asked every kRefinementsPerQuestion refinements; null: never
};

struct Search {
  Workspace& w;
  // The shapes as measured: their outlines, or for the fill measure their painted sets'
  // boundaries (set when `fill`).
  SearchShape* shapes[2];
  bool fill;
  Goal goal;
  double lowerBound;  // L
  int witness;        // the measured point that gave L
  double stuckUpper;  // the largest bound of pieces that could not be refined
  // The largest map bound of segments that were settled by their side's map and never queued.
  double mappedUpper;
  std::int64_t steps;
  // For each shape, the queries made to it and the pieces they bounded since its index was last
  // looked at (indexVisits: in all).
  int windowQueries[2];
  std::int64_t windowVisits[2];
  std::int64_t indexVisits;
  bool stopped;  // goal.keepGoing said to stop
};

// Asks goal.keepGoing every kRefinementsPerQuestion calls; true once it said to stop.
bool stopAsked(Search& search, int n) {
  if (!search.stopped && n % kRefinementsPerQuestion == kRefinementsPerQuestion - 1) {
    search.stopped = toldToStop(search.goal.keepGoing);
  }
  return search.stopped;
}

// Whether the shape's queries are costly enough that its index should be refined, and to what:
// looked at every kIndexWindow queries, or sooner once they have bounded as many pieces as that
// many queries should. Pieces much longer than L make a query near L bound every piece that
// passes the ball of radius L around it; pieces of about L's length leave only those that come
// near it.
void reviewIndex(Search& search, int shape) {
  const int queries = ++search.windowQueries[shape];
  const std::int64_t visits = search.windowVisits[shape];
  const std::int64_t allowed = kVisitsPerQuery * kIndexWindow;
  if (queries < kIndexWindow && (visits <= allowed || queries < kFirstReview)) return;
  search.windowQueries[shape] = 0;
  search.windowVisits[shape] = 0;
  if (visits <= kVisitsPerQuery * queries || !(search.lowerBound > 0.0)) return;
  SearchShape& other = *search.shapes[shape];
  const double size = kPieceScale * search.lowerBound;
  if (!(size < other.pieceSize * 0.75)) return;
  const std::size_t budget = std::min(kMaxIndexPieces, kPiecesPerSegment * other.segments.size());
  refineIndex(other, size, std::max(budget, other.segments.size()));
}

// The distance from q to the given shape, through its index (which it may refine first).
PointDistance query(Search& search, int shape, Point2 q, Foot seed, Foot otherSeed,
                    const QueryPrecision& precision) {
  PointQueryStore& store = search.w.query;
  const std::int64_t before = store.visits;
  const PointDistance d =
      distanceToShape(*search.shapes[shape], q, seed, otherSeed, precision, store);
  search.windowVisits[shape] += store.visits - before;
  search.indexVisits += store.visits - before;
  reviewIndex(search, shape);
  return d;
}

// Measured to a painted set, a point inside its fill is 0 away; outside it, as far as from the
// boundary. Near the boundary (or when the query gave no bound from below) it is not known
// which: the distance to the boundary stays a bound from above, and 0 one from below.
void paintedDistance(const Search& search, int side, const PointDistance& d, MeasuredPoint& p) {
  p.reach = d.upper;
  p.clearance = d.lower;
  const Inside inside = d.lower > kClear
                            ? insideFill(search.w.painted[1 - side], p.point, search.w.winding)
                            : Inside::kUnknown;
  if (inside == Inside::kYes) p.upper = p.lower = 0.0;
  if (inside == Inside::kUnknown) p.lower = 0.0;
}

// Measures the point's distance to the other shape. `candidate`: whether the point certainly
// belongs to its own shape, so that its distance from below may raise L. `reach`: how far from
// the point the bound it serves extends (a piece's, a square's), for the fill measure: a point
// nearer the other boundary than L - reach needs no bound from below, but one farther may be
// inside the other fill, which only the bound from below can tell, and then 0 away.
int measure(Search& search, int side, int segment, double t, Point2 point, Foot seed,
            Foot otherSeed, bool candidate = true, double reach = 0.0) {
  QueryPrecision precision = search.goal.precision;
  precision.interest = search.fill ? search.lowerBound - reach : search.lowerBound;
  const PointDistance d = query(search, 1 - side, point, seed, otherSeed, precision);
  MeasuredPoint p{point, side, segment, t, d.foot, d.upper, d.lower, d.upper, d.lower};
  if (search.fill) paintedDistance(search, side, d, p);
  search.w.points.push_back(p);
  const int index = static_cast<int>(search.w.points.size()) - 1;
  if (candidate && p.lower > search.lowerBound) {
    search.lowerBound = p.lower;
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
  const std::vector<CubicCurve>& segments = search.shapes[1 - piece.side]->segments;
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

// The length of the shape's control polygons, which is at least the length of its segments.
double drawnLength(const SearchShape& shape) {
  double length = 0.0;
  for (const CubicCurve& c : shape.segments) {
    for (int k = 0; k < 3; ++k) length += std::sqrt(squaredDistance(c.p[k], c.p[k + 1]));
  }
  return length;
}

double settledLevel(const Search& search);

// The piece's bound from the map of its side (infinity for an empty map): halved without being
// measured where its parts' boxes are bounded above the settled level, the map's blocks under
// them divided as they need (distance_map.h).
double mappedBound(Search& search, const Piece& piece) {
  PointQueryStore& store = search.w.query;
  const std::int64_t before = store.visits;
  const double bound = curveBound(search.w.maps[piece.side], store, piece.control,
                                  kMaxPieceDepth - piece.depth, settledLevel(search));
  search.indexVisits += store.visits - before;
  return bound;
}

// Measures the starts of the second shape's first kMapSample segments: points like any other, whose
// distances may raise L.
void sampleOther(Search& search) {
  const std::vector<CubicCurve>& segments = search.shapes[1]->segments;
  Foot seed{-1, 0.0};
  for (int i = 0; i < std::min(kMapSample, static_cast<int>(segments.size())); ++i) {
    seed = search.w.points[measure(search, 1, i, 0.0, segments[i].p[0], seed, {-1, 0.0})].foot;
  }
}

// Maps the distance to the other shape over the side's box if the side is dense at the scale of L
// (kMapDensity). The other shape's index is refined to L first: the map's centres are point
// queries like any other. Pieces already queued are bounded by the map too.
void mapIfDense(Search& search, int side) {
  double level = search.lowerBound;
  const SearchShape& own = *search.shapes[side];
  const Box& box = own.nodes[0].box;
  const double area = std::max(box.maxX - box.minX, level) * std::max(box.maxY - box.minY, level);
  if (!(level > 0.0) || drawnLength(own) * level < kMapDensity * area) return;
  SearchShape& other = *search.shapes[1 - side];
  // L from one side's points alone may be well below the distance: the map would then divide
  // many blocks that end within L after all. The other side's first points raise it too.
  if (side == 0) sampleOther(search);
  level = search.lowerBound;
  if (level < other.pieceSize * 0.75) {
    const std::size_t budget = std::min(kMaxIndexPieces, kPiecesPerSegment * other.segments.size());
    refineIndex(other, level, std::max(budget, other.segments.size()));
  }
  const Box region{box.minX - kMapMargin, box.minY - kMapMargin, box.maxX + kMapMargin,
                   box.maxY + kMapMargin};
  const std::size_t blocks = kMapBlocksPerSegment * own.segments.size();
  const int cells = static_cast<int>(std::min(kMaxMapCells, blocks << (2 * kMapFiner)));
  PointQueryStore& store = search.w.query;
  const std::int64_t before = store.visits;
  buildDistanceMap(other, region, kMapBlockScale * level, cells, kMapFiner, level, store,
                   search.w.maps[side]);
  search.indexVisits += store.visits - before;
  for (Queued& queued : search.w.queue) {
    const Piece& piece = search.w.pieces[queued.piece];
    if (piece.side == side) queued.upper = std::min(queued.upper, mappedBound(search, piece));
  }
  std::make_heap(search.w.queue.begin(), search.w.queue.end(), queuedBefore);
}

// Whether the side's map bounds the whole segment within the settled level, so that it needs no
// measuring and no refining; its bound then counts toward the interval's upper end.
bool settledByMap(Search& search, int side, int segment) {
  const CubicCurve& control = search.shapes[side]->segments[segment];
  const double bound = mappedBound(search, {control, 0.0, 1.0, side, segment, 0, -1, -1});
  if (!(bound <= settledLevel(search))) return false;
  search.mappedUpper = std::max(search.mappedUpper, bound);
  return true;
}

// An upper bound of the distance from any point of the piece to the other shape: the smallest of
//  - an end's distance plus the piece's reach from that end (distance to a set is 1-Lipschitz);
//  - when both ends' nearest points lie on one segment, the pairing bound (cubic_pieces.h) with
//    that segment's stretch between them (every point of the piece is that close to a point of
//    it), which sees the figures and not their parametrisations;
//  - when they lie on two segments that meet, the joint bound above;
//  - the bound of the map of the distance to the other shape over the piece's side, if it has
//    one (mappedBound): the largest bound of the map's cells that the piece's parts meet;
//  - for the fill measure, 0 when an end lies inside the other's fill farther from its boundary
//    than the piece reaches: the whole piece is inside.
double pieceBound(Search& search, const Piece& piece) {
  const MeasuredPoint& start = search.w.points[piece.start];
  const MeasuredPoint& end = search.w.points[piece.end];
  const double fromStart = hullRadius(piece.control, piece.control.p[0]);
  const double fromEnd = hullRadius(piece.control, piece.control.p[3]);
  if (search.fill && ((start.upper == 0.0 && start.clearance > fromStart + kClear) ||
                      (end.upper == 0.0 && end.clearance > fromEnd + kClear))) {
    return 0.0;
  }
  double bound = std::min(start.upper + fromStart, end.upper + fromEnd);
  if (start.foot.segment == end.foot.segment) {
    const CubicCurve& other = search.shapes[1 - piece.side]->segments[start.foot.segment];
    bound =
        std::min(bound, pairBound(piece.control, stretchBetween(other, start.foot.t, end.foot.t)));
  } else {
    bound = std::min(bound, jointBound(search, piece, start.foot, end.foot));
  }
  if (search.w.maps[piece.side].columns > 0) bound = std::min(bound, mappedBound(search, piece));
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
// nearest point, usually close by. Once a side's first kMapSample segments have raised L, the side
// is mapped if it is dense, and its segments that the map settles are neither measured nor queued.
void enqueueSegments(Search& search) {
  for (int side = 0; side < 2; ++side) {
    const std::vector<CubicCurve>& segments = search.shapes[side]->segments;
    Foot seed{-1, 0.0};
    int previousEnd = -1;
    for (int i = 0; i < static_cast<int>(segments.size()); ++i) {
      if (stopAsked(search, i)) return;
      if (i == kMapSample && !search.fill) mapIfDense(search, side);
      if (search.w.maps[side].columns > 0 && settledByMap(search, side, i)) continue;
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
  const int mid = measure(search, piece.side, piece.segment, middle, left.p[3], seed, otherSeed,
                          true, hullRadius(left, left.p[3]));
  const int depth = piece.depth + 1;
  enqueue(search, {left, piece.t0, middle, piece.side, piece.segment, depth, piece.start, mid},
          slot);
  enqueue(search, {right, middle, piece.t1, piece.side, piece.segment, depth, mid, piece.end}, -1);
  ++search.steps;
}

// The fill measure's cells. The interior of a shape's fill is covered by squares, halved into
// four as the search needs, each queued under the distance of its centre to the other painted
// set plus its half diagonal: every point of the square lies within that of the centre, and the
// distance to a set is 1-Lipschitz. Squares that hold no point of their own painted set, or lie
// wholly inside the other's fill (where the distance is 0), are dropped when made; a square that
// cannot hold the largest distance (fill_certificates.h) is dropped instead of halved. Centres
// that certainly lie inside their own fill are measured points like the pieces' ends.

// The half diagonal, with room for the rounding of the centres of squares far below the frame's
// resolution, so that every point of the fill lies within it of some square's centre.
double halfDiagonal(double half) {
  return half * kSqrt2Up + 0x1p-50;
}

// A square whose centre lies inside the other fill, clear of its boundary by c: a point x of the
// square outside that fill is reached from the centre across the boundary, at a point z at least
// c from the centre, so it lies within |x - m| - c <= h - c of the other painted set.
double cellBound(const Search& search, const Cell& cell) {
  const MeasuredPoint& centre = search.w.points[cell.point];
  const double h = halfDiagonal(cell.half);
  return centre.upper == 0.0 && centre.clearance > kClear
             ? std::max(0.0, h - centre.clearance + kClear)
             : centre.upper + h;
}

void enqueueCell(Search& search, const Cell& cell, double bound) {
  search.w.cells.push_back(cell);
  search.w.queue.push_back({bound, -static_cast<int>(search.w.cells.size())});
  std::push_heap(search.w.queue.begin(), search.w.queue.end(), queuedBefore);
}

// What the cell's own painted set is to it: whether its centre lies inside the fill, and
// whether the whole square does, or none of it is painted (then `empty`).
struct OwnFill {
  bool centreInside;
  bool wholeInside;
  bool empty;
};

OwnFill ownFill(Search& search, int side, Point2 centre, double h) {
  // The distance from below only needs to tell whether the square reaches the boundary.
  const QueryPrecision precision{-1.0, kAllowance, 0.5, h};
  const PointDistance own = query(search, side, centre, {-1, 0.0}, {-1, 0.0}, precision);
  if (!(own.lower > kClear)) return {false, false, false};
  const Inside inside = insideFill(search.w.painted[side], centre, search.w.winding);
  const bool clear = own.lower > h + kClear;
  return {inside == Inside::kYes, inside == Inside::kYes && clear, inside == Inside::kNo && clear};
}

void addCell(Search& search, int side, Point2 centre, double half, int depth, bool insideOwn,
             Foot seed) {
  const double h = halfDiagonal(half);
  OwnFill own{true, true, false};
  if (!insideOwn) own = ownFill(search, side, centre, h);
  if (own.empty) return;
  const int point =
      measure(search, side, kFillPoint, 0.0, centre, seed, {-1, 0.0}, own.centreInside, h);
  const MeasuredPoint& p = search.w.points[point];
  if (p.upper == 0.0 && p.clearance > h + kClear) return;
  const Cell cell{point, half, depth, own.wholeInside, false};
  enqueueCell(search, cell, cellBound(search, cell));
}

// The square that holds the side's fill, its centre a multiple of half its half side, so that
// halving gives every square's centre exactly (as long as the frame resolves it).
void addRootCell(Search& search, int side) {
  const PaintedSet& painted = search.w.painted[side];
  if (!painted.anyFill) return;
  const Box& box = painted.fillBox;
  const double extent = std::max(box.maxX - box.minX, box.maxY - box.minY);
  if (!(extent > 0.0)) return;
  int exponent;
  std::frexp(extent, &exponent);
  const double half = std::ldexp(1.0, exponent);  // > extent
  const double grid = half * 0.5;
  const Point2 centre{std::round((box.minX * 0.5 + box.maxX * 0.5) / grid) * grid,
                      std::round((box.minY * 0.5 + box.maxY * 0.5) / grid) * grid};
  addCell(search, side, centre, half, 0, false, {-1, 0.0});
}

bool holdsNoMaximum(Search& search, const Cell& cell) {
  const MeasuredPoint& centre = search.w.points[cell.point];
  const SearchShape& other = *search.shapes[1 - centre.side];
  const double h = halfDiagonal(cell.half);
  // The nearest points of the square's points outside the other fill lie within this of the
  // centre: d(x) <= d(m) + h, and for a centre inside that fill, clear of its boundary by c,
  // d(x) <= h - c (enqueueCell).
  const bool inside = centre.upper == 0.0 && centre.clearance > kClear;
  const double reach = inside ? 2 * h - centre.clearance + kClear : centre.reach + 2 * h;
  if (!inside && centre.clearance > h) {
    const Point2 foot = pointAt(other.segments[centre.foot.segment], centre.foot.t);
    if (feetBehindLine(other, centre.point, foot, h, reach, search.w.certificate)) return true;
  }
  double within = 0.0;
  if (!strandsWithOneSidedFeet(search.w.painted[1 - centre.side], centre.point, centre.foot,
                               centre.reach, h, reach, settledLevel(search), within,
                               search.w.certificate, search.w.winding)) {
    return false;
  }
  // Points that may be local maxima within the walls are no farther than that: the interval's
  // upper end must cover them.
  search.stuckUpper = std::max(search.stuckUpper, within);
  return true;
}

// A bound second-order tight where the distance is largest along a ridge (midway between two
// walls, where the first-order bound stays a half diagonal above it however the nearest points
// run): the other boundary's points nearest the centre and the corners, found by the branch and
// bound, and the largest distance from the square to the nearest of them.
double tightenedBound(Search& search, const Cell& cell) {
  const MeasuredPoint& centre = search.w.points[cell.point];
  const SearchShape& other = *search.shapes[1 - centre.side];
  Point2 nearest[5];
  nearest[0] = pointAt(other.segments[centre.foot.segment], centre.foot.t);
  int count = 1;
  const QueryPrecision coarse{-1.0, cell.half * 0.125, 0.0, 0.0};
  for (const double dx : {-cell.half, cell.half}) {
    for (const double dy : {-cell.half, cell.half}) {
      const Point2 corner{centre.point.x + dx, centre.point.y + dy};
      const PointDistance d =
          query(search, 1 - centre.side, corner, centre.foot, {-1, 0.0}, coarse);
      nearest[count++] = pointAt(other.segments[d.foot.segment], d.foot.t);
    }
  }
  return farthestFromNearest(centre.point, cell.half, nearest, count);
}

void refineCell(Search& search, int index, double bound) {
  const Cell cell = search.w.cells[index];
  const MeasuredPoint centre = search.w.points[cell.point];
  // Worth it only where the first-order bound overshoots by about the half diagonal at most:
  // along a ridge it does, near a boundary (bound about twice the half diagonal) it does not.
  const bool nearSettled = bound - settledLevel(search) < halfDiagonal(cell.half);
  if (!cell.tightened && centre.upper > 0.0 && nearSettled) {
    const double tighter = tightenedBound(search, cell);
    if (tighter < bound) {
      Cell again = cell;
      again.tightened = true;
      enqueueCell(search, again, tighter);
      return;
    }
  }
  if (holdsNoMaximum(search, cell)) return;
  const double quarter = cell.half * 0.5;
  for (const double dx : {-quarter, quarter}) {
    for (const double dy : {-quarter, quarter}) {
      addCell(search, centre.side, {centre.point.x + dx, centre.point.y + dy}, quarter,
              cell.depth + 1, cell.insideOwn, centre.foot);
    }
  }
  ++search.steps;
}

bool atDepthLimit(const Search& search, int queued) {
  return queued >= 0 ? search.w.pieces[queued].depth >= kMaxPieceDepth
                     : search.w.cells[-1 - queued].depth >= kMaxCellDepth;
}

// Best-first on the largest bound: when the largest bound is settled, so is every other, and
// the largest bound is an upper bound of the whole distance.
void refine(Search& search) {
  std::vector<Queued>& queue = search.w.queue;
  for (int n = 0; !queue.empty() && !decided(search); ++n) {
    if (stopAsked(search, n)) break;
    const Queued top = queue.front();
    if (top.upper <= settledLevel(search)) break;
    std::pop_heap(queue.begin(), queue.end(), queuedBefore);
    queue.pop_back();
    if (atDepthLimit(search, top.piece) || queue.size() >= kMaxPieces) {
      search.stuckUpper = std::max(search.stuckUpper, top.upper);
      continue;
    }
    if (top.piece >= 0) {
      halvePiece(search, top.piece);
    } else {
      refineCell(search, -1 - top.piece, top.upper);
    }
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

CertifiedDistance stoppedResult(const Shape& a, const Shape& b, std::int64_t steps) {
  return {0.0, kInfinity, 0, shapePoint(a, 0, 0.0), shapePoint(b, 0, 0.0), steps, false};
}

// A point of the frame back in the input's units.
Point2 inputPoint(const SearchFrame& frame, Point2 p) {
  return {std::ldexp(p.x, frame.exponent) + frame.centre.x,
          std::ldexp(p.y, frame.exponent) + frame.centre.y};
}

// A point the search found, as the result names it: on one of the shape's segments, or else a
// point of its fill (a square's centre, or a point of a line that closes a contour).
ShapePoint reportedPoint(const Search& search, const SearchFrame& frame, const Shape& shape,
                         int side, int segment, double t, Point2 framePoint) {
  if (segment >= 0 && segment < static_cast<int>(shape.segments.size())) {
    return shapePoint(shape, segment, t);
  }
  if (segment >= 0) framePoint = pointAt(search.shapes[side]->segments[segment], t);
  return {kFillPoint, 0.0, inputPoint(frame, framePoint)};
}

// The witness's nearest point as the search found it is only as near as the search needed it:
// with a coarse tolerance it may even sit on another local minimum, farther than the upper
// bound. Newton steps from it settle the report when they bring it within `upper` less half the
// allowance; otherwise the branch and bound looks over the whole shape until a point that near
// is found, or none can be nearer by more than a quarter of the allowance. Since `upper` exceeds
// the witness's distance by at least the allowance less the rounding (under half of it), the
// reported point's distance lies within the interval either way.
Foot polishedFoot(Search& search, const MeasuredPoint& witness, double upper) {
  const QueryPrecision withinInterval{upper - kAllowance * 0.5, kAllowance * 0.25, 0.0, 0.0};
  return query(search, 1 - witness.side, witness.point, witness.foot, {-1, 0.0}, withinInterval)
      .foot;
}

void prepare(Search& search, const Shape& a, const Shape& b, const SearchFrame& frame) {
  Workspace& w = search.w;
  if (search.fill) {
    preparePaintedSet(a, frame, w.painted[0]);
    preparePaintedSet(b, frame, w.painted[1]);
    search.shapes[0] = &w.painted[0].boundary;
    search.shapes[1] = &w.painted[1].boundary;
  } else {
    prepareShape(a, frame, w.shapes[0]);
    prepareShape(b, frame, w.shapes[1]);
  }
  w.points.clear();
  w.pieces.clear();
  w.cells.clear();
  w.queue.clear();
  for (DistanceMap& map : w.maps) map = DistanceMap{};
}

CertifiedDistance run(const Shape& a, const Shape& b, Goal goal, const SearchFrame& frame,
                      double tolerance, bool fill) {
  Workspace& w = threadWorkspace();
  Search search{
      w, {&w.shapes[0], &w.shapes[1]}, fill, goal, -1.0, 0, 0.0, 0.0, 0, {0, 0}, {0, 0}, 0, false};
  prepare(search, a, b, frame);
  enqueueSegments(search);
  // Stopped before every segment was measured: nothing narrower than [0, infinity] is known.
  if (search.stopped) return stoppedResult(a, b, search.steps);
  refine(search);
  if (fill) {
    // The fills' squares come once the outlines have raised L as far as they can: squares whose
    // bound is below it then need no refining at all.
    for (int side = 0; side < 2; ++side) addRootCell(search, side);
    refine(search);
  }

  const double lowerBound = std::max(search.lowerBound, 0.0);
  double upperBound = std::max({lowerBound, search.stuckUpper, search.mappedUpper});
  if (!w.queue.empty()) upperBound = std::max(upperBound, w.queue.front().upper);
  const double lower = std::max(0.0, lowerBound - goal.widening);
  const double upper = upperBound + goal.widening;

  const MeasuredPoint witness = w.points[search.witness];
  const Shape& own = witness.side == 0 ? a : b;
  const Shape& other = witness.side == 0 ? b : a;
  CertifiedDistance result{};
  result.lower = scaledOutward(lower, frame.exponent, 0.0);
  result.upper = scaledOutward(upper, frame.exponent, kInfinity);
  result.witnessShape = witness.side;
  result.witness =
      reportedPoint(search, frame, own, witness.side, witness.segment, witness.t, witness.point);
  if (fill && witness.upper == 0.0) {
    // Inside the other's fill: the witness is its own nearest point of the other painted set.
    result.nearest = {kFillPoint, 0.0, result.witness.point};
  } else {
    const Foot nearest = polishedFoot(search, witness, upper);
    result.nearest = reportedPoint(search, frame, other, 1 - witness.side, nearest.segment,
                                   nearest.t, {0.0, 0.0});
  }
  result.steps = search.steps;
  result.visits = search.indexVisits;
  result.toleranceMet = result.upper - result.lower <= tolerance;
  return result;
}

// The shapes' approximation errors and the rounding allowance, in the search's frame.
double widening(const Shape& a, const Shape& b, const SearchFrame& frame) {
  return kAllowance + std::ldexp(a.approximationError + b.approximationError, -frame.exponent);
}

CertifiedDistance toTolerance(const Shape& a, const Shape& b, double tolerance, bool fill,
                              const KeepGoing* keepGoing) {
  SearchFrame frame;
  if (!chooseFrame(a, b, frame)) return coincidentResult(a, b, tolerance);
  Goal goal{};
  goal.keepGoing = keepGoing;
  goal.widening = widening(a, b, frame);
  // The interval is [L - widening, max bound + widening]; the gap is what is left of the
  // tolerance for the bounds, and never less than rounding can resolve.
  const double asked = std::ldexp(tolerance, -frame.exponent);
  goal.gap = std::max(asked - 2 * goal.widening, 4 * kAllowance);
  // When the shapes' approximation errors alone leave the tolerance out of reach, the fill's
  // squares are not refined far below it: a narrower gap would not make the interval meet it,
  // and each halving of the gap doubles the squares along a boundary.
  if (fill && 2 * goal.widening >= asked) goal.gap = std::max(goal.gap, asked * 0.25);
  // Half the gap goes to the measured distances, half to the bounds, which close in fast.
  goal.precision = {0.0, std::max(goal.gap * 0.5, kAllowance), 0.0, 0.0};
  return run(a, b, goal, frame, tolerance, fill);
}

WithinDecision decide(const Shape& a, const Shape& b, double threshold, bool fill,
                      const KeepGoing* keepGoing) {
  SearchFrame frame;
  CertifiedDistance distance;
  if (!chooseFrame(a, b, frame)) {
    distance = coincidentResult(a, b, 0.0);
  } else {
    Goal goal{};
    goal.deciding = true;
    goal.keepGoing = keepGoing;
    goal.widening = widening(a, b, frame);
    goal.threshold = std::ldexp(threshold, -frame.exponent);
    goal.gap = 4 * kAllowance;
    goal.precision = {0.0, kAllowance, 0.5, goal.threshold};
    distance = run(a, b, goal, frame, 0.0, fill);
  }
  Verdict verdict = Verdict::kUndecided;
  if (distance.upper <= threshold) verdict = Verdict::kWithin;
  if (distance.lower > threshold) verdict = Verdict::kBeyond;
  return {verdict, distance};
}

}  // namespace
}  // namespace certified

CertifiedDistance certifiedHausdorff(const Shape& a, const Shape& b, double tolerance,
                                     const KeepGoing* keepGoing) {
  return certified::toTolerance(a, b, tolerance, false, keepGoing);
}

WithinDecision decideWithin(const Shape& a, const Shape& b, double threshold,
                            const KeepGoing* keepGoing) {
  return certified::decide(a, b, threshold, false, keepGoing);
}

CertifiedDistance certifiedFillHausdorff(const Shape& a, const Shape& b, double tolerance,
                                         const KeepGoing* keepGoing) {
  return certified::toTolerance(a, b, tolerance, true, keepGoing);
}

WithinDecision decideFillWithin(const Shape& a, const Shape& b, double threshold,
                                const KeepGoing* keepGoing) {
  return certified::decide(a, b, threshold, true, keepGoing);
}
