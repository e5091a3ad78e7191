// The certified Fréchet search. Both paths are cut into pieces (parameter intervals of their
// segments); a piece of A and a piece of B make a cell of the parameter plane, and the cells form
// a grid whose rows and columns are refined where the answer is undecided.
//
// Every cell carries bounds, in the search's frame:
//  - lo: at most the smallest distance between a point of the A piece and a point of the B piece
//    (the smallest Bernstein coefficient of the squared distance, a bivariate polynomial);
//  - hi: at least the largest such distance (the largest coefficient), so that the walkers can
//    move any way they like through the cell on a leash of hi;
//  - diag: at least the Fréchet distance between the two pieces, so that the walkers can go from
//    the cell's lower left corner to its upper right corner on a leash of diag (paired control
//    points, or both pieces' distances from their chords plus the chords' ends);
// and every edge between two grid corners (one walker on a piece, the other standing at a
// corner's point) bounds of the smallest and the largest distance along it.
//
// Upper bound: the cheapest monotone walk through grid corners, each move a cell's diagonal or an
// edge, where a walk costs its largest move bound (a bottleneck path, found by one pass in order).
// Lower bound: every walk on a leash of F passes through a monotone chain of cells (each one step
// right, up or both from the last), each containing a point of the walk, and crosses from cell to
// cell through a point of their shared edge or corner; so the cheapest chain, under the largest
// lo and crossing bound it meets, costs at most F. The distances between the start points and
// between the end points, and the Hausdorff distance, are lower bounds too.
//
// Refining: at a level e between the bounds, the cells of the cheapest chain that no move can
// cross on a leash of e, and the cells of the cheapest walk's moves whose bounds exceed e, are
// split (both pieces, when of comparable size). A piece is cut at the foot of a corner of the
// other path when one lies well inside it, else at its middle; every cut across a cell the walk
// passes gets the cut facing it on the other path, so that corners on both paths stay in step
// along the walk and its diagonal moves stay short.
//
// Only the cells near the walk are kept: a cell whose pieces' boxes are farther apart than the
// upper bound holds no point of a walk on a leash of F, nor of a chain as cheap, so the grid drops
// it. Each column keeps the run of rows between the cells it holds, a band a few cells wide along
// the diagonal where the paths run side by side, and the tables of walks, chains and decisions
// keep only the rows each column reaches: a round costs what the band holds, not every pair of
// pieces.
//
// Rounding: as in the Hausdorff search (certified_hausdorff.cpp). A piece is cut from its whole
// segment by at most two splits, so it lies within about 40 units of 2^-53 of the exact piece
// over its parameter interval, point for point at equal parameters; a corner point within about
// 12. Every bound moves by at most as much as the pieces it is computed from, plus its own
// rounding (the Bernstein coefficients give theirs away in squared terms), well within
// kAllowance = 4,096 units, by which the interval is widened at both ends.
#include "distance/certified_frechet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "distance/cubic_pieces.h"
#include "distance/search_shape.h"

namespace certified {
namespace {

constexpr double kAllowance = 0x1p-41;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A piece no wider than this in its segment's parameter is not split again.
constexpr double kNarrowestPiece = 0x1p-40;
// The grid never holds more cells than kMaxFrechetCells (about 56 bytes each with their two edges,
// twice over while the next grid is built; the walk, chain and decision tables keep at most a few
// entries a cell, of 8 to 20 bytes: at most about 500 MB). The first grid has a cell for every
// pair of segments, so larger pairs are refused before any work; a refinement whose grid might
// pass the cap is not made, and a grid of more than a quarter of it is not refined (a refinement
// mostly doubles both axes): the search stops there and reports the interval it has, tolerance
// not met. Every round costs time in proportion to the cells, so this also bounds the time of the
// rare pairs that get there (collinear paths folded back on themselves, stationary ends, at fine
// tolerances); 2^19 was too few for joined paths with a stationary start at 1e-6.
constexpr std::size_t kMaxCells = kMaxFrechetCells;
// The most grid cells the walk and chain tables price in one search, in all (each a few
// nanoseconds): a pair whose bounds close too slowly stops here, tolerance not met, rather than
// run on. Counted in work, not time, so that a search ends the same way on every machine.
constexpr std::int64_t kMaxWork = std::int64_t{1} << 30;

// ---- Bounds of one cell ----------------------------------------------------------------------

struct SquaredRange {
  double lower, upper;
};

// Rows i and k of the weighted differences' share of the squared distance's coefficients (see
// cellSquaredRange), added to row i + k: the convolution of their products over B's index, twice
// when i < k. (Rows known at compile time, so that every product is summed in registers.)
template <int i, int k>
void addRowPair(const double (&ex)[4][4], const double (&ey)[4][4], double (&sums)[7][7]) {
  const auto term = [&](int j, int l) { return ex[i][j] * ex[k][l] + ey[i][j] * ey[k][l]; };
  constexpr double factor = i == k ? 1.0 : 2.0;
  double* row = sums[i + k];
  row[0] += factor * term(0, 0);
  row[1] += factor * (term(0, 1) + term(1, 0));
  row[2] += factor * (term(0, 2) + term(1, 1) + term(2, 0));
  row[3] += factor * (term(0, 3) + term(1, 2) + term(2, 1) + term(3, 0));
  row[4] += factor * (term(1, 3) + term(2, 2) + term(3, 1));
  row[5] += factor * (term(2, 3) + term(3, 2));
  row[6] += factor * term(3, 3);
}

// Bounds of |p(s) - q(t)|^2 over the cell. p(s) - q(t) = sum B3_i(s) B3_j(t) (p_i - q_j), so its
// square is a polynomial of degree 6 in each variable whose Bernstein coefficients are
//   c_kl = sum over i+i' = k, j+j' = l of C(3,i)C(3,i')C(3,j)C(3,j') / (C(6,k)C(6,l)) d_ij.d_i'j'
// with d_ij = p_i - q_j; the square is a convex combination of them. Each coefficient is a
// weighted mean of products d.d, computed with at most about 20 roundings of max |d|^2, so a
// margin of 64 units of that covers the rounding both ways.
SquaredRange cellSquaredRange(const CubicCurve& p, const CubicCurve& q) {
  static constexpr double kBinomial3[4] = {1, 3, 3, 1};
  double ex[4][4], ey[4][4];
  double largest = 0.0;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      const double dx = p.p[i].x - q.p[j].x, dy = p.p[i].y - q.p[j].y;
      largest = std::max(largest, squaredLength(dx, dy));
      const double weight = kBinomial3[i] * kBinomial3[j];
      ex[i][j] = weight * dx;
      ey[i][j] = weight * dy;
    }
  }
  // The coefficients row by row of A's index: rows i and k add their product's convolution over
  // B's index into row i + k (twice, for i < k: the product of k and i is the same).
  double sums[7][7] = {};
  addRowPair<0, 0>(ex, ey, sums);
  addRowPair<0, 1>(ex, ey, sums);
  addRowPair<0, 2>(ex, ey, sums);
  addRowPair<0, 3>(ex, ey, sums);
  addRowPair<1, 1>(ex, ey, sums);
  addRowPair<1, 2>(ex, ey, sums);
  addRowPair<1, 3>(ex, ey, sums);
  addRowPair<2, 2>(ex, ey, sums);
  addRowPair<2, 3>(ex, ey, sums);
  addRowPair<3, 3>(ex, ey, sums);
  // Divided by multiplying with the binomials' rounded inverses: two roundings more.
  static constexpr double kInverse6[7] = {1.0, 1.0 / 6, 1.0 / 15, 1.0 / 20, 1.0 / 15, 1.0 / 6, 1.0};
  double lowest = kInfinity, highest = 0.0;
  for (int k = 0; k < 7; ++k) {
    for (int l = 0; l < 7; ++l) {
      const double coefficient = sums[k][l] * (kInverse6[k] * kInverse6[l]);
      lowest = std::min(lowest, coefficient);
      highest = std::max(highest, coefficient);
    }
  }
  const double margin = 0x1p-47 * largest;
  return {std::max(lowest - margin, 0.0), highest + margin};
}

// A bound of the Fréchet distance between the piece and its chord walked at constant speed. Pair
// each point of the piece with the chord's point at the running largest of its projection onto
// the chord (clamped to the chord): a monotone map onto the whole chord. The pair is apart by at
// most the point's distance from the chord's line (at most a control point's, by convexity) plus
// how far the projection has gone back, which in all is at most the largest negative rate of the
// projection: its derivative is a quadratic with Bernstein coefficients 3 (p_k+1 - p_k).u, u the
// chord's direction. A piece whose chord is a point is within its hull radius of that point.
double chordFrechet(const CubicCurve& c) {
  const double vx = c.p[3].x - c.p[0].x, vy = c.p[3].y - c.p[0].y;
  // (In the search's frame no square overflows, and a chord too short for its square is a point.)
  const double length = std::sqrt(squaredLength(vx, vy));
  if (!(length > 0.0)) return hullRadius(c, c.p[0]);
  double across = 0.0, back = 0.0;
  for (int i = 1; i < 3; ++i) {
    const double wx = c.p[i].x - c.p[0].x, wy = c.p[i].y - c.p[0].y;
    across = std::max(across, std::fabs(wx * vy - wy * vx));
  }
  for (int k = 0; k < 3; ++k) {
    const double along = (c.p[k + 1].x - c.p[k].x) * vx + (c.p[k + 1].y - c.p[k].y) * vy;
    back = std::max(back, -3.0 * along);
  }
  return (across + back) / length;
}

// A bound of the Fréchet distance between two pieces, each walked from its start to its end:
// the paired control points (walking both at equal parameters), or both chord bounds plus the
// chords' distance (chords walked together at constant speed stay within their larger end
// distance), by the triangle inequality. chordP and chordQ: the pieces' chordFrechet.
double pieceFrechet(const CubicCurve& p, const CubicCurve& q, double chordP, double chordQ) {
  const double ends =
      std::sqrt(std::max(squaredDistance(p.p[0], q.p[0]), squaredDistance(p.p[3], q.p[3])));
  return std::min(pairedControlDistance(p, q), chordP + ends + chordQ);
}

// ---- Pieces and the grid ---------------------------------------------------------------------

struct Piece {
  int segment;
  double t0, t1;
  CubicCurve control;
  int old;     // its index before the last refinement, or -1 when it is new
  int parent;  // the index before the last refinement of the piece it was cut from (or is)
};

struct Axis {
  const std::vector<CubicCurve>* segments;
  std::vector<Piece> pieces;
  std::vector<Point2> corners;  // corners[k]: the start of pieces[k]; the last: the path's end
  std::vector<Box> boxes;       // boxes[k]: the box of pieces[k]'s control points
  std::vector<double> chords;   // chords[k]: chordFrechet of pieces[k], for every cell it is in
  std::vector<int> oldCorner;   // its index before the last refinement, or -1
  // Where to split pieces next: (piece, local parameter in (0, 1)), in no order.
  std::vector<std::pair<int, double>> cuts;
};

void fillCorners(Axis& axis) {
  const std::size_t count = axis.pieces.size();
  axis.corners.resize(count + 1);
  axis.boxes.resize(count);
  axis.chords.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    axis.corners[k] = axis.pieces[k].control.p[0];
    axis.boxes[k] = boxOf(axis.pieces[k].control);
    axis.chords[k] = chordFrechet(axis.pieces[k].control);
  }
  axis.corners[count] = axis.pieces[count - 1].control.p[3];
}

void startAxis(Axis& axis, const std::vector<CubicCurve>& segments) {
  axis.segments = &segments;
  axis.pieces.clear();
  for (int i = 0; i < static_cast<int>(segments.size()); ++i) {
    axis.pieces.push_back({i, 0.0, 1.0, segments[i], -1, i});
  }
  fillCorners(axis);
  axis.oldCorner.assign(axis.corners.size(), -1);
}

Piece makePiece(const Axis& axis, int segment, double t0, double t1, int parent) {
  return {segment, t0, t1, pieceBetween((*axis.segments)[segment], t0, t1), -1, parent};
}

// Cuts closer than this share of a piece's width to each other or to its ends are dropped.
constexpr double kCutSeparation = 0.02;

// What an axis becomes when its pieces are split at their cuts: the pieces, each corner's index
// before (-1 for a new one), and how many cuts made them.
struct SplitPlan {
  std::vector<Piece> pieces;
  std::vector<int> oldCorner;
  int splits = 0;
};

// Plans the split of the axis's pieces at their cuts (sorting the cuts, changing nothing else).
void planSplit(Axis& axis, SplitPlan& plan) {
  std::sort(axis.cuts.begin(), axis.cuts.end());
  std::vector<Piece>& next = plan.pieces;
  next.clear();
  next.reserve(axis.pieces.size() + axis.cuts.size());
  std::vector<int>& oldCorner = plan.oldCorner;
  oldCorner.clear();
  oldCorner.reserve(next.capacity() + 1);
  int splits = 0;
  std::size_t cut = 0;
  for (int k = 0; k < static_cast<int>(axis.pieces.size()); ++k) {
    const Piece& piece = axis.pieces[k];
    oldCorner.push_back(k);
    double from = 0.0;  // the local parameter where the next new piece starts
    double start = piece.t0;
    for (; cut < axis.cuts.size() && axis.cuts[cut].first == k; ++cut) {
      const double s = axis.cuts[cut].second;
      if (s - from < kCutSeparation || s > 1.0 - kCutSeparation) continue;
      const double at = piece.t0 + s * (piece.t1 - piece.t0);
      if (!(at > start && at < piece.t1)) continue;
      next.push_back(makePiece(axis, piece.segment, start, at, k));
      oldCorner.push_back(-1);
      from = s;
      start = at;
      ++splits;
    }
    if (start == piece.t0) {
      next.push_back(piece);
      next.back().old = k;
      next.back().parent = k;
    } else {
      next.push_back(makePiece(axis, piece.segment, start, piece.t1, k));
    }
  }
  oldCorner.push_back(static_cast<int>(axis.pieces.size()));
  plan.splits = splits;
}

void applySplit(Axis& axis, SplitPlan& plan) {
  axis.pieces.swap(plan.pieces);
  axis.oldCorner.swap(plan.oldCorner);
  axis.cuts.clear();
  fillCorners(axis);
}

struct CellBounds {
  double lo, hi, diag;
};

// The distances along an edge of the grid, where one walker stands at a corner of its path and
// the other walks a piece: lo at most the smallest, hi at least the largest.
struct EdgeBounds {
  double lo, hi;
};

// Both from the Bernstein coefficients of the squared distance (see squaredDistanceBounds in
// cubic_pieces.h): the smallest less its rounding, the largest plus twice it.
EdgeBounds edgeBounds(const CubicCurve& piece, Point2 corner) {
  const DistanceCoefficients f = squaredDistanceCoefficients(piece, corner);
  const auto [lowest, highest] = std::minmax_element(f.coefficients, f.coefficients + 7);
  return {std::sqrt(lessRounding(f, *lowest)),
          std::sqrt(*highest + 2 * kCoefficientRounding * f.largestOffset)};
}

// A cell the grid holds, with the two edges it starts from.
struct GridCell {
  CellBounds bounds;
  EdgeBounds below;  // A's piece i against B's corner j (the cell's lower edge)
  EdgeBounds left;   // B's piece j against A's corner i (the cell's left edge)
};

// What the grid gives for a cell it does not hold, and for an edge neither of whose cells it
// holds: no walk passes there, and every chain that does costs more than any bound in play.
constexpr CellBounds kFarCell{kInfinity, kInfinity, kInfinity};
constexpr EdgeBounds kFarEdge{kInfinity, kInfinity};

// The cells of A's pieces (columns) against B's pieces (rows, one period). Column i holds only a
// run of rows, bandLength[i] of them from bandStart[i] on, B's rows taken cyclically: the cells
// whose pieces' boxes lie within the upper bound of each other, where the paths run side by side.
// Every other cell is farther apart than the Fréchet distance, so no walk on a leash of F passes
// it, nor a chain as cheap: it reads as kFarCell. (A cell dropped stays dropped: the boxes of the
// pieces cut from a piece lie inside its box, and the upper bound only falls.)
struct Grid {
  int columns = 0, rows = 0;
  std::vector<int> bandStart, bandLength;
  std::vector<std::size_t> offset;  // where column i's run starts in cells
  std::vector<GridCell> cells;
  std::vector<EdgeBounds> top;    // A's piece i against B's last corner (corner `rows`)
  std::vector<EdgeBounds> right;  // B's piece j against A's last corner (corner `columns`)
  const std::vector<Point2>* cornersA;
  const std::vector<Point2>* cornersB;

  const GridCell* find(int i, int row) const {
    int k = row - bandStart[i];
    if (k < 0) k += rows;
    return k < bandLength[i] ? &cells[offset[i] + k] : nullptr;
  }
  const CellBounds& cell(int i, int row) const {
    const GridCell* c = find(i, row);
    return c ? c->bounds : kFarCell;
  }
  // A's piece i against B's corner `corner`.
  const EdgeBounds& alongA(int i, int corner) const {
    if (corner == rows) return top[i];
    const GridCell* c = find(i, corner);
    return c ? c->below : kFarEdge;
  }
  // B's piece `row` against A's corner `corner`.
  const EdgeBounds& alongB(int corner, int row) const {
    if (corner == columns) return right[row];
    const GridCell* c = find(corner, row);
    return c ? c->left : kFarEdge;
  }
};

// How far apart two control point boxes are, from below.
double boxGap(const Box& bp, const Box& bq) {
  const double gapX = std::max({bp.minX - bq.maxX, bq.minX - bp.maxX, 0.0});
  const double gapY = std::max({bp.minY - bq.maxY, bq.minY - bp.maxY, 0.0});
  return std::sqrt(squaredLength(gapX, gapY));
}

// The pieces' control point boxes, apart and across: cheap bounds of a cell, first order only.
CellBounds boxBounds(const Box& bp, const Box& bq) {
  const double spanX = std::max(bp.maxX - bq.minX, bq.maxX - bp.minX);
  const double spanY = std::max(bp.maxY - bq.minY, bq.maxY - bp.minY);
  const double across = std::sqrt(squaredLength(spanX, spanY));
  return {boxGap(bp, bq), across, across};
}

// An edge's bounds: from the piece's box alone (hi unbounded) when the box is farther than
// `upper` from the corner, as no walk or chain that matters passes there.
EdgeBounds edgeBounds(const Axis& axis, int k, Point2 corner, double upper) {
  const double apart = std::sqrt(squaredDistanceToBox(axis.boxes[k], corner));
  if (apart > upper) return {apart, kInfinity};
  return edgeBounds(axis.pieces[k].control, corner);
}

// What a cell's boxes must be apart by, beyond the upper bound, before the grid drops it: the
// walk of length F passes only cells whose pieces come within F of each other, and the boxes
// and the bound are each within rounding (far below kAllowance) of the exact pieces'.
constexpr double kDropMargin = 4 * kAllowance;

// The run of rows a column may hold after a refinement: the rows cut from the rows its parent
// column held (first row, count). childFirst[r] is the first new row cut from old row r, and
// childFirst[old rows] the new count of rows.
std::pair<int, int> inheritedRun(const Grid& old, const std::vector<int>& childFirst, int parent) {
  const int start = old.bandStart[parent], length = old.bandLength[parent];
  if (length == 0) return {0, 0};
  const int end = start + length;
  const int count = end <= old.rows
                        ? childFirst[end] - childFirst[start]
                        : childFirst[old.rows] - childFirst[start] + childFirst[end - old.rows];
  return {childFirst[start], count};
}

// For each old row, the first new row cut from it; the last entry is the new count of rows.
void firstChildren(const std::vector<Piece>& rows, int oldRows, std::vector<int>& childFirst) {
  childFirst.assign(oldRows + 1, static_cast<int>(rows.size()));
  for (int j = static_cast<int>(rows.size()) - 1; j >= 0; --j) childFirst[rows[j].parent] = j;
}

// The most cells the grid over these pieces can hold: every row cut from a row each column's
// parent held.
std::size_t inheritedCells(const Grid& old, const std::vector<Piece>& columns,
                           const std::vector<Piece>& rows) {
  std::vector<int> childFirst;
  firstChildren(rows, old.rows, childFirst);
  std::size_t cells = 0;
  for (const Piece& p : columns) cells += inheritedRun(old, childFirst, p.parent).second;
  return cells;
}

// The bounds of cell (i, j).
CellBounds cellBounds(const Axis& a, int i, const Axis& b, int j, double upper) {
  const Piece& p = a.pieces[i];
  const Piece& q = b.pieces[j];
  CellBounds cell = boxBounds(a.boxes[i], b.boxes[j]);
  if (cell.lo > upper) return cell;
  const SquaredRange range = cellSquaredRange(p.control, q.control);
  cell.lo = std::sqrt(range.lower);
  cell.hi = std::sqrt(range.upper);
  cell.diag = std::min(cell.hi, pieceFrechet(p.control, q.control, a.chords[i], b.chords[j]));
  return cell;
}

// The shortest run of rows, taken cyclically, that holds every row of a column not `far`: all but
// the longest cyclic run of far rows (first row, count). Trimming a whole column at its ends
// would keep all of it whenever the near rows straddle row 0, as they do where B starts.
template <typename Far>
std::pair<int, int> shortestRunOfNear(int rows, const Far& far) {
  int longest = 0, longestEnd = 0;  // the longest run of far rows, and the row after it
  int run = 0;
  for (int k = 0; k < 2 * rows; ++k) {  // twice round, for the run through row 0
    if (!far(k % rows)) {
      run = 0;
      continue;
    }
    if (++run > longest) longest = std::min(run, rows), longestEnd = (k + 1) % rows;
  }
  return {longest == rows ? 0 : longestEnd, rows - longest};
}

// Bounds for the current pieces, copied from `old` where neither piece (or piece and corner)
// changed; `old` null for the first grid, which holds every cell. `upper` bounds the distance
// from above: a cell whose pieces' boxes are farther apart is dropped, one within it but whose
// boxes are farther apart than `upper` keeps the boxes' bounds, which hold all the same (a far
// cell inside a column's run, between two near ones, is held so).
void rebuildGrid(const Axis& a, const Axis& b, const Grid* old, double upper, Grid& grid) {
  const int columns = static_cast<int>(a.pieces.size()), rows = static_cast<int>(b.pieces.size());
  grid.columns = columns;
  grid.rows = rows;
  grid.cornersA = &a.corners;
  grid.cornersB = &b.corners;
  grid.bandStart.resize(columns);
  grid.bandLength.resize(columns);
  grid.offset.resize(columns);
  grid.cells.clear();
  std::vector<int> childFirst;
  if (old) firstChildren(b.pieces, old->rows, childFirst);
  const double drop = upper + kDropMargin;
  for (int i = 0; i < columns; ++i) {
    const Piece& p = a.pieces[i];
    int start = 0, length = rows;
    if (old) std::tie(start, length) = inheritedRun(*old, childFirst, p.parent);
    const auto far = [&](int j) { return boxGap(a.boxes[i], b.boxes[j]) > drop; };
    if (length == rows) {
      std::tie(start, length) = shortestRunOfNear(rows, far);
    } else {
      while (length > 0 && far(start)) start = (start + 1) % rows, --length;
      while (length > 0 && far((start + length - 1) % rows)) --length;
    }
    grid.bandStart[i] = start;
    grid.bandLength[i] = length;
    grid.offset[i] = grid.cells.size();
    const int oldCornerA = a.oldCorner[i];
    for (int k = 0; k < length; ++k) {
      const int j = (start + k) % rows;
      const Piece& q = b.pieces[j];
      if (old && p.old >= 0 && q.old >= 0) {
        if (const GridCell* kept = old->find(p.old, q.old)) {
          grid.cells.push_back(*kept);  // neither piece changed: nor its bounds, nor its edges
          continue;
        }
      }
      const int oldCornerB = b.oldCorner[j];
      // The old cell at the same corner holds the same two edges when they did not change.
      const GridCell* below =
          old && p.old >= 0 && oldCornerB >= 0 ? old->find(p.old, oldCornerB) : nullptr;
      const GridCell* left =
          old && q.old >= 0 && oldCornerA >= 0 ? old->find(oldCornerA, q.old) : nullptr;
      GridCell cell;
      cell.bounds = cellBounds(a, i, b, j, upper);
      cell.below = below ? below->below : edgeBounds(a, i, b.corners[j], upper);
      cell.left = left ? left->left : edgeBounds(b, j, a.corners[i], upper);
      grid.cells.push_back(cell);
    }
  }
  grid.top.resize(columns);
  for (int i = 0; i < columns; ++i) {
    const int was = a.pieces[i].old;
    grid.top[i] = old && was >= 0 ? old->top[was] : edgeBounds(a, i, b.corners[rows], upper);
  }
  grid.right.resize(rows);
  for (int j = 0; j < rows; ++j) {
    const int was = b.pieces[j].old;
    grid.right[j] = old && was >= 0 ? old->right[was] : edgeBounds(b, j, a.corners[columns], upper);
  }
}

// ---- Walks and chains ------------------------------------------------------------------------

// The parameter plane the walks cross: B's rows are taken modulo one period, and a walk from B's
// corner `start` climbs `span` rows (one period), so that with any start on closed paths the walk
// may begin at any corner of B.
struct Window {
  const Grid* grid;
  int start;  // B's corner (or cell row) where walks and chains begin
  int span;   // rows climbed: B's pieces
  bool wraps;
  // (j below two periods: a subtraction or two instead of a division, in the tables' loops)
  int row(int j) const {
    int r = start + j;
    if (!wraps) return r;
    while (r >= grid->rows) r -= grid->rows;
    return r;
  }
  int corner(int j) const { return row(j); }
};

double cellLo(const Window& w, int i, int j) {
  return w.grid->cell(i, w.row(j)).lo;
}

// The bounds of the three moves into corner (i, j) of the window (infinite where there is none):
// along A from (i - 1, j), A's piece i - 1 against B's corner j or either cell that edge borders;
// along B from (i, j - 1), likewise; and the diagonal of cell (i - 1, j - 1). Each cell read is
// looked up once, for the walk's inner loop.
struct MovesInto {
  double alongA, alongB, diagonal;
};

MovesInto movesInto(const Window& w, int i, int j) {
  const Grid& g = *w.grid;
  const GridCell* leftBelow = i > 0 && j > 0 ? g.find(i - 1, w.row(j - 1)) : nullptr;
  const double leftBelowHi = leftBelow ? leftBelow->bounds.hi : kInfinity;
  MovesInto moves{kInfinity, kInfinity, leftBelow ? leftBelow->bounds.diag : kInfinity};
  if (i > 0) {
    // A's piece i - 1 against B's corner j: the lower edge of cell (i - 1, j).
    const int corner = w.corner(j);
    const GridCell* above = corner < g.rows ? g.find(i - 1, corner) : nullptr;
    double bound = corner == g.rows ? g.top[i - 1].hi : above ? above->below.hi : kInfinity;
    if (j > 0) bound = std::min(bound, leftBelowHi);
    if (j < w.span && above) bound = std::min(bound, above->bounds.hi);
    moves.alongA = bound;
  }
  if (j > 0) {
    // B's row j - 1 against A's corner i: the left edge of cell (i, j - 1).
    const int row = w.row(j - 1);
    const GridCell* right = i < g.columns ? g.find(i, row) : nullptr;
    double bound = i == g.columns ? g.right[row].hi : right ? right->left.hi : kInfinity;
    if (i > 0) bound = std::min(bound, leftBelowHi);
    if (right) bound = std::min(bound, right->bounds.hi);
    moves.alongB = bound;
  }
  return moves;
}

// The bound of moving from corner (i, j) to (i + 1, j): A's piece i against B's corner j, or any
// cell the edge borders.
double moveAlongA(const Window& w, int i, int j) {
  return movesInto(w, i + 1, j).alongA;
}

// The bound of moving from corner (i, j) to (i, j + 1): B's row j against A's corner i, or any
// cell the edge borders.
double moveAlongB(const Window& w, int i, int j) {
  return movesInto(w, i, j + 1).alongB;
}

// Values over the columns of a window, each column holding one run of consecutive rows, set
// column by column (in any order, each once) and row by row up its run; every other place reads
// as `outside`. The walks, chains and decisions visit each column only over the rows where
// something is reached, so their tables are as small as the band of the plane they cross.
template <typename T>
struct BandedTable {
  std::vector<int> first, count;    // per column: the run's first row and length
  std::vector<std::size_t> offset;  // where the run starts in values
  std::vector<T> values;
  T outside{};

  void reset(int columns, const T& empty) {
    first.assign(columns, 0);
    count.assign(columns, 0);
    offset.assign(columns, 0);
    values.clear();
    outside = empty;
  }
  void startColumn(int i, int row) {
    first[i] = row;
    count[i] = 0;
    offset[i] = values.size();
  }
  // Column i's next row, as `outside` until set. (The reference lasts until the next push.)
  T& push(int i) {
    ++count[i];
    values.push_back(outside);
    return values.back();
  }
  const T& operator()(int i, int j) const {
    const int k = j - first[i];
    return k >= 0 && k < count[i] ? values[offset[i] + k] : outside;
  }
  std::int64_t size() const { return static_cast<std::int64_t>(values.size()); }
};

enum Move : unsigned char { kStart, kAlongA, kAlongB, kDiagonal };

struct WalkCorner {
  double cost;
  unsigned char move;
};

// Over corners (i, j) of a window: the cheapest walk's cost there, and its last move.
using WalkTable = BandedTable<WalkCorner>;

// The cheapest walk through corners from (0, 0) to (columns, span) of the window, each corner's
// best move kept. `startCost` is the leash at the first corner. Walks costing `cutoff` or more
// are not followed (their corners keep cost infinity): as walks never go down, a column is priced
// only from the lowest corner the column before reached below the cutoff, and up to where nothing
// is reached above the highest.
double cheapestWalk(const Window& w, double startCost, WalkTable& table,
                    double cutoff = kInfinity) {
  const int columns = w.grid->columns;
  table.reset(columns + 1, {kInfinity, kStart});
  if (!(startCost < cutoff)) return kInfinity;
  int first = 0, last = 0;
  for (int i = 0; i <= columns; ++i) {
    table.startColumn(i, first);
    int reachedFirst = -1, reachedLast = -1;
    for (int j = first; j <= w.span; ++j) {
      WalkCorner& here = table.push(i);
      double best = i == 0 && j == 0 ? startCost : kInfinity;
      unsigned char how = kStart;
      const MovesInto moves = movesInto(w, i, j);
      if (i > 0) {
        const double c = std::max(table(i - 1, j).cost, moves.alongA);
        if (c < best) best = c, how = kAlongA;
      }
      if (j > 0) {
        const double c = std::max(table(i, j - 1).cost, moves.alongB);
        if (c < best) best = c, how = kAlongB;
      }
      if (i > 0 && j > 0) {
        const double c = std::max(table(i - 1, j - 1).cost, moves.diagonal);
        if (c < best) best = c, how = kDiagonal;
      }
      if (best < cutoff) {
        here = {best, how};
        if (reachedFirst < 0) reachedFirst = j;
        reachedLast = j;
      } else if (j > last) {
        break;  // nothing above is reached in this column
      }
    }
    if (reachedLast < 0) return kInfinity;
    first = reachedFirst;
    last = reachedLast;
  }
  return table(columns, w.span).cost;
}

// Over cells (i, j) of a window: the cheapest chain's cost there.
using ChainTable = BandedTable<double>;

// The cheapest chain of cells from cell (0, 0) of the window (or from any of its first `sources`
// cells of column 0) to every cell, under the largest lower bound it meets: each cell's lo, and
// where the chain steps from cell to cell, the bound of the edge or corner they share (a walk
// crossing there passes a point of it). `rows` cells high. Chains costing more than `cutoff` are
// not followed (their cells keep cost infinity), column by column as cheapestWalk bands its
// corners.
void cheapestChains(const Window& w, int rows, int sources, ChainTable& cost, double cutoff) {
  const Grid& g = *w.grid;
  const int columns = g.columns;
  cost.reset(columns, kInfinity);
  int first = 0, last = sources - 1;
  for (int i = 0; i < columns; ++i) {
    cost.startColumn(i, first);
    int reachedFirst = -1, reachedLast = -1;
    for (int j = first; j < rows; ++j) {
      double& here = cost.push(i);
      // The cell, whose left and lower edges are the ones a chain enters it by. A cell the grid
      // does not hold costs infinity whatever the chain's way in.
      const GridCell* cell = g.find(i, w.row(j));
      double c = kInfinity;
      if (cell) {
        double reach = (i == 0 && j < sources) ? -kInfinity : kInfinity;
        if (i > 0) reach = std::min(reach, std::max(cost(i - 1, j), cell->left.lo));
        if (j > 0) reach = std::min(reach, std::max(cost(i, j - 1), cell->below.lo));
        if (i > 0 && j > 0 && cost(i - 1, j - 1) < kInfinity) {
          const double corner =
              std::sqrt(squaredDistance((*g.cornersA)[i], (*g.cornersB)[w.corner(j)]));
          reach = std::min(reach, std::max(cost(i - 1, j - 1), corner));
        }
        c = std::max(reach, cell->bounds.lo);
      }
      if (c <= cutoff) {
        here = c;
        if (reachedFirst < 0) reachedFirst = j;
        reachedLast = j;
      } else if (j > last) {
        break;  // nothing above is reached in this column
      }
    }
    if (reachedLast < 0) return;
    first = reachedFirst;
    last = reachedLast;
  }
}

// chainsToEnd's cost at cell (i, j) of a window `columns` wide and `rows` high.
double toEnd(const ChainTable& cost, int columns, int rows, int i, int j) {
  return cost(columns - 1 - i, rows - 1 - j);
}

// The cheapest chain from every cell of the window to its last cell (columns - 1, rows - 1), or to
// any of the last `sinks` cells of its last column, priced as cheapestChains prices them: a chain
// through a cell costs at least the larger of its cost there in both tables. Banded by `cutoff`
// as cheapestChains is, from the end. The table is kept turned round (cell (i, j) at
// (columns - 1 - i, rows - 1 - j)), so that its runs go up: read it with toEnd.
void chainsToEnd(const Window& w, int rows, int sinks, ChainTable& cost, double cutoff) {
  const Grid& g = *w.grid;
  const int columns = g.columns;
  cost.reset(columns, kInfinity);
  const auto at = [&](int i, int j) { return toEnd(cost, columns, rows, i, j); };
  int first = rows - 1, last = rows - sinks;  // first: the highest row, last: the lowest
  for (int i = columns - 1; i >= 0; --i) {
    const int turned = columns - 1 - i;
    cost.startColumn(turned, rows - 1 - first);
    int reachedFirst = -1, reachedLast = -1;
    for (int j = first; j >= 0; --j) {
      double& here = cost.push(turned);
      double reach = (i == columns - 1 && j >= rows - sinks) ? -kInfinity : kInfinity;
      if (i + 1 < columns) {
        const double edge = g.alongB(i + 1, w.row(j)).lo;
        reach = std::min(reach, std::max(at(i + 1, j), edge));
      }
      if (j + 1 < rows) {
        const double edge = g.alongA(i, w.corner(j + 1)).lo;
        reach = std::min(reach, std::max(at(i, j + 1), edge));
      }
      if (i + 1 < columns && j + 1 < rows && at(i + 1, j + 1) < kInfinity) {
        const double corner =
            std::sqrt(squaredDistance((*g.cornersA)[i + 1], (*g.cornersB)[w.corner(j + 1)]));
        reach = std::min(reach, std::max(at(i + 1, j + 1), corner));
      }
      const double c = std::max(reach, cellLo(w, i, j));
      if (c <= cutoff) {
        here = c;
        if (reachedFirst < 0) reachedFirst = j;
        reachedLast = j;
      } else if (j < last) {
        break;  // nothing below is reached in this column
      }
    }
    if (reachedLast < 0) return;
    first = reachedFirst;
    last = reachedLast;
  }
}

// ---- The free-space decision -----------------------------------------------------------------
//
// Whether a walk on a leash of eps exists that may cross the grid's edges anywhere, not only at
// its corners (Alt and Godau's decision procedure, made certain for curved pieces). In a cell,
// replace each piece by its chord walked at constant speed, from the piece's start corner to its
// end corner: the piece strays from it by at most its chord offset (below) at every parameter, so
// where the chords are within r = eps - offset(A piece) - offset(B piece) of each other the
// pieces are within eps. That set of parameter pairs is convex (the chords' difference is affine
// in (s, t), a disc is convex), so the straight move between two of its points, both walkers
// going forwards, stays in it. A cell whose hi is at most eps is free throughout. The walk's
// points on each edge are kept as one interval of the edge's parameter, within every set of the
// cells it borders; the reachable part of each edge is then a suffix of that interval, found from
// the cell's entries as Alt and Godau find it. The moves of the corner walk (a diagonal, an edge
// walked whole) pass from corner to corner as before.

// How far the piece strays from its chord walked at constant speed: that chord is the cubic with
// control points from + k (to - from) / 3, and their difference is the Bernstein combination of
// the control points' differences, so no larger than the largest. (from and to are the piece's
// corners, which its own ends match to within rounding.) Each chord control point is rounded at
// most three times at magnitude 1; 2^-48 covers that and the square root.
double chordOffset(const CubicCurve& c, Point2 from, Point2 to) {
  double largest = 0.0;
  for (int k = 0; k < 4; ++k) {
    const double f = k / 3.0;
    const Point2 on{from.x + f * (to.x - from.x), from.y + f * (to.y - from.y)};
    largest = std::max(largest, squaredDistance(c.p[k], on));
  }
  return std::sqrt(largest) + 0x1p-48;
}

// What each cell's radius gives away beyond the chord offsets: the rounding of the free
// intervals' checks (a few units of 2^-53 at magnitude 4) many times over.
constexpr double kFreeMargin = 0x1p-44;

// Parameters of an edge, as one interval (empty when lo > hi).
struct Span {
  float lo, hi;
  bool empty() const { return !(lo <= hi); }
};

constexpr float kNoSpan = std::numeric_limits<float>::infinity();
constexpr Span kEmptySpan{kNoSpan, -kNoSpan};

// The parameters s of [0, 1] where from + s (to - from) lies within r of c, shrunk a little and
// rounded inwards to floats. The distance along a line is convex, so checking both ends (with
// a margin for the check's own rounding, which kFreeMargin covers) checks every point between.
Span chordWithin(Point2 from, Point2 to, Point2 c, double r) {
  if (!(r > 0.0)) return kEmptySpan;
  const double dx = to.x - from.x, dy = to.y - from.y;
  const double wx = from.x - c.x, wy = from.y - c.y;
  const double length = squaredLength(dx, dy);
  double lo = 0.0, hi = 1.0;
  if (length > 0.0) {
    const double foot = -(wx * dx + wy * dy) / length;
    const double solved = r * (1.0 - 0x1p-20);  // the ends found a little inside the circle
    const double room = solved * solved - squaredLength(wx + foot * dx, wy + foot * dy);
    if (!(room >= 0.0)) return kEmptySpan;
    const double half = std::sqrt(room / length);
    lo = std::max(foot - half, 0.0);
    hi = std::min(foot + half, 1.0);
  }
  Span span{static_cast<float>(lo), static_cast<float>(hi)};
  if (span.lo < lo) span.lo = std::nextafter(span.lo, 2.0f);
  if (span.hi > hi) span.hi = std::nextafter(span.hi, -1.0f);
  const auto near = [&](float s) {
    return squaredLength(wx + double(s) * dx, wy + double(s) * dy) <= r * r;
  };
  if (span.empty() || !near(span.lo) || !near(span.hi)) return kEmptySpan;
  return span;
}

// How a place of the walk was reached.
enum Reached : unsigned char {
  kUnreached,
  kWalkStart,      // the walk's first corner
  kEndOfH,         // corner: the end of the edge along A before it
  kEndOfV,         // corner: the end of the edge along B below it
  kStartOfH,       // corner: the start of the edge along A from it
  kStartOfV,       // corner: the start of the edge along B from it
  kByDiagonal,     // corner: the diagonal of the cell below and to the left
  kAlongH,         // corner: walking the edge along A before it, from a reached point
  kAlongV,         // corner: walking the edge along B below it, from a reached point
  kFromCorner,     // edge: from its own start corner, along the edge
  kFromLeft,       // edge: across the cell it leaves, from the cell's left edge
  kFromBottom,     // edge: across the cell it leaves, from the cell's bottom edge
  kFromCellCorner  // edge: across the cell it leaves, from the cell's lower left corner
};

// What the decision keeps at corner (i, j) of its window: H, the edge where A walks its piece i
// while B stands at the window's corner j, and V, the edge where B walks the window's row j while
// A stands at its corner i, each with the reached part of its free interval, and how each and the
// corner were reached.
struct FreePlace {
  Span h, v;
  unsigned char hHow, vHow, cornerHow;
};

constexpr FreePlace kUnreachedPlace{kEmptySpan, kEmptySpan, kUnreached, kUnreached, kUnreached};

// One decision's tables over a window of the grid.
struct FreeSpace {
  int columns = 0, span = 0;
  BandedTable<FreePlace> places;
  std::vector<double> offsetA, offsetB;  // chord offsets of A's pieces, B's rows
  double leash;                          // at the walk's first corner
  // Entries to V(i, j) from cell (i - 1, j), kept from column i - 1 to column i: where and how.
  std::vector<float> pending;
  std::vector<unsigned char> pendingHow;
};

// A place of the walk in the window: A at its corner i moved s along piece i, B at the window's
// corner j moved t along row j.
struct PlanePoint {
  int i;
  double s;
  int j;
  double t;
};

struct FreeSpaceSearch {
  const Grid& grid;
  const Window& window;
  FreeSpace& space;
  double eps;

  Point2 cornerA(int i) const { return (*grid.cornersA)[i]; }
  Point2 cornerB(int j) const { return (*grid.cornersB)[window.corner(j)]; }
  // The end of row j's piece: the next corner of B (its last corner at the path's end).
  Point2 rowEnd(int j) const { return (*grid.cornersB)[window.row(j) + 1]; }
  const CellBounds& cell(int i, int j) const { return grid.cell(i, window.row(j)); }
  double radius(int i, int j) const {
    return eps - space.offsetA[i] - space.offsetB[window.row(j)] - kFreeMargin;
  }
  const FreePlace& place(int i, int j) const { return space.places(i, j); }
  const Span& h(int i, int j) const { return place(i, j).h; }
  const Span& v(int i, int j) const { return place(i, j).v; }
  bool cornerReached(int i, int j) const { return place(i, j).cornerHow != kUnreached; }

  // The edge's free interval: within every set of the window's cells it borders (a cell whose lo
  // is above eps has none). H(i, j) borders cells (i, j - 1) and (i, j), V(i, j) cells (i - 1, j)
  // and (i, j): passed in, null where the window has none.
  Span freeH(int i, int j, const CellBounds* below, const CellBounds* above) const {
    double r = kInfinity;
    if (!narrowBy(below, i, j - 1, r) || !narrowBy(above, i, j, r)) return kEmptySpan;
    if (r == kInfinity) return {0.0f, 1.0f};
    return chordWithin(cornerA(i), cornerA(i + 1), cornerB(j), r);
  }
  Span freeV(int i, int j, const CellBounds* left, const CellBounds* right) const {
    double r = kInfinity;
    if (!narrowBy(left, i - 1, j, r) || !narrowBy(right, i, j, r)) return kEmptySpan;
    if (r == kInfinity) return {0.0f, 1.0f};
    return chordWithin(cornerB(j), rowEnd(j), cornerA(i), r);
  }
  // Narrows r to cell (i, j)'s radius where the cell is not free throughout; false when it has
  // no free set at all.
  bool narrowBy(const CellBounds* c, int i, int j, double& r) const {
    if (!c) return true;
    if (c->lo > eps) return false;
    if (c->hi > eps) r = std::min(r, radius(i, j));
    return true;
  }

  unsigned char reachCorner(int i, int j) {
    if (i == 0 && j == 0) return space.leash <= eps ? kWalkStart : kUnreached;
    if (i > 0 && !h(i - 1, j).empty() && h(i - 1, j).hi == 1.0f) return kEndOfH;
    if (j > 0 && !v(i, j - 1).empty() && v(i, j - 1).hi == 1.0f) return kEndOfV;
    if (i > 0 && j > 0 && cornerReached(i - 1, j - 1) && cell(i - 1, j - 1).diag <= eps) {
      return kByDiagonal;
    }
    if (i > 0 && (cornerReached(i - 1, j) || !h(i - 1, j).empty()) &&
        moveAlongA(window, i - 1, j) <= eps) {
      return kAlongH;
    }
    if (j > 0 && (cornerReached(i, j - 1) || !v(i, j - 1).empty()) &&
        moveAlongB(window, i, j - 1) <= eps) {
      return kAlongV;
    }
    return kUnreached;
  }

  // The reached part of an edge whose free interval is `free`, from the cell it leaves (a start
  // `from` and how) or its own start corner.
  static Span reachEdge(Span free, float from, unsigned char how, bool corner,
                        unsigned char& reachedHow) {
    if (corner && free.lo <= 0.0f && from > 0.0f) from = 0.0f, how = kFromCorner;
    if (free.empty() || from == kNoSpan) return kEmptySpan;
    reachedHow = how;
    return {std::max(from, free.lo), free.hi};
  }

  // Crosses cell (i, j): where its top and right edges may be reached from its left and bottom
  // edges and its lower left corner (every entry and exit lies in the cell's convex set, and
  // each exit is above and to the right of the entry it comes from).
  void crossCell(int i, int j, const CellBounds& c, float& top, unsigned char& topHow, float& right,
                 unsigned char& rightHow) {
    top = right = kNoSpan;
    if (c.lo > eps) return;
    const Span bottom = h(i, j), left = v(i, j);
    const double r = radius(i, j);
    const bool corner =
        cornerReached(i, j) &&
        (c.hi <= eps || (r > 0.0 && squaredDistance(cornerA(i), cornerB(j)) <= r * r));
    if (!left.empty()) {
      top = 0.0f, topHow = kFromLeft;
    } else if (corner) {
      top = 0.0f, topHow = kFromCellCorner;
    } else if (!bottom.empty()) {
      top = bottom.lo, topHow = kFromBottom;
    }
    if (!bottom.empty()) {
      right = 0.0f, rightHow = kFromBottom;
    } else if (corner) {
      right = 0.0f, rightHow = kFromCellCorner;
    } else if (!left.empty()) {
      right = left.lo, rightHow = kFromLeft;
    }
  }

  // One pass over the window in order: corners, then the edges from them, then the cell. A
  // column is visited only from the lowest row the column before reached (walks never go down)
  // and up to where nothing is reached above the highest it reached.
  bool decide() {
    const int columns = space.columns, span = space.span;
    space.places.reset(columns + 1, kUnreachedPlace);
    std::vector<float>& pending = space.pending;
    std::vector<unsigned char>& pendingHow = space.pendingHow;
    pending.assign(span, kNoSpan);
    pendingHow.assign(span, kUnreached);
    int first = 0, last = 0;  // the rows where the column before reached anything
    for (int i = 0; i <= columns; ++i) {
      float top = kNoSpan;
      unsigned char topHow = kUnreached;
      int reachedFirst = span + 1, reachedLast = -1;
      space.places.startColumn(i, first);
      for (int j = first; j <= span; ++j) {
        FreePlace& here = space.places.push(i);
        // The cells around this corner's edges: (i, j) and the ones left of it and below it.
        const CellBounds* cellHere = i < columns && j < span ? &cell(i, j) : nullptr;
        const CellBounds* cellLeft = i > 0 && j < span ? &cell(i - 1, j) : nullptr;
        const CellBounds* cellBelow = i < columns && j > 0 ? &cell(i, j - 1) : nullptr;
        unsigned char& how = here.cornerHow;
        how = reachCorner(i, j);
        const bool corner = how != kUnreached;
        bool reached = corner;
        // (An edge entered neither from its cell nor from its start corner is not reached,
        // whatever its free interval: that is not computed.)
        if (i < columns && (corner || top != kNoSpan)) {
          here.h = reachEdge(freeH(i, j, cellBelow, cellHere), top, topHow, corner, here.hHow);
          if (!corner && !here.h.empty() && here.h.lo == 0.0f) how = kStartOfH;
          reached = reached || !here.h.empty();
        }
        top = kNoSpan;
        if (j < span) {
          if (how != kUnreached || pending[j] != kNoSpan) {
            here.v = reachEdge(freeV(i, j, cellLeft, cellHere), pending[j], pendingHow[j],
                               how != kUnreached, here.vHow);
          }
          if (how == kUnreached && !here.v.empty() && here.v.lo == 0.0f) how = kStartOfV;
          reached = reached || !here.v.empty();
          pending[j] = kNoSpan;
          if (i < columns && reached) {  // (a cell entered nowhere is left nowhere)
            crossCell(i, j, *cellHere, top, topHow, pending[j], pendingHow[j]);
            reached = reached || pending[j] != kNoSpan;
          }
        }
        if (reached) {
          reachedFirst = std::min(reachedFirst, j);
          reachedLast = j;
        } else if (j > last) {
          break;  // nothing above can be reached in this column
        }
      }
      if (reachedLast < 0) return false;
      first = reachedFirst;
      last = reachedLast;
    }
    return cornerReached(columns, span);
  }

  // The walk the tables hold, from its last corner back to its first, as places in order.
  std::vector<PlanePoint> walkBack() {
    std::vector<PlanePoint> points;
    enum Kind { kCorner, kOnH, kOnV } kind = kCorner;
    int i = space.columns, j = space.span;
    double along = 0.0;  // the parameter along the edge, for kOnH and kOnV
    while (true) {
      if (kind == kCorner) {
        points.push_back({i, 0.0, j, 0.0});
        const unsigned char how = place(i, j).cornerHow;
        if (how == kWalkStart) break;
        if (how == kEndOfH) kind = kOnH, --i, along = 1.0;
        if (how == kEndOfV) kind = kOnV, --j, along = 1.0;
        if (how == kStartOfH) kind = kOnH, along = 0.0;
        if (how == kStartOfV) kind = kOnV, along = 0.0;
        if (how == kByDiagonal) --i, --j;
        if (how == kAlongH) {
          --i;
          if (!cornerReached(i, j)) kind = kOnH, along = h(i, j).lo;
        }
        if (how == kAlongV) {
          --j;
          if (!cornerReached(i, j)) kind = kOnV, along = v(i, j).lo;
        }
        continue;
      }
      if (kind == kOnH) {
        points.push_back({i, along, j, 0.0});
        const unsigned char how = place(i, j).hHow;
        if (how == kFromCorner) {
          kind = kCorner;
        } else if (how == kFromLeft) {
          kind = kOnV, --j, along = v(i, j).lo;
        } else if (how == kFromCellCorner) {
          kind = kCorner, --j;
        } else {  // kFromBottom
          --j, along = std::min(along, double(h(i, j).hi));
        }
        continue;
      }
      points.push_back({i, 0.0, j, along});
      const unsigned char how = place(i, j).vHow;
      if (how == kFromCorner) {
        kind = kCorner;
      } else if (how == kFromBottom) {
        kind = kOnH, --i, along = h(i, j).lo;
      } else if (how == kFromCellCorner) {
        kind = kCorner, --i;
      } else {  // kFromLeft
        --i, along = std::min(along, double(v(i, j).hi));
      }
    }
    std::reverse(points.begin(), points.end());
    return points;
  }
};

// ---- The search ------------------------------------------------------------------------------

// Why a search ended.
// kPassedCutoff: the lower bound passed the caller's cutoff, which says why the other way's
// interval is the one that matters.
enum Stop { kSettled, kGridFull, kWorkDone, kNothingToSplit, kToldToStop, kPassedCutoff };

// Why an interval the search ended with is wider than the tolerance, in words.
std::string stopReason(Stop stop, bool deciding) {
  switch (stop) {
    case kGridFull:
      return "the grid of pieces reached its cap of 2^21 cells";
    case kWorkDone:
      return "the search priced its limit of 2^30 grid cells";
    case kNothingToSplit:
      return "no piece could be split again (pieces are not cut below 2^-40 of their segment)";
    case kToldToStop:
      return "the search was told to stop";
    case kPassedCutoff:
      return "";
    case kSettled:
      break;
  }
  return deciding ? "the decision needed no narrower interval"
                  : "rounding at the coordinates' magnitude";
}

struct Workspace {
  SearchShape shapes[2];
  Axis axes[2];
  Grid grids[2];
  WalkTable walk;
  ChainTable forward;
  ChainTable backward;                         // as chainsToEnd keeps it
  ChainTable relaxedForward, relaxedBackward;  // with any start: two periods of B
  int relaxedStart = 0;                        // B's row where those periods begin
  std::vector<std::pair<int, int>> walkCells;  // the cells the cheapest walk touches
  // With any start: for each of B's cells (rows), a lower bound of every walk starting in it,
  // kept from round to round (a piece's bound holds for the pieces cut from it).
  std::vector<double> startLower;
  std::vector<char> fresh;  // startLower[row] was computed on this round's grid
  std::int64_t work = 0;    // grid cells the walk and chain tables have priced, in all
  FreeSpace free;
  // The tables of this round's last failed decision, and its leash (NaN: none kept): where the
  // round refines, so that the decision is not made twice.
  BandedTable<FreePlace> failedPlaces;
  double failedEps = std::nan("");
  Stop stop = kSettled;  // why the search ended
  double lower = 0.0;    // this round's lower bound (unwidened)
  // The free-space walks' upper bound so far: chains and walks costlier are not followed.
  double freeUpper = kInfinity;
  double cornerUpper = kInfinity;  // this round's cheapest walk through corners (unwidened)
  // The least distance beyond which the grids have dropped cells: chains only bound F up to it.
  double dropLevel = kInfinity;
};

Workspace& threadWorkspace() {
  thread_local Workspace workspace;
  return workspace;
}

// Every piece's chord offset, for this round's decisions and cuts.
void measureOffsets(Workspace& w) {
  for (int k = 0; k < 2; ++k) {
    const Axis& axis = w.axes[k];
    std::vector<double>& offsets = k == 0 ? w.free.offsetA : w.free.offsetB;
    offsets.resize(axis.pieces.size());
    for (std::size_t i = 0; i < offsets.size(); ++i) {
      offsets[i] = chordOffset(axis.pieces[i].control, axis.corners[i], axis.corners[i + 1]);
    }
  }
}

struct Goal {
  bool deciding;
  double gap;         // tolerance mode: stop when the bounds are this close
  double threshold;   // deciding: stop once the interval is on one side of it
  double widening;    // kAllowance plus the shapes' approximation errors
  double knownLower;  // a lower bound from elsewhere (the Hausdorff distance), already widened
  bool anyStart;
  const KeepGoing* keepGoing;
  // Tolerance mode: stop once the lower bound is above this (unwidened): the caller has a walk
  // at least as short elsewhere.
  double cutoff;
};

struct Bounds {
  double lower, upper;  // unwidened
  int bestStart;        // the B corner where the cheapest walk starts
  int freeStart;        // the B corner where free-space walks start
  int chainStart;       // the B row where the cheapest chain starts
};

double startLeash(const Workspace& w, int start) {
  return std::sqrt(squaredDistance(w.axes[0].corners[0], w.axes[1].corners[start]));
}

// B's corner nearest A's start.
int nearestStart(const Workspace& w) {
  int nearest = 0;
  const int rows = static_cast<int>(w.axes[1].pieces.size());
  for (int start = 1; start < rows; ++start) {
    if (startLeash(w, start) < startLeash(w, nearest)) nearest = start;
  }
  return nearest;
}

// The cheapest walk from B's corner `start`, kept when it is cheaper than the bounds' upper.
void tryWalk(Workspace& w, const Grid& grid, const Goal& goal, int start, Bounds& bounds) {
  const double startCost = startLeash(w, start);
  if (startCost >= bounds.upper) return;
  const double cost =
      cheapestWalk(Window{&grid, start, grid.rows, goal.anyStart}, startCost, w.walk, bounds.upper);
  w.work += w.walk.size();
  if (cost < bounds.upper) bounds.upper = cost, bounds.bestStart = start;
}

// The cost of the cheapest chain of the window from B's row `start`.
double chainCost(Workspace& w, const Grid& grid, const Goal& goal, int start, double cutoff) {
  const int rows = goal.anyStart ? grid.rows + 1 : grid.rows;
  cheapestChains(Window{&grid, start, grid.rows, goal.anyStart}, rows, 1, w.forward, cutoff);
  w.work += w.forward.size();
  return w.forward(grid.columns - 1, rows - 1);
}

// Over two periods of B from row w.relaxedStart (rows 0 to 2 rows - 1 of the window, its row r
// standing for B's row relaxedStart + r mod rows): from every cell, the cheapest chain from any
// cell of the first period in column 0, and the cheapest chain to any cell of the second period
// in the last column. The chain of a walk from the window's row s runs from (0, s) to
// (columns - 1, s + rows), so it costs at least both tables' values at its first and last cells
// (each a least over more chains), and every cell it passes has both tables' values at most its
// cost: one pair of tables bounds every start. The periods begin half a period from B's corner
// nearest A's start, so that the chains near it do not straddle the periods' seam (the tables
// would then span the whole window).
void relaxedChains(Workspace& w, const Grid& grid, double cutoff) {
  w.relaxedStart = (nearestStart(w) + grid.rows / 2) % grid.rows;
  const Window twice{&grid, w.relaxedStart, grid.rows, true};
  const int height = 2 * grid.rows;
  cheapestChains(twice, height, grid.rows, w.relaxedForward, cutoff);
  chainsToEnd(twice, height, grid.rows, w.relaxedBackward, cutoff);
  w.work += w.relaxedForward.size() + w.relaxedBackward.size();
}

// How many starts' chains (and walks) are priced afresh in one round, at most, beyond the first.
constexpr int kStartsPerRound = 8;

// With any start, pricing every start's chain and walk costs a table of the whole grid each: with
// B's rows many, the rounds would cost rows times the grid. Instead every start keeps a lower
// bound of its walks (from its first and last cells, and from the chain priced on an earlier
// grid, which holds on a finer one: its cells hold the same walks), and the chains are priced
// afresh in order of those bounds, lowest first, until the lowest is fresh (or kStartsPerRound
// are done): the least of the bounds is a lower bound of every walk. The walks are priced from the
// last round's best start and from the starts whose chains were priced: any walk is an upper
// bound. The first round prices every start.
void anyStartBounds(Workspace& w, const Grid& grid, const Goal& goal, int previousStart,
                    Bounds& bounds) {
  const int rows = grid.rows;
  std::vector<double>& lower = w.startLower;
  const bool first = previousStart < 0;
  if (first) {
    for (int start = 0; start < rows; ++start) tryWalk(w, grid, goal, start, bounds);
  } else {
    tryWalk(w, grid, goal, previousStart, bounds);
    // And from B's corner nearest A's start: where the walk tends to start once it is fine.
    const int nearest = nearestStart(w);
    if (nearest != previousStart) tryWalk(w, grid, goal, nearest, bounds);
  }
  w.fresh.assign(rows, 0);
  relaxedChains(w, grid, std::min(bounds.upper, w.freeUpper));
  const int height = 2 * rows, last = grid.columns - 1;
  for (int start = 0; start < rows; ++start) {
    const int s = (start - w.relaxedStart + rows) % rows;  // its row in the relaxed window
    lower[start] = std::max({lower[start], toEnd(w.relaxedBackward, grid.columns, height, 0, s),
                             w.relaxedForward(last, s + rows)});
  }
  for (int priced = 0; first || priced < kStartsPerRound; ++priced) {
    const int start =
        static_cast<int>(std::min_element(lower.begin(), lower.end()) - lower.begin());
    if (w.fresh[start] || lower[start] > bounds.upper) break;
    lower[start] = std::max(lower[start],
                            chainCost(w, grid, goal, start, std::min(bounds.upper, w.freeUpper)));
    w.fresh[start] = 1;
    if (!first) tryWalk(w, grid, goal, start, bounds);
  }
  const auto least = std::min_element(lower.begin(), lower.end());
  bounds.lower = *least;
  bounds.chainStart = static_cast<int>(least - lower.begin());
}

Bounds currentBounds(Workspace& w, const Grid& grid, const Goal& goal, int previousStart) {
  const Axis& a = w.axes[0];
  const Axis& b = w.axes[1];
  // Walks through corners count only when shorter than the free-space walk already found: the
  // tables are banded by it. (When none is, the last round's best start stays the best.)
  Bounds bounds{kInfinity, w.freeUpper, std::max(previousStart, 0), 0, 0};
  if (goal.anyStart) {
    anyStartBounds(w, grid, goal, previousStart, bounds);
  } else {
    tryWalk(w, grid, goal, 0, bounds);
    bounds.lower = chainCost(w, grid, goal, 0, std::min(bounds.upper, w.freeUpper));
    // Both walks start at the first points and end at the last.
    const double ends = std::sqrt(std::max(squaredDistance(a.corners.front(), b.corners.front()),
                                           squaredDistance(a.corners.back(), b.corners.back())));
    bounds.lower = std::max(bounds.lower, ends);
  }
  bounds.lower = std::min(bounds.lower, bounds.upper);
  bounds.freeStart = goal.anyStart ? nearestStart(w) : 0;
  return bounds;
}

// After a refinement: each new row of B keeps the start bound of the row it was cut from, and the
// best start (a corner, which refining never removes) its new index.
int carryStarts(Workspace& w, int bestStart) {
  const Axis& b = w.axes[1];
  std::vector<double> carried(b.pieces.size());
  for (std::size_t j = 0; j < b.pieces.size(); ++j) carried[j] = w.startLower[b.pieces[j].parent];
  w.startLower.swap(carried);
  for (std::size_t j = 0; j < b.oldCorner.size(); ++j) {
    if (b.oldCorner[j] == bestStart) return static_cast<int>(j);
  }
  return 0;
}

// The parameter of `piece` (0..1) nearest to `point` when it lies well inside the piece, else NaN.
double footInside(const Piece& piece, Point2 point) {
  const double s = nearParameter(piece.control, point);
  return s > 0.1 && s < 0.9 ? s : std::nan("");
}

// A corner of the other path whose foot lies well inside the piece: the place to cut it, so that
// the two paths get corners that face each other.
double unmatchedCorner(const Piece& piece, Point2 first, Point2 second) {
  const double s = footInside(piece, first);
  return std::isnan(s) ? footInside(piece, second) : s;
}

void markCut(Axis& axis, int k, double s) {
  const Piece& piece = axis.pieces[k];
  if (std::isnan(s) || !(piece.t1 - piece.t0 > kNarrowestPiece)) return;
  axis.cuts.emplace_back(k, s);
}

// Cuts a cell's pieces: where a corner of the other path faces one, else the larger at its middle
// and the other where it faces that middle (or its own middle, when of comparable size).
void markCell(Axis& a, int i, Axis& b, int j) {
  const Piece& p = a.pieces[i];
  const Piece& q = b.pieces[j];
  const double sizeP = hullRadius(p.control, p.control.p[0]);
  const double sizeQ = hullRadius(q.control, q.control.p[0]);
  const double cutP = unmatchedCorner(p, b.corners[j], b.corners[j + 1]);
  const double cutQ = unmatchedCorner(q, a.corners[i], a.corners[i + 1]);
  if (!std::isnan(cutP) || !std::isnan(cutQ)) {
    markCut(a, i, std::isnan(cutP) && sizeP >= 2 * sizeQ ? 0.5 : cutP);
    markCut(b, j, std::isnan(cutQ) && sizeQ >= 2 * sizeP ? 0.5 : cutQ);
    return;
  }
  const bool halveP = sizeP >= sizeQ;
  Axis& larger = halveP ? a : b;
  Axis& smaller = halveP ? b : a;
  const int largerIndex = halveP ? i : j, smallerIndex = halveP ? j : i;
  const Piece& big = larger.pieces[largerIndex];
  const Piece& small = smaller.pieces[smallerIndex];
  markCut(larger, largerIndex, 0.5);
  double facing = footInside(small, pointAt(big.control, 0.5));
  const double sizeSmall = halveP ? sizeQ : sizeP, sizeBig = halveP ? sizeP : sizeQ;
  if (std::isnan(facing) && sizeSmall >= 0.5 * sizeBig) facing = 0.5;
  markCut(smaller, smallerIndex, facing);
}

// A cell whose pieces' chord offsets are below this share of its room under the level (level -
// lo) is left whole: the free-space decision can cross it.
constexpr double kOffsetShare = 0.5;

// Whether a cell must be split to settle `level`: a walk may pass it (lo <= level) but cannot be
// shown to cross it (hi > level; when `strict`, its diagonal may settle it too).
bool undecided(const Workspace& w, const Grid& grid, int i, int row, double level, bool strict) {
  const CellBounds& cell = grid.cell(i, row);
  if (!(cell.lo <= level && cell.hi > level)) return false;
  if (!strict) return true;
  if (cell.diag <= level) return false;
  const double offsets = w.free.offsetA[i] + w.free.offsetB[row];
  return !(offsets < kOffsetShare * (level - std::max(w.lower, cell.lo)));
}

// Marks the undecided cells of the cheapest chain: cells a walk at `level` could pass, reachable
// from the start and leaving for the end. Splitting them either lifts the chain above `level`
// (raising the lower bound) or makes its cells crossable (lowering the upper one). Returns how many
// were marked.
int markCheapestChain(Workspace& w, const Grid& grid, const Goal& goal, const Bounds& bounds,
                      double level, bool strict) {
  const int rows = goal.anyStart ? grid.rows + 1 : grid.rows;
  if (bounds.lower > level) return 0;
  const Window window{&grid, bounds.chainStart, grid.rows, goal.anyStart};
  // The chain traced back costs at most `level`, so every cell it passes, and every cheaper
  // predecessor, is priced within that band. A start whose lower bound came from elsewhere may
  // have its own chain above `level`: then every cell is priced, to trace back all the same.
  if (chainCost(w, grid, goal, bounds.chainStart, level) > level) {
    chainCost(w, grid, goal, bounds.chainStart, kInfinity);
  }
  int marked = 0;
  int i = grid.columns - 1, j = rows - 1;
  while (true) {
    const int row = window.row(j);
    if (undecided(w, grid, i, row, level, strict)) {
      markCell(w.axes[0], i, w.axes[1], row);
      ++marked;
    }
    if (i == 0 && j == 0) break;
    // Back to the cheapest predecessor, as cheapestChains priced it; the diagonal first among
    // equals.
    const double diagonal =
        i > 0 && j > 0 ? std::max(w.forward(i - 1, j - 1),
                                  std::sqrt(squaredDistance(w.axes[0].corners[i],
                                                            w.axes[1].corners[window.corner(j)])))
                       : kInfinity;
    const double left = i > 0 ? std::max(w.forward(i - 1, j), grid.alongB(i, row).lo) : kInfinity;
    const double below =
        j > 0 ? std::max(w.forward(i, j - 1), grid.alongA(i, window.corner(j)).lo) : kInfinity;
    if (diagonal <= left && diagonal <= below) {
      --i, --j;
    } else if (left <= below) {
      --i;
    } else {
      --j;
    }
  }
  return marked;
}

// Marks the undecided cells of every chain no costlier than `level` (with any start, from any
// start): the cells a walk at `level` could pass. For when refining the cheapest chain alone
// stalls: where the distance is nearly level along a ridge every walk must cross (a path against
// its reversal, long parallel runs), the cheapest chain moves along the ridge from round to round
// and the bounds close by a little each time. Returns how many were marked.
int markCorridor(Workspace& w, const Grid& grid, const Goal& goal, const Bounds& bounds,
                 double level, bool strict) {
  if (bounds.lower > level) return 0;
  // With any start, the tables over two periods hold every start's chains.
  int rows = 2 * grid.rows;
  Window window{&grid, w.relaxedStart, grid.rows, true};
  const ChainTable* forward = &w.relaxedForward;
  const ChainTable* backward = &w.relaxedBackward;
  if (!goal.anyStart) {
    rows = grid.rows;
    window = Window{&grid, 0, grid.rows, false};
    chainCost(w, grid, goal, 0, level);
    chainsToEnd(window, rows, 1, w.backward, level);
    w.work += w.backward.size();
    forward = &w.forward;
    backward = &w.backward;
  }
  int marked = 0;
  for (int i = 0; i < grid.columns; ++i) {
    const int first = forward->first[i];
    for (int j = first; j < first + forward->count[i]; ++j) {
      if ((*forward)(i, j) > level || toEnd(*backward, grid.columns, rows, i, j) > level) continue;
      const int row = window.row(j);
      if (!undecided(w, grid, i, row, level, strict)) continue;
      markCell(w.axes[0], i, w.axes[1], row);
      ++marked;
    }
  }
  return marked;
}

// Marks the cells of the cheapest walk's moves whose bounds exceed `level`: the walk's own
// obstacles; with `splitObstacles` false, only notes the cells it touches. The walk is priced
// banded just above its cost (w.cornerUpper, from `start`): a corner that costs more is on no
// walk as cheap, so the walk traced back is the same.
int markWalk(Workspace& w, const Grid& grid, const Goal& goal, int start, double level,
             bool splitObstacles) {
  const Window window{&grid, start, grid.rows, goal.anyStart};
  cheapestWalk(window, startLeash(w, start), w.walk, std::nextafter(w.cornerUpper, kInfinity));
  if (!splitObstacles) level = kInfinity;
  int marked = 0;
  const auto mark = [&](int ci, int cj) {
    if (ci < 0 || ci >= grid.columns || cj < 0 || cj >= window.span) return;
    const int row = window.row(cj);
    // A cell the grid does not hold is only beside the walk: splitting it cannot help.
    const GridCell* cell = grid.find(ci, row);
    if (!cell || cell->bounds.hi <= level) return;
    markCell(w.axes[0], ci, w.axes[1], row);
    ++marked;
  };
  const auto touch = [&](int ci, int cj) {
    if (ci >= 0 && ci < grid.columns && cj >= 0 && cj < window.span) {
      w.walkCells.emplace_back(ci, window.row(cj));
    }
  };
  int i = grid.columns, j = grid.rows;
  while (true) {
    const unsigned char move = w.walk(i, j).move;
    if (move == kStart) break;
    if (move == kAlongA) {
      --i;
      if (moveAlongA(window, i, j) > level) mark(i, j), mark(i, j - 1);
      touch(i, j), touch(i, j - 1);
    } else if (move == kAlongB) {
      --j;
      if (moveAlongB(window, i, j) > level) mark(i, j), mark(i - 1, j);
      touch(i, j), touch(i - 1, j);
    } else {
      --i, --j;
      if (grid.cell(i, window.row(j)).diag > level) mark(i, j);
      touch(i, j);
    }
  }
  return marked;
}

// The other path's cuts facing `axis`'s cuts of piece k, on piece `other`: where each cut's point
// has its foot well inside that piece.
void addFacingCuts(const Axis& axis, int k, const Axis& otherAxis, int other,
                   std::vector<std::pair<int, double>>& added) {
  const auto first = std::lower_bound(axis.cuts.begin(), axis.cuts.end(), std::make_pair(k, 0.0));
  const Piece& facing = otherAxis.pieces[other];
  for (auto cut = first; cut != axis.cuts.end() && cut->first == k; ++cut) {
    const double s = nearParameter(facing.control, pointAt(axis.pieces[k].control, cut->second));
    if (s > kCutSeparation && s < 1.0 - kCutSeparation) added.emplace_back(other, s);
  }
}

// The cuts on `other` facing the corners that bound `axis`'s piece k, where their feet lie inside
// it. Where the two paths run side by side but their corners do not face each other, every walk
// through corners has leashes longer by the offset (a staircase of moves, or diagonals between
// corners apart along the paths), and halving the pieces only halves the excess: corners that
// face make the excess of second order.
void addCornerFacing(const Axis& axis, int k, const Axis& otherAxis, int other,
                     std::vector<std::pair<int, double>>& added) {
  const Piece& facing = otherAxis.pieces[other];
  for (const int corner : {k, k + 1}) {
    const double s = nearParameter(facing.control, axis.corners[corner]);
    if (s > kCutSeparation && s < 1.0 - kCutSeparation) added.emplace_back(other, s);
  }
}

// A cut across a cell that the walk crosses would leave the walk's corners on the two paths out
// of step there (a diagonal move gone, or a corner facing no corner); the cut facing it on the
// other piece keeps them in step.
void matchWalkCuts(Workspace& w) {
  Axis& a = w.axes[0];
  Axis& b = w.axes[1];
  std::sort(a.cuts.begin(), a.cuts.end());
  std::sort(b.cuts.begin(), b.cuts.end());
  // Each cell once: the walk touches most of its cells from two moves.
  std::sort(w.walkCells.begin(), w.walkCells.end());
  w.walkCells.erase(std::unique(w.walkCells.begin(), w.walkCells.end()), w.walkCells.end());
  std::vector<std::pair<int, double>> forA, forB;
  for (const auto& [i, j] : w.walkCells) {
    addFacingCuts(a, i, b, j, forB);
    addFacingCuts(b, j, a, i, forA);
    addCornerFacing(a, i, b, j, forB);
    addCornerFacing(b, j, a, i, forA);
  }
  for (const auto& cut : forA) markCut(a, cut.first, cut.second);
  for (const auto& cut : forB) markCut(b, cut.first, cut.second);
}

// Where the free-space decision at eps failed: marks the cells it reached (an entry of theirs was
// reached) that a walk at eps may pass but that it could not be sure to cross, their chords too far
// from their pieces. The decision's wall lies among them.
int markFreeSpace(Workspace& w, const Grid& grid, const Goal& goal, int start, double eps) {
  const Window window{&grid, start, grid.rows, goal.anyStart};
  FreeSpace& space = w.free;
  space.columns = grid.columns;
  space.span = grid.rows;
  space.leash = startLeash(w, start);
  FreeSpaceSearch search{grid, window, space, eps};
  if (eps == w.failedEps) {
    std::swap(space.places, w.failedPlaces);  // the decision made at eps this round
  } else if (search.decide()) {
    return 0;
  } else {
    w.work += space.places.size();
  }
  int marked = 0;
  for (int i = 0; i < grid.columns; ++i) {
    const int first = space.places.first[i];
    for (int j = first; j < std::min(first + space.places.count[i], grid.rows); ++j) {
      if (search.h(i, j).empty() && search.v(i, j).empty() && !search.cornerReached(i, j)) continue;
      const int row = window.row(j);
      if (!undecided(w, grid, i, row, eps, true)) continue;
      markCell(w.axes[0], i, w.axes[1], row);
      ++marked;
    }
  }
  return marked;
}

// One refinement at `level`; false when nothing could be split.
bool refineAt(Workspace& w, const Grid& grid, const Goal& goal, const Bounds& bounds, double level,
              double failed, bool corridor, std::int64_t& steps) {
  for (Axis& axis : w.axes) axis.cuts.clear();
  w.walkCells.clear();
  const auto markChain = corridor ? markCorridor : markCheapestChain;
  const int onChain = markChain(w, grid, goal, bounds, level, true);
  // Once a free-space walk is shorter than every walk through corners, the corner walk's
  // obstacles no longer bound anything: they lie all along it (each of its moves between corners
  // that do not face costs their offset), so splitting them would refine the whole grid. The
  // failed decision's cells are split instead.
  const int onWalk = markWalk(w, grid, goal, bounds.bestStart, level, w.cornerUpper <= w.freeUpper);
  const int whereFailed =
      failed > -kInfinity ? markFreeSpace(w, grid, goal, bounds.freeStart, failed) : 0;
  const int marked = onChain + onWalk + whereFailed;
  // A chain whose every cell a diagonal crosses, while the walk cannot use those diagonals: only
  // then are its cells split for their hi alone.
  if (marked == 0) markChain(w, grid, goal, bounds, level, false);
  matchWalkCuts(w);
  SplitPlan plans[2];
  for (int k = 0; k < 2; ++k) planSplit(w.axes[k], plans[k]);
  // The next grid holds at most the cells cut from the cells this one holds: one that might pass
  // the cap is never built, and the search stops with the grid it has. (A piece may take several
  // cuts in one refinement, so the grid can grow more than fourfold.)
  if (inheritedCells(grid, plans[0].pieces, plans[1].pieces) > kMaxCells) {
    w.stop = kGridFull;
    return false;
  }
  for (int k = 0; k < 2; ++k) applySplit(w.axes[k], plans[k]);
  const int splits = plans[0].splits + plans[1].splits;
  steps += splits;
  if (splits == 0) w.stop = kNothingToSplit;
  return splits > 0;
}

ShapePoint cornerPoint(const Shape& shape, const Axis& axis, int k) {
  const bool end = k == static_cast<int>(axis.pieces.size());
  const Piece& piece = axis.pieces[end ? k - 1 : k];
  const double t = end ? piece.t1 : piece.t0;
  return {piece.segment, t, pointAt(shape.segments[piece.segment], t)};
}

// The cheapest walk's corners, and the corner of its costliest move where the leash is longer.
void reportWalk(Workspace& w, const Grid& grid, const Goal& goal, int start, const Shape& a,
                const Shape& b, CertifiedFrechet& result) {
  const Window window{&grid, start, grid.rows, goal.anyStart};
  const double startCost =
      std::sqrt(squaredDistance(w.axes[0].corners[0], w.axes[1].corners[start]));
  cheapestWalk(window, startCost, w.walk);
  std::vector<std::pair<int, int>> corners;
  int i = grid.columns, j = grid.rows;
  double worst = -1.0;
  int worstAt = 0;
  while (true) {
    corners.emplace_back(i, j);
    const unsigned char move = w.walk(i, j).move;
    if (move == kStart) break;
    double bound = 0.0;
    if (move == kAlongA) bound = moveAlongA(window, --i, j);
    if (move == kAlongB) bound = moveAlongB(window, i, --j);
    if (move == kDiagonal) bound = grid.cell(--i, window.row(--j)).diag;
    if (bound > worst) worst = bound, worstAt = static_cast<int>(corners.size());
  }
  std::reverse(corners.begin(), corners.end());
  const int firstOfWorst = static_cast<int>(corners.size()) - 1 - worstAt;
  result.walk.clear();
  for (const auto& corner : corners) {
    result.walk.push_back({cornerPoint(a, w.axes[0], corner.first),
                           cornerPoint(b, w.axes[1], window.corner(corner.second))});
  }
  result.bottleneck = result.walk.front();
  if (corners.size() > 1) {
    const auto leash = [&](int k) {
      return squaredDistance(w.axes[0].corners[corners[k].first],
                             w.axes[1].corners[window.corner(corners[k].second)]);
    };
    const int k = leash(firstOfWorst) >= leash(firstOfWorst + 1) ? firstOfWorst : firstOfWorst + 1;
    result.bottleneck = result.walk[k];
  }
}

// Cuts the axis's first pieces where `point` faces the piece nearest it (at the foot of the point
// there): with any start, B then has a corner facing A's start, where free-space walks start.
void cutFacing(Axis& axis, Point2 point) {
  int nearest = 0;
  double nearestSquared = kInfinity, at = 0.0;
  for (int k = 0; k < static_cast<int>(axis.pieces.size()); ++k) {
    const CubicCurve& c = axis.pieces[k].control;
    const double s = nearParameter(c, point);
    const double squared = squaredDistance(pointAt(c, s), point);
    if (squared < nearestSquared) nearestSquared = squared, nearest = k, at = s;
  }
  if (!(at > kCutSeparation && at < 1.0 - kCutSeparation)) return;
  axis.cuts.assign(1, {nearest, at});
  SplitPlan plan;
  planSplit(axis, plan);
  applySplit(axis, plan);
  // Still the first grid: no piece has bounds to keep.
  for (std::size_t k = 0; k < axis.pieces.size(); ++k) {
    axis.pieces[k].old = -1;
    axis.pieces[k].parent = static_cast<int>(k);
  }
  axis.oldCorner.assign(axis.corners.size(), -1);
}

// A place of a walk on the shape: the axis's corner k moved s along its piece k.
ShapePoint placeOn(const Shape& shape, const Axis& axis, int piece, int corner, double s) {
  if (s == 0.0) return cornerPoint(shape, axis, corner);
  const Piece& p = axis.pieces[piece];
  const double t = p.t0 + s * (p.t1 - p.t0);
  return {p.segment, t, pointAt(shape.segments[p.segment], t)};
}

// Whether the free-space decision finds a walk from B's corner `start` on a leash of eps; when
// it does, the walk's places on the shapes, in order.
bool freeWalk(Workspace& w, const Grid& grid, const Goal& goal, int start, double eps,
              const Shape& a, const Shape& b, std::vector<Leash>& walk) {
  const Window window{&grid, start, grid.rows, goal.anyStart};
  FreeSpace& space = w.free;
  space.columns = grid.columns;
  space.span = grid.rows;
  space.leash = startLeash(w, start);
  FreeSpaceSearch search{grid, window, space, eps};
  const bool found = search.decide();
  w.work += space.places.size();
  if (!found) {
    std::swap(space.places, w.failedPlaces);
    w.failedEps = eps;
    return false;
  }
  walk.clear();
  for (const PlanePoint& p : search.walkBack()) {
    walk.push_back({placeOn(a, w.axes[0], p.i, p.i, p.s),
                    placeOn(b, w.axes[1], window.row(p.j), window.corner(p.j), p.t)});
  }
  return true;
}

// The walk's place where the leash is longest.
Leash longestLeash(const std::vector<Leash>& walk) {
  const auto leash = [](const Leash& l) { return squaredDistance(l.onA.point, l.onB.point); };
  return *std::max_element(walk.begin(), walk.end(),
                           [&](const Leash& x, const Leash& y) { return leash(x) < leash(y); });
}

// The best walk the free-space decision has found: its leash (unwidened) and places.
struct FreeBest {
  double upper = kInfinity;
  std::vector<Leash> walk;
};

// How many free-space decisions a round asks at most.
constexpr int kDecisionsPerRound = 6;

// Asks the free-space decision for a walk shorter than the bounds' upper: at the leash that would
// meet the goal at once (the threshold when deciding, else the lower bound plus the gap), and
// failing that by bisection between there and the upper bound. A walk found lowers the upper
// bound.
double tryFreeWalks(Workspace& w, const Grid& grid, const Goal& goal, Bounds& bounds, double lower,
                    const Shape& a, const Shape& b, FreeBest& best) {
  double failed = goal.deciding ? goal.threshold - goal.widening
                                : lower + goal.gap * (1.0 - 0x1p-20) - goal.widening;
  std::vector<Leash> walk;
  w.failedEps = std::nan("");
  const auto attempt = [&](double eps) {
    if (!(eps < bounds.upper) || !freeWalk(w, grid, goal, bounds.freeStart, eps, a, b, walk)) {
      return false;
    }
    best.upper = eps;
    best.walk.swap(walk);
    bounds.upper = eps;
    return true;
  };
  if (attempt(failed)) return -kInfinity;
  if (goal.deciding) return failed;
  // (Up to where the grid has dropped cells, when no walk is known below it.)
  const auto ceiling = [&] { return std::min(bounds.upper, w.dropLevel); };
  for (int k = 1; k < kDecisionsPerRound && ceiling() - failed > goal.gap; ++k) {
    const double eps = 0.5 * (failed + ceiling());
    if (!attempt(eps)) failed = eps;
  }
  return failed;
}

// The cheapest chain alone is refined only while that closes the gap fast: after a round that left
// more than this share of the gap, the whole corridor is. Where every walk must cross a ridge (a
// closed path against its reversal) the cheapest chain moves along the ridge, refined a little at
// a time, and every round is a pass over the whole grid: the corridor settles the ridge in a few
// rounds. On glyphs too the corridor's larger rounds cost less than the chain's many: FreeSerif
// OTF against TTF at 0.01 took a fifth less time than when only a round that closed less than a
// quarter of the gap brought the corridor in.
constexpr double kChainOnlyGapShare = 0.25;

CertifiedFrechet run(const Shape& a, const Shape& b, const Goal& goal, const SearchFrame& frame,
                     double tolerance) {
  Workspace& w = threadWorkspace();
  prepareShape(a, frame, w.shapes[0]);
  prepareShape(b, frame, w.shapes[1]);
  startAxis(w.axes[0], w.shapes[0].segments);
  startAxis(w.axes[1], w.shapes[1].segments);
  if (goal.anyStart) cutFacing(w.axes[1], w.axes[0].corners[0]);
  int current = 0;
  // With a cutoff only walks as short matter: the first grid drops the cells farther apart, and
  // the lower bound is then known only up to there, which is all the caller asks.
  rebuildGrid(w.axes[0], w.axes[1], nullptr, goal.cutoff, w.grids[current]);
  w.dropLevel = goal.cutoff + kDropMargin;
  std::int64_t steps = 0;
  Bounds bounds{};
  w.startLower.assign(w.axes[1].pieces.size(), -kInfinity);
  w.work = 0;
  w.freeUpper = kInfinity;
  w.stop = kSettled;
  int previousStart = -1;
  double previousGap = kInfinity;
  FreeBest free;
  const auto settled = [&](const Bounds& b) {
    const double lower = std::max(b.lower - goal.widening, goal.knownLower);
    const double upper = b.upper + goal.widening;
    if (goal.deciding) {
      // Or the threshold is within rounding of F.
      return upper <= goal.threshold || lower > goal.threshold || upper - lower <= 4 * kAllowance;
    }
    return upper - lower <= goal.gap || b.lower > goal.cutoff;
  };
  while (true) {
    // Each round rebuilds a grid (up to kMaxCells cells): the search asks before every one.
    if (toldToStop(goal.keepGoing)) {
      w.stop = kToldToStop;
      break;
    }
    const Grid& grid = w.grids[current];
    w.freeUpper = free.upper;
    bounds = currentBounds(w, grid, goal, previousStart);
    // No walk through corners shorter than the free-space walk: none to report or refine.
    w.cornerUpper = bounds.upper < free.upper ? bounds.upper : kInfinity;
    measureOffsets(w);
    w.lower = bounds.lower;
    bounds.upper = std::min(bounds.upper, free.upper);
    bounds.lower = std::min({bounds.lower, bounds.upper, w.dropLevel});
    if (settled(bounds)) break;
    const double lower = std::max(bounds.lower - goal.widening, goal.knownLower);
    const double failed = tryFreeWalks(w, grid, goal, bounds, lower, a, b, free);
    w.freeUpper = free.upper;
    if (settled(bounds)) break;
    const double upper = bounds.upper + goal.widening;
    const double level = goal.deciding ? goal.threshold
                                       : (std::max(bounds.lower, goal.knownLower + goal.widening) +
                                          std::min(bounds.upper, w.dropLevel)) *
                                             0.5;
    const std::size_t cells = grid.cells.size();
    if (cells * 4 > kMaxCells || w.work > kMaxWork) {
      w.stop = cells * 4 > kMaxCells ? kGridFull : kWorkDone;
      break;
    }
    const double gap = upper - lower;
    const bool corridor = gap > kChainOnlyGapShare * previousGap;
    previousGap = gap;
    if (!refineAt(w, grid, goal, bounds, level, failed, corridor, steps)) break;
    rebuildGrid(w.axes[0], w.axes[1], &grid, bounds.upper, w.grids[1 - current]);
    w.dropLevel = std::min(w.dropLevel, bounds.upper + kDropMargin);
    current = 1 - current;
    previousStart = carryStarts(w, bounds.bestStart);
  }
  const Grid& grid = w.grids[current];
  CertifiedFrechet result{};
  const double lower = std::max({bounds.lower - goal.widening, goal.knownLower, 0.0});
  const double upper = std::max(bounds.upper + goal.widening, lower);
  result.lower = scaledOutward(lower, frame.exponent, 0.0);
  result.upper = scaledOutward(upper, frame.exponent, kInfinity);
  if (free.upper < w.cornerUpper) {
    result.walk = free.walk;
    result.bottleneck = longestLeash(free.walk);
  } else {
    reportWalk(w, grid, goal, bounds.bestStart, a, b, result);
  }
  result.steps = steps;
  result.toleranceMet = result.upper - result.lower <= tolerance;
  if (w.stop == kSettled && !goal.deciding && bounds.lower > goal.cutoff) w.stop = kPassedCutoff;
  if (!result.toleranceMet) result.unmetReason = stopReason(w.stop, goal.deciding);
  return result;
}

ShapePoint shapeStart(const Shape& shape) {
  return {0, 0.0, shape.segments.front().p[0]};
}

ShapePoint shapeEnd(const Shape& shape) {
  return {static_cast<int>(shape.segments.size()) - 1, 1.0, shape.segments.back().p[3]};
}

// Every control point of both shapes is one point: both walkers stand still there.
CertifiedFrechet coincidentResult(const Shape& a, const Shape& b, double tolerance) {
  const double widening = a.approximationError + b.approximationError;
  CertifiedFrechet result{};
  result.upper = widening;
  result.bottleneck = {shapeStart(a), shapeStart(b)};
  result.walk = {result.bottleneck, {shapeEnd(a), shapeEnd(b)}};
  result.toleranceMet = widening <= tolerance;
  return result;
}

double widening(const Shape& a, const Shape& b, const SearchFrame& frame) {
  return kAllowance + std::ldexp(a.approximationError + b.approximationError, -frame.exponent);
}

}  // namespace
}  // namespace certified

bool isContinuousPath(const Shape& shape) {
  if (shape.segments.empty()) return false;
  for (std::size_t i = 1; i < shape.segments.size(); ++i) {
    if (!samePoint(shape.segments[i - 1].p[3], shape.segments[i].p[0])) return false;
  }
  return true;
}

bool isClosedPath(const Shape& shape) {
  return isContinuousPath(shape) &&
         samePoint(shape.segments.back().p[3], shape.segments.front().p[0]);
}

std::string frechetSizeProblem(std::size_t segmentsA, std::size_t segmentsB) {
  // Compared by division, so that no product overflows.
  if (segmentsA == 0 || segmentsB <= kMaxFrechetCells / segmentsA) return "";
  return "shape A has " + std::to_string(segmentsA) + " segments and shape B " +
         std::to_string(segmentsB) +
         ": the Fréchet search needs a cell for every pair of segments, and holds at most " +
         std::to_string(kMaxFrechetCells) + " (2^21)";
}

namespace {

// The first grid holds a cell for every pair of segments: larger pairs are refused at once.
void requireGridFits(const Shape& a, const Shape& b) {
  const std::string problem = frechetSizeProblem(a.segments.size(), b.segments.size());
  if (!problem.empty()) throw std::invalid_argument(problem);
}

certified::Goal frechetGoal(const Shape& a, const Shape& b, const FrechetOptions& options,
                            const certified::SearchFrame& frame) {
  certified::Goal goal{};
  goal.widening = certified::widening(a, b, frame);
  goal.anyStart = options.anyStart && isClosedPath(a) && isClosedPath(b);
  goal.keepGoing = options.keepGoing;
  goal.cutoff = certified::kInfinity;
  return goal;
}

}  // namespace

namespace {

// The search in one direction. `knownLower` is a certified lower bound (the Hausdorff
// distance's); the search stops once its lower bound is above `cutoff` too.
CertifiedFrechet oneDirection(const Shape& a, const Shape& b, double tolerance,
                              const FrechetOptions& options, double knownLower, double cutoff) {
  using namespace certified;
  SearchFrame frame;
  if (!chooseFrame(a, b, frame)) return coincidentResult(a, b, tolerance);
  Goal goal = frechetGoal(a, b, options, frame);
  goal.knownLower = std::ldexp(knownLower, -frame.exponent);
  goal.gap = std::max(std::ldexp(tolerance, -frame.exponent), 4 * kAllowance);
  if (cutoff < kInfinity) goal.cutoff = std::ldexp(cutoff, -frame.exponent) + goal.widening;
  return run(a, b, goal, frame, tolerance);
}

FrechetDecision decideOneDirection(const Shape& a, const Shape& b, double threshold,
                                   const FrechetOptions& options, double knownLower) {
  using namespace certified;
  SearchFrame frame;
  CertifiedFrechet distance;
  if (!chooseFrame(a, b, frame)) {
    distance = coincidentResult(a, b, 0.0);
  } else {
    Goal goal = frechetGoal(a, b, options, frame);
    goal.deciding = true;
    goal.threshold = std::ldexp(threshold, -frame.exponent);
    goal.knownLower = std::ldexp(knownLower, -frame.exponent);
    distance = run(a, b, goal, frame, 0.0);
  }
  Verdict verdict = Verdict::kUndecided;
  if (distance.upper <= threshold) verdict = Verdict::kWithin;
  if (distance.lower > threshold) verdict = Verdict::kBeyond;
  return {verdict, distance};
}

// The path walked the other way: segment k of n becomes segment n - 1 - k, its parameter t
// becomes 1 - t (its control points reversed), point for point the same curve.
Shape reversedPath(const Shape& shape) {
  Shape reversed = shape;
  std::reverse(reversed.segments.begin(), reversed.segments.end());
  for (CubicCurve& c : reversed.segments) {
    std::swap(c.p[0], c.p[3]);
    std::swap(c.p[1], c.p[2]);
  }
  return reversed;
}

ShapePoint unreversed(const ShapePoint& p, int segments) {
  return {segments - 1 - p.segment, 1.0 - p.t, p.point};
}

// B's places of a result found on B reversed, as places on B.
void unreverse(CertifiedFrechet& result, int segments) {
  result.reversed = true;
  result.bottleneck.onB = unreversed(result.bottleneck.onB, segments);
  for (Leash& leash : result.walk) leash.onB = unreversed(leash.onB, segments);
}

// Twice the area the control polygons enclose, a sign of which way a closed path turns.
double turning(const Shape& shape) {
  double area = 0.0;
  for (const CubicCurve& c : shape.segments) {
    for (int k = 0; k < 3; ++k) area += c.p[k].x * c.p[k + 1].y - c.p[k + 1].x * c.p[k].y;
  }
  return area;
}

// Which way round B more likely follows A, to measure first: the other way is then usually
// settled by its lower bound passing the first's alone. Closed paths: by the way they turn; open
// ones: by which of B's ends lies nearer A's start and end.
bool reversedLooksCloser(const Shape& a, const Shape& b) {
  if (isClosedPath(a) && isClosedPath(b)) return (turning(a) < 0) != (turning(b) < 0);
  const Point2 a0 = a.segments.front().p[0], a1 = a.segments.back().p[3];
  const Point2 b0 = b.segments.front().p[0], b1 = b.segments.back().p[3];
  using certified::squaredDistance;
  return squaredDistance(a0, b1) + squaredDistance(a1, b0) <
         squaredDistance(a0, b0) + squaredDistance(a1, b1);
}

// Either way round: F is the lesser of the two directions' distances, so it lies between the
// lesser lower and the lesser upper bound; the walk and bottleneck are the lesser upper bound's.
CertifiedFrechet lesserOf(const CertifiedFrechet& x, const CertifiedFrechet& y, double tolerance) {
  CertifiedFrechet result = x.upper <= y.upper ? x : y;
  result.lower = std::min(x.lower, y.lower);
  result.steps = x.steps + y.steps;
  result.toleranceMet = result.upper - result.lower <= tolerance;
  // The lower bound may be the other way's: then so is the reason it did not rise.
  const CertifiedFrechet& other = x.upper <= y.upper ? y : x;
  if (result.unmetReason.empty()) result.unmetReason = other.unmetReason;
  if (result.toleranceMet) result.unmetReason.clear();
  return result;
}

}  // namespace

CertifiedFrechet certifiedFrechet(const Shape& a, const Shape& b, double tolerance,
                                  const FrechetOptions& options) {
  requireGridFits(a, b);
  // The Fréchet distance is at least the Hausdorff distance: its certified lower bound is free
  // (and the same both ways round).
  const double hausdorffLower = certifiedHausdorff(a, b, tolerance, options.keepGoing).lower;
  if (!options.eitherDirection) {
    return oneDirection(a, b, tolerance, options, hausdorffLower, certified::kInfinity);
  }
  const Shape reversed = reversedPath(b);
  const int segments = static_cast<int>(b.segments.size());
  const bool reversedFirst = reversedLooksCloser(a, b);
  CertifiedFrechet first = oneDirection(a, reversedFirst ? reversed : b, tolerance, options,
                                        hausdorffLower, certified::kInfinity);
  // The other way need only be measured until its lower bound passes the first's: the lesser
  // lower bound is then the first's, and the interval no wider than the first's.
  CertifiedFrechet second = oneDirection(a, reversedFirst ? b : reversed, tolerance, options,
                                         hausdorffLower, first.lower);
  if (reversedFirst) unreverse(first, segments);
  if (!reversedFirst) unreverse(second, segments);
  return lesserOf(first, second, tolerance);
}

FrechetDecision decideFrechetWithin(const Shape& a, const Shape& b, double threshold,
                                    const FrechetOptions& options) {
  requireGridFits(a, b);
  const double hausdorffLower = decideWithin(a, b, threshold, options.keepGoing).distance.lower;
  if (!options.eitherDirection) return decideOneDirection(a, b, threshold, options, hausdorffLower);
  const Shape reversed = reversedPath(b);
  const int segments = static_cast<int>(b.segments.size());
  const bool reversedFirst = reversedLooksCloser(a, b);
  FrechetDecision first =
      decideOneDirection(a, reversedFirst ? reversed : b, threshold, options, hausdorffLower);
  if (reversedFirst) unreverse(first.distance, segments);
  if (first.verdict == Verdict::kWithin) return first;  // the lesser is within too
  FrechetDecision second =
      decideOneDirection(a, reversedFirst ? b : reversed, threshold, options, hausdorffLower);
  if (!reversedFirst) unreverse(second.distance, segments);
  FrechetDecision result{second.verdict, lesserOf(first.distance, second.distance, 0.0)};
  // Beyond only when both ways are; within when either is.
  if (second.verdict == Verdict::kBeyond && first.verdict != Verdict::kBeyond) {
    result.verdict = Verdict::kUndecided;
  }
  return result;
}
