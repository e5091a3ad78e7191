#include "distance/fill_certificates.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distance/cubic_pieces.h"
#include "geometry/cubic_inline.h"

namespace certified {
namespace {

// Margins, in the frame's units (coordinates of magnitude at most 1): far above the rounding of
// halving and of the products below (a few units of 2^-53), far below anything a certificate
// needs to see.
constexpr double kMargin = 0x1p-36;
// Pieces are halved at most this often below their segment, and at most this many are looked
// at, so that a certificate costs little more than a point query; past either it gives up, and
// the cell is refined instead.
constexpr int kMaxDepth = 48;
constexpr int kMaxPieces = 256;
// A strand's tangents lie within 80 degrees of the window's axis (cos 80 degrees is 0.174).
constexpr double kStrandCosine = 0.2;
// Pieces are first halved until each one's tangents lie within about 30 degrees of its chord.
constexpr double kNarrowCosine = 0.85;
// Pieces smaller than this are not trusted to show their tangents through rounding.
constexpr double kSmallestPiece = 0x1p-30;
// A point this far from the boundary is certainly off it, and its winding number exact.
constexpr double kProbeClearance = 0x1p-38;
// Strands closer than this across the axis are taken as one wall.
constexpr double kApart = 8 * kProbeClearance;

double dot(Point2 a, Point2 b) {
  return a.x * b.x + a.y * b.y;
}

Point2 minus(Point2 a, Point2 b) {
  return {a.x - b.x, a.y - b.y};
}

// Whether the piece may come within `reach` of m, by the Bernstein bound of its squared distance.
bool meetsDisc(const CubicCurve& c, Point2 m, double reach) {
  return squaredDistanceBounds(c, m).lower <= reach * reach;
}

// Pushes every segment whose box comes within `reach` of m onto store.pending.
void segmentsNear(const SearchShape& boundary, Point2 m, double reach, CertificateStore& store) {
  store.nodes.clear();
  store.pending.clear();
  store.nodes.push_back(0);
  while (!store.nodes.empty()) {
    const BoxNode& node = boundary.nodes[store.nodes.back()];
    store.nodes.pop_back();
    if (squaredDistanceToBox(node.box, m) > reach * reach) continue;
    if (node.count == 0) {
      store.nodes.push_back(node.left);
      store.nodes.push_back(node.right);
      continue;
    }
    for (int i = node.first; i < node.first + node.count; ++i) {
      const int segment = boundary.order[i];
      if (squaredDistanceToBox(boundary.boxes[segment], m) > reach * reach) continue;
      store.pending.push_back({boundary.segments[segment], segment, 0.0, 0});
    }
  }
}

// Halves the piece onto store.pending; false past the depth or piece budget.
bool halvePending(const CertificateStore::Piece& piece, CertificateStore& store, int& looked) {
  if (piece.depth >= kMaxDepth || ++looked > kMaxPieces) return false;
  CubicCurve left, right;
  halveCurve(piece.curve, left, right);
  const double half = std::ldexp(1.0, -piece.depth - 1);
  store.pending.push_back({left, piece.segment, piece.t0, piece.depth + 1});
  store.pending.push_back({right, piece.segment, piece.t0 + half, piece.depth + 1});
  return true;
}

bool isPoint(const CubicCurve& c) {
  return samePoint(c.p[0], c.p[1]) && samePoint(c.p[0], c.p[2]) && samePoint(c.p[0], c.p[3]);
}

// +1 when every nonzero difference of consecutive control points (the hodograph's control
// vectors, whose cone holds every tangent of the piece) has cosine at least `cosine` with
// `axis`, -1 when every one has it with -axis, 0 otherwise (and for a point).
int directionAlong(const CubicCurve& c, Point2 axis, double cosine) {
  int direction = 0;
  for (int i = 0; i < 3; ++i) {
    const Point2 d = minus(c.p[i + 1], c.p[i]);
    const double size = std::sqrt(dot(d, d));
    if (size == 0.0) continue;
    const double along = dot(d, axis);
    const int sign = along >= cosine * size ? 1 : along <= -cosine * size ? -1 : 0;
    if (sign == 0 || (direction != 0 && sign != direction)) return 0;
    direction = sign;
  }
  return direction;
}

double largestSide(const Box& box) {
  return std::max(box.maxX - box.minX, box.maxY - box.minY);
}

// The window: the rectangle [-r, r] x [-2r, 2r] in coordinates s along the axis and v across
// it, about m. Taller than wide, so that a strand that turns by up to about 60 degrees either way
// of the axis within it still leaves it through its sides.
constexpr double kWindowHeight = 2.0;  // times r
// The window lies within this many times r of m.
constexpr double kWindowReach = 2.2360679774997898;  // sqrt(1 + 2^2), rounded up

struct Window {
  Point2 m, axis, across;
  double r;
  double height() const { return r * kWindowHeight; }
  Point2 local(Point2 p) const {
    const Point2 d = minus(p, m);
    return {dot(d, axis), dot(d, across)};
  }
  Point2 global(double s, double v) const {
    return {m.x + s * axis.x + v * across.x, m.y + s * axis.y + v * across.y};
  }
};

// The piece's control points' box in window coordinates (it holds the piece).
Box localBox(const Window& w, const CubicCurve& c) {
  Box box{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  for (const Point2& p : c.p) {
    const Point2 q = w.local(p);
    box = {std::min(box.minX, q.x), std::min(box.minY, q.y), std::max(box.maxX, q.x),
           std::max(box.maxY, q.y)};
  }
  return box;
}

bool meetsWindow(const Box& box, const Window& w) {
  return box.maxX >= -w.r && box.minX <= w.r && box.maxY >= -w.height() && box.minY <= w.height();
}

bool pieceBefore(const CertificateStore::Piece& a, const CertificateStore::Piece& b) {
  return a.segment != b.segment ? a.segment < b.segment : a.t0 < b.t0;
}

using Strand = CertificateStore::Strand;
using Wall = CertificateStore::Wall;

bool holds(const CertificateStore::Piece& piece, Foot foot) {
  return piece.segment == foot.segment && foot.t >= piece.t0 &&
         foot.t <= piece.t0 + std::ldexp(1.0, -piece.depth);
}

// Orders the kept pieces chain by chain, each piece starting where the one before ends, and
// records the chains. Pieces of one segment, and segments of one contour, are consecutive when
// sorted by segment and parameter, so a piece's successor is usually the next one; the others
// (where a closed contour's last segment meets its first) are looked for among all.
void cutIntoChains(CertificateStore& store, std::vector<Strand>& strands) {
  std::vector<CertificateStore::Piece>& kept = store.kept;
  std::sort(kept.begin(), kept.end(), pieceBefore);
  const std::size_t n = kept.size(), none = n;
  std::vector<std::size_t>& next = store.next;
  std::vector<char>& hasPrevious = store.hasPrevious;
  next.assign(n, none);
  hasPrevious.assign(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const Point2 end = kept[i].curve.p[3];
    std::size_t found = none;
    if (i + 1 < n && samePoint(end, kept[i + 1].curve.p[0]) && !hasPrevious[i + 1]) {
      found = i + 1;
    }
    for (std::size_t j = 0; j < n && found == none; ++j) {
      if (j != i && !hasPrevious[j] && samePoint(end, kept[j].curve.p[0])) found = j;
    }
    if (found != none) next[i] = found, hasPrevious[found] = 1;
  }
  std::vector<CertificateStore::Piece>& ordered = store.pending;
  ordered.clear();
  strands.clear();
  std::vector<char>& taken = store.taken;
  taken.assign(n, 0);
  // Chains from their first pieces, then what is left: closed loops, started anywhere.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < n; ++i) {
      if (taken[i] || (pass == 0 && hasPrevious[i])) continue;
      strands.push_back({ordered.size(), 0, 0.0, 0.0, 0.0, 0.0});
      for (std::size_t k = i; k != none && !taken[k]; k = next[k]) {
        taken[k] = 1;
        ordered.push_back(kept[k]);
        ++strands.back().count;
      }
    }
  }
  kept.swap(ordered);
  ordered.clear();
}

// Checks one chain: a graph over s (every piece running the same way along the axis) that
// crosses the window from side to side, and finds where it crosses s = 0 and how far it is from
// m. Its ends lie outside the window (a piece beyond an end would meet it, and be kept), and
// inside it vertically, so beyond its sides.
bool describeStrand(const CertificateStore& store, const Window& w, Foot foot, double footDistance,
                    Strand& strand) {
  int direction = 0;
  strand.vLow = std::numeric_limits<double>::infinity();
  strand.vHigh = -strand.vLow;
  strand.lower = strand.upper = std::numeric_limits<double>::infinity();
  for (std::size_t i = strand.first; i < strand.first + strand.count; ++i) {
    const CubicCurve& c = store.kept[i].curve;
    const int d = directionAlong(c, w.axis, kStrandCosine);
    if (d != 0) {
      if (direction != 0 && d != direction) return false;
      direction = d;
    }
    const Box box = localBox(w, c);
    if (box.minX <= 0.0 && box.maxX >= 0.0) {
      strand.vLow = std::min(strand.vLow, box.minY);
      strand.vHigh = std::max(strand.vHigh, box.maxY);
    }
    strand.lower = std::min(strand.lower, std::sqrt(squaredDistanceBounds(c, w.m).lower));
    strand.upper = std::min({strand.upper, std::sqrt(squaredDistance(c.p[0], w.m)),
                             std::sqrt(squaredDistance(c.p[3], w.m))});
    if (holds(store.kept[i], foot)) strand.upper = std::min(strand.upper, footDistance);
  }
  if (direction == 0) return false;
  const Point2 from = w.local(store.kept[strand.first].curve.p[0]);
  const Point2 to = w.local(store.kept[strand.first + strand.count - 1].curve.p[3]);
  const double low = std::min(from.x, to.x), high = std::max(from.x, to.x);
  return low < -w.r && high > w.r && strand.vLow <= strand.vHigh;
}

// Whether the strands' pieces that cross the same s lie apart in v, by more than rounding could
// make of strands that coincide: then the graphs do not meet, and keep one order from side to
// side, with room for a probe between them.
bool strandsApart(const CertificateStore& store, const Window& w, const Strand& a,
                  const Strand& b) {
  for (std::size_t i = a.first; i < a.first + a.count; ++i) {
    const Box p = localBox(w, store.kept[i].curve);
    for (std::size_t j = b.first; j < b.first + b.count; ++j) {
      const Box q = localBox(w, store.kept[j].curve);
      const bool sameS = p.maxX >= q.minX && q.maxX >= p.minX;
      if (sameS && p.maxY + kApart >= q.minY && q.maxY + kApart >= p.minY) return false;
    }
  }
  return true;
}

// The distance from `probe` to the kept pieces and to the window's edge, from below.
double probeClearance(const CertificateStore& store, const Window& w, Point2 local) {
  double clearance = std::min(w.r - std::fabs(local.x), w.height() - std::fabs(local.y));
  const Point2 probe = w.global(local.x, local.y);
  for (const CertificateStore::Piece& piece : store.kept) {
    clearance = std::min(clearance, std::sqrt(squaredDistanceBounds(piece.curve, probe).lower));
  }
  return clearance;
}

// Collects the pieces that may come within the window's reach of m (the window, however turned,
// lies within it), halved until each one's tangents lie within about 30 degrees of its chord and
// it is no larger than r.
bool collectNarrowPieces(const SearchShape& boundary, Point2 m, double r, CertificateStore& store) {
  const double around = r * kWindowReach + kMargin;
  segmentsNear(boundary, m, around, store);
  store.kept.clear();
  int looked = 0;
  while (!store.pending.empty()) {
    const CertificateStore::Piece piece = store.pending.back();
    store.pending.pop_back();
    if (!meetsDisc(piece.curve, m, around)) continue;
    if (largestSide(boxOf(piece.curve)) < kSmallestPiece && !isPoint(piece.curve)) return false;
    const Point2 chord = minus(piece.curve.p[3], piece.curve.p[0]);
    const double length = std::sqrt(dot(chord, chord));
    const bool narrow =
        length > 0.0 &&
        directionAlong(piece.curve, {chord.x / length, chord.y / length}, kNarrowCosine) > 0;
    if (isPoint(piece.curve) || (narrow && largestSide(boxOf(piece.curve)) <= r)) {
      store.kept.push_back(piece);
      continue;
    }
    if (!halvePending(piece, store, looked)) return false;
  }
  return !store.kept.empty();
}

// The window's axis: the chord of the chain through m's foot, which at a corner lies between
// the two sides' tangents.
bool chooseWindow(CertificateStore& store, Point2 m, double r, Foot foot, Window& w) {
  cutIntoChains(store, store.strands);
  for (const Strand& strand : store.strands) {
    bool holdsFoot = false;
    for (std::size_t i = strand.first; i < strand.first + strand.count; ++i) {
      holdsFoot = holdsFoot || holds(store.kept[i], foot);
    }
    if (!holdsFoot) continue;
    const Point2 along = minus(store.kept[strand.first + strand.count - 1].curve.p[3],
                               store.kept[strand.first].curve.p[0]);
    const double length = std::sqrt(dot(along, along));
    if (!(length > 0.0)) return false;
    w.m = m;
    w.axis = {along.x / length, along.y / length};
    w.across = {-w.axis.y, w.axis.x};
    w.r = r;
    return true;
  }
  return false;
}

// Keeps the pieces that meet the window, each running one way along its axis and inside it
// across the axis (halved where only part of one lies beyond the window along the axis).
bool keepWhatMeetsWindow(CertificateStore& store, const Window& w) {
  store.pending.swap(store.kept);
  store.kept.clear();
  int looked = 0;
  while (!store.pending.empty()) {
    const CertificateStore::Piece piece = store.pending.back();
    store.pending.pop_back();
    const Box box = localBox(w, piece.curve);
    if (!meetsWindow(box, w)) continue;
    if (isPoint(piece.curve)) {
      store.kept.push_back(piece);
      continue;
    }
    if (directionAlong(piece.curve, w.axis, kStrandCosine) == 0) return false;
    if (box.minY > -w.height() + kMargin && box.maxY < w.height() - kMargin) {
      store.kept.push_back(piece);
      continue;
    }
    // An end inside the window's extent along the axis and beyond it across: the strand leaves
    // through the top or the bottom, which no halving mends.
    for (const Point2& end : {piece.curve.p[0], piece.curve.p[3]}) {
      const Point2 q = w.local(end);
      if (std::fabs(q.x) <= w.r && std::fabs(q.y) >= w.height()) return false;
    }
    if (!halvePending(piece, store, looked)) return false;
  }
  return !store.kept.empty();
}

// The bounds of the strands' vertical span wherever pieces of both cross the same s: an upper
// bound of how far apart, across the axis, any two of them can be there.
double spanWhereBothCross(const CertificateStore& store, const Window& w, const Strand& a,
                          const Strand& b) {
  double span = 0.0;
  for (std::size_t i = a.first; i < a.first + a.count; ++i) {
    const Box p = localBox(w, store.kept[i].curve);
    for (std::size_t j = b.first; j < b.first + b.count; ++j) {
      const Box q = localBox(w, store.kept[j].curve);
      if (p.maxX < q.minX || q.maxX < p.minX) continue;
      span = std::max(span, std::max(p.maxY, q.maxY) - std::min(p.minY, q.minY));
    }
  }
  return span;
}

// Groups the strands into walls, bottom to top: strands that are not apart (they touch, cross or
// run within rounding of one another) are one wall, whose sides are the graphs of the largest
// and the smallest of its strands' functions, graphs with the same tangents at their corners.
// Strands of different walls are apart, so the walls keep one order across the window.
bool wallsOf(CertificateStore& store, const Window& w, std::vector<Wall>& walls) {
  const std::vector<Strand>& strands = store.strands;
  const std::size_t n = strands.size();
  std::vector<std::size_t>& group = store.next;  // each strand's wall, by its lowest member
  group.resize(n);
  for (std::size_t i = 0; i < n; ++i) group[i] = i;
  const auto root = [&](std::size_t i) {
    while (group[i] != i) i = group[i];
    return i;
  };
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const bool apart = (strands[i].vHigh + kApart < strands[j].vLow ||
                          strands[j].vHigh + kApart < strands[i].vLow) &&
                         strandsApart(store, w, strands[i], strands[j]);
      if (!apart) group[root(j)] = root(i);
    }
  }
  walls.clear();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t r = root(i);
    std::size_t k = 0;
    while (k < walls.size() && walls[k].root != r) ++k;
    if (k == walls.size()) {
      walls.push_back(
          {r, strands[i].vLow, strands[i].vHigh, strands[i].lower, strands[i].upper, 0.0});
    }
    Wall& wall = walls[k];
    wall.vLow = std::min(wall.vLow, strands[i].vLow);
    wall.vHigh = std::max(wall.vHigh, strands[i].vHigh);
    wall.lower = std::min(wall.lower, strands[i].lower);
    wall.upper = std::min(wall.upper, strands[i].upper);
    for (std::size_t j = 0; j < i; ++j) {
      if (root(j) == r)
        wall.thickness =
            std::max(wall.thickness, spanWhereBothCross(store, w, strands[i], strands[j]));
    }
  }
  // A wall's side is within its thickness of any of its strands.
  for (Wall& wall : walls) wall.upper += wall.thickness;
  std::sort(walls.begin(), walls.end(),
            [](const Wall& a, const Wall& b) { return a.vLow < b.vLow; });
  for (std::size_t i = 1; i < walls.size(); ++i) {
    if (!(walls[i - 1].vHigh < walls[i].vLow)) return false;
  }
  return true;
}

}  // namespace

bool feetBehindLine(const SearchShape& boundary, Point2 m, Point2 foot, double halfDiagonal,
                    double reach, CertificateStore& store) {
  const Point2 away = minus(m, foot);
  const double length = std::sqrt(dot(away, away));
  if (!(length > halfDiagonal + kMargin)) return false;
  const Point2 u{away.x / length, away.y / length};
  const double needed = halfDiagonal + kMargin;
  const double searched = reach + kMargin;
  segmentsNear(boundary, m, searched, store);
  int looked = 0;
  while (!store.pending.empty()) {
    const CertificateStore::Piece piece = store.pending.back();
    store.pending.pop_back();
    if (!meetsDisc(piece.curve, m, searched)) continue;
    double nearest = dot(u, minus(m, piece.curve.p[0]));
    for (int k = 1; k < 4; ++k) nearest = std::min(nearest, dot(u, minus(m, piece.curve.p[k])));
    if (nearest > needed) continue;
    if (!halvePending(piece, store, looked)) return false;
  }
  return true;
}

bool strandsWithOneSidedFeet(const PaintedSet& other, Point2 m, Foot foot, double footDistance,
                             double halfDiagonal, double reach, double enough, double& within,
                             CertificateStore& store, WindingStore& winding) {
  within = 0.0;
  const double r = reach + 4 * kMargin;  // beyond the cell's margins below
  if (!collectNarrowPieces(other.boundary, m, r, store)) return false;
  Window w;
  if (!chooseWindow(store, m, r, foot, w)) return false;
  if (!keepWhatMeetsWindow(store, w)) return false;
  if (store.kept.empty()) return false;
  std::vector<Strand>& strands = store.strands;
  cutIntoChains(store, strands);
  for (Strand& strand : strands) {
    if (!describeStrand(store, w, foot, footDistance, strand)) return false;
  }
  std::vector<Wall>& walls = store.walls;
  if (!wallsOf(store, w, walls)) return false;
  // Band j lies between walls j - 1 and j (band 0 below every wall, the last above them). Each
  // is connected within the window, holds no boundary, and so lies inside the other fill or
  // outside it as a whole.
  const double h = halfDiagonal + kMargin;
  for (std::size_t j = 0; j <= walls.size(); ++j) {
    const Wall* below = j > 0 ? &walls[j - 1] : nullptr;
    const Wall* above = j < walls.size() ? &walls[j] : nullptr;
    const double lowBelow = below ? below->lower : w.r;
    const double lowAbove = above ? above->lower : w.r;
    // The cell can only reach a band that holds m or whose wall it reaches.
    const bool holdsM = (!below || below->vHigh < 0.0) && (!above || above->vLow > 0.0);
    if (!holdsM && lowBelow > h && lowAbove > h) continue;
    const double vFrom = below ? below->vHigh : -w.height();
    const double vTo = above ? above->vLow : w.height();
    const Point2 probe{0.0, vFrom * 0.5 + vTo * 0.5};
    if (!(probeClearance(store, w, probe) > kProbeClearance)) return false;
    const Inside inside = insideFill(other, w.global(probe.x, probe.y), winding);
    if (inside == Inside::kUnknown) return false;
    if (inside == Inside::kYes) continue;
    // Outside the fill. The nearest points of the cell's points lie within the window, so in a
    // band with one wall on that wall; in a band between two, every point of the cell in it
    // must lie strictly nearer one wall than the other.
    if (!below || !above) continue;
    const bool belowNearer = below->upper + h < above->lower - h;
    const bool aboveNearer = above->upper + h < below->lower - h;
    if (!belowNearer && !aboveNearer) return false;
  }
  // Within a wall of several strands, every point lies between two of them, so within the
  // wall's thickness of one: no nearer than that can it matter.
  for (const Wall& wall : walls) {
    if (wall.thickness > enough) return false;
    within = std::max(within, wall.thickness);
  }
  return true;
}

namespace {

double nearestOf(Point2 x, const Point2* points, int count) {
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < count; ++i) best = std::min(best, squaredDistance(x, points[i]));
  return std::sqrt(best);
}

bool inSquare(Point2 x, Point2 m, double half) {
  return std::fabs(x.x - m.x) <= half && std::fabs(x.y - m.y) <= half;
}

}  // namespace

double farthestFromNearest(Point2 m, double half, const Point2* points, int count) {
  double largest = 0.0;
  const auto consider = [&](Point2 x) {
    // A candidate computed a little outside the square (by rounding) is pulled onto it.
    x = {std::clamp(x.x, m.x - half, m.x + half), std::clamp(x.y, m.y - half, m.y + half)};
    largest = std::max(largest, nearestOf(x, points, count));
  };
  for (const double sx : {-half, half}) {
    for (const double sy : {-half, half}) consider({m.x + sx, m.y + sy});
  }
  for (int i = 0; i < count; ++i) {
    for (int j = i + 1; j < count; ++j) {
      // The bisector: x.d = c with d = pj - pi and c = (|pj|^2 - |pi|^2) / 2, about m.
      const Point2 d = minus(points[j], points[i]);
      if (d.x == 0.0 && d.y == 0.0) continue;
      const Point2 mid{(points[i].x + points[j].x) * 0.5 - m.x,
                       (points[i].y + points[j].y) * 0.5 - m.y};
      const double c = dot(d, mid);
      for (const double side : {-half, half}) {
        if (d.y != 0.0) consider({m.x + side, m.y + (c - d.x * side) / d.y});
        if (d.x != 0.0) consider({m.x + (c - d.y * side) / d.x, m.y + side});
      }
      for (int k = j + 1; k < count; ++k) {
        const Point2 e = minus(points[k], points[i]);
        const double det = 2 * (d.x * e.y - d.y * e.x);
        if (det == 0.0) continue;
        const double dd = dot(d, d), ee = dot(e, e);
        const Point2 centre{points[i].x + (e.y * dd - d.y * ee) / det,
                            points[i].y + (d.x * ee - e.x * dd) / det};
        if (inSquare(centre, m, half)) consider(centre);
      }
    }
  }
  // The candidates' own rounding, and the points' (evaluated on the curves), well covered.
  return largest * (1 + 0x1p-40) + kMargin;
}

}  // namespace certified
