#include "fill_reference.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace fill_reference {
namespace {

using Real = long double;

struct Vec {
  Real x, y;
};

Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
Vec operator*(Real k, Vec a) {
  return {k * a.x, k * a.y};
}
Real dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
Vec midpoint(Vec a, Vec b) {
  return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

struct Bezier {
  Vec p[4];
};

// Where along a -> b (0 to 1, clamped) the point nearest q lies.
Real projection(Vec q, Vec a, Vec b) {
  const Vec ab = b - a;
  const Real length2 = dot(ab, ab);
  if (length2 == 0) return 0;
  return std::clamp(dot(q - a, ab) / length2, Real(0), Real(1));
}

Real squaredSegmentDistance(Vec q, Vec a, Vec b) {
  const Vec off = a + projection(q, a, b) * (b - a) - q;
  return dot(off, off);
}

void halve(const Bezier& c, Bezier& left, Bezier& right) {
  const Vec p01 = midpoint(c.p[0], c.p[1]), p12 = midpoint(c.p[1], c.p[2]),
            p23 = midpoint(c.p[2], c.p[3]);
  const Vec p012 = midpoint(p01, p12), p123 = midpoint(p12, p23);
  const Vec mid = midpoint(p012, p123);
  left = {{c.p[0], p01, p012, mid}};
  right = {{mid, p123, p23, c.p[3]}};
}

// The curve and its first two derivatives at t, from the power basis.
struct Jet {
  Vec at, speed, bend;
};
Jet jet(const Bezier& c, Real t) {
  const Vec a1 = 3 * (c.p[1] - c.p[0]);
  const Vec a2 = 3 * (c.p[2] - 2 * c.p[1] + c.p[0]);
  const Vec a3 = c.p[3] - 3 * c.p[2] + 3 * c.p[1] - c.p[0];
  return {c.p[0] + t * (a1 + t * (a2 + t * a3)), a1 + t * (2 * a2 + 3 * t * a3),
          2 * a2 + 6 * t * a3};
}

// An edge of a polyline: a chord of the piece of segment `curve` over [t0, t1], or (curve -1) a
// straight line of the outline itself: a closing line, or a bridge over a gap.
struct Edge {
  Vec a, b;
  int curve;
  Real t0, t1;
};

// The polygon of one filled paint, with its edges sorted into horizontal slabs so that a ray
// crossing count looks at the few edges near the query's y.
struct FilledPaint {
  FillRule rule;
  int firstEdge, edgeCount;
  Real y0 = 0, step = 0;
  std::vector<std::vector<int>> slabs;
};

struct Flat {
  std::vector<Bezier> curves;
  std::vector<Edge> edges;
  std::vector<FilledPaint> fills;
  Real eps = 0;               // the polyline and the outline are within eps of each other
  Vec low{0, 0}, high{0, 0};  // the control points' bounding box
};

std::vector<Contour> contoursFor(const Shape& shape) {
  if (!shape.contours.empty()) return shape.contours;
  std::vector<Contour> contours;
  const int n = static_cast<int>(shape.segments.size());
  const auto meets = [](Point2 a, Point2 b) { return a.x == b.x && a.y == b.y; };
  int first = 0;
  for (int i = 1; i <= n; ++i) {
    if (i < n && meets(shape.segments[i - 1].p[3], shape.segments[i].p[0])) continue;
    contours.push_back(
        {first, i - first, meets(shape.segments[i - 1].p[3], shape.segments[first].p[0])});
    first = i;
  }
  return contours;
}

std::vector<Paint> paintsFor(const Shape& shape, int contours) {
  if (!shape.paints.empty()) return shape.paints;
  return {Paint{0, contours, true, FillRule::kNonzero}};
}

constexpr int kMaxHalvings = 40;

void flattenPiece(const Bezier& c, Real t0, Real t1, int curve, int depth, Real tolerance,
                  std::vector<Edge>& out, Real& worst) {
  const Real flatness = std::sqrt(std::max(squaredSegmentDistance(c.p[1], c.p[0], c.p[3]),
                                           squaredSegmentDistance(c.p[2], c.p[0], c.p[3])));
  if (flatness <= tolerance || depth == kMaxHalvings) {
    out.push_back({c.p[0], c.p[3], curve, t0, t1});
    worst = std::max(worst, flatness);
    return;
  }
  Bezier left, right;
  halve(c, left, right);
  const Real tm = (t0 + t1) / 2;
  flattenPiece(left, t0, tm, curve, depth + 1, tolerance, out, worst);
  flattenPiece(right, tm, t1, curve, depth + 1, tolerance, out, worst);
}

int slabOf(const FilledPaint& fill, Real y) {
  if (fill.step <= 0) return 0;
  const Real k = std::floor((y - fill.y0) / fill.step);
  const Real last = static_cast<Real>(fill.slabs.size() - 1);
  return static_cast<int>(std::clamp(k, Real(0), last));
}

void sortIntoSlabs(FilledPaint& fill, const std::vector<Edge>& edges) {
  Real low = std::numeric_limits<Real>::infinity(), high = -low;
  for (int i = 0; i < fill.edgeCount; ++i) {
    const Edge& e = edges[fill.firstEdge + i];
    low = std::min({low, e.a.y, e.b.y});
    high = std::max({high, e.a.y, e.b.y});
  }
  const int count = std::clamp(fill.edgeCount / 2, 1, 4096);
  fill.y0 = low;
  fill.step = (high - low) / count;
  fill.slabs.assign(count, {});
  // floor((y - y0) / step) is monotone in y, so an edge found in the slabs of both its ends' y
  // is in the slab of every y between.
  for (int i = 0; i < fill.edgeCount; ++i) {
    const Edge& e = edges[fill.firstEdge + i];
    if (e.a.y == e.b.y) continue;  // a horizontal edge crosses no horizontal ray
    const int from = slabOf(fill, std::min(e.a.y, e.b.y)),
              to = slabOf(fill, std::max(e.a.y, e.b.y));
    for (int k = from; k <= to; ++k) fill.slabs[k].push_back(fill.firstEdge + i);
  }
}

int winding(const FilledPaint& fill, const std::vector<Edge>& edges, Vec q) {
  int count = 0;
  for (int i : fill.slabs[slabOf(fill, q.y)]) {
    const Edge& e = edges[i];
    const bool up = e.a.y <= q.y && q.y < e.b.y;
    const bool down = e.b.y <= q.y && q.y < e.a.y;
    if (!up && !down) continue;
    const Real x = e.a.x + (q.y - e.a.y) / (e.b.y - e.a.y) * (e.b.x - e.a.x);
    if (x > q.x) count += up ? 1 : -1;
  }
  return count;
}

// Whether a filled paint counts q inside; meaningful only for q farther than eps + slack from
// every edge.
bool inFills(const Flat& flat, Vec q) {
  for (const FilledPaint& fill : flat.fills) {
    const int w = winding(fill, flat.edges, q);
    if (fill.rule == FillRule::kNonzero ? w != 0 : (w % 2) != 0) return true;
  }
  return false;
}

Flat flatten(const Shape& shape, Real tolerance, Real slack) {
  Flat flat;
  flat.low = {std::numeric_limits<Real>::infinity(), std::numeric_limits<Real>::infinity()};
  flat.high = {-flat.low.x, -flat.low.y};
  for (const CubicCurve& segment : shape.segments) {
    Bezier c;
    for (int k = 0; k < 4; ++k) {
      c.p[k] = {segment.p[k].x, segment.p[k].y};
      flat.low = {std::min(flat.low.x, c.p[k].x), std::min(flat.low.y, c.p[k].y)};
      flat.high = {std::max(flat.high.x, c.p[k].x), std::max(flat.high.y, c.p[k].y)};
    }
    flat.curves.push_back(c);
  }
  const std::vector<Contour> contours = contoursFor(shape);
  Real worst = 0;
  for (const Paint& paint : paintsFor(shape, static_cast<int>(contours.size()))) {
    const int firstEdge = static_cast<int>(flat.edges.size());
    for (int k = paint.firstContour; k < paint.firstContour + paint.contourCount; ++k) {
      const Contour& contour = contours[k];
      const Vec start = flat.curves[contour.firstSegment].p[0];
      Vec pen = start;
      for (int i = contour.firstSegment; i < contour.firstSegment + contour.segmentCount; ++i) {
        const Bezier& c = flat.curves[i];
        if (paint.filled && (pen.x != c.p[0].x || pen.y != c.p[0].y)) {
          flat.edges.push_back({pen, c.p[0], -1, 0, 0});
        }
        flattenPiece(c, 0, 1, i, 0, tolerance, flat.edges, worst);
        pen = c.p[3];
      }
      if (paint.filled && (pen.x != start.x || pen.y != start.y)) {
        flat.edges.push_back({pen, start, -1, 0, 0});
      }
    }
    if (paint.filled) {
      FilledPaint fill;
      fill.rule = paint.rule;
      fill.firstEdge = firstEdge;
      fill.edgeCount = static_cast<int>(flat.edges.size()) - firstEdge;
      sortIntoSlabs(fill, flat.edges);
      flat.fills.push_back(std::move(fill));
    }
  }
  flat.eps = worst + slack;
  return flat;
}

Real magnitudeOf(const Shape& shape) {
  Real m = 0;
  for (const CubicCurve& c : shape.segments) {
    for (const Point2& p : c.p) m = std::max({m, Real(std::fabs(p.x)), Real(std::fabs(p.y))});
  }
  return m;
}

Real slackFor(Real magnitude) {
  return std::max(Real(1e-15) * magnitude, std::numeric_limits<Real>::min());
}

struct Nearest {
  Real distance;
  int edge;
};

// The nearest of `candidates` to q, which must hold every edge that can be nearest.
Nearest nearestOf(const Flat& flat, const std::vector<int>& candidates, Vec q) {
  Real best = std::numeric_limits<Real>::infinity();
  int edge = -1;
  for (int i : candidates) {
    const Real d2 = squaredSegmentDistance(q, flat.edges[i].a, flat.edges[i].b);
    if (d2 < best) best = d2, edge = i;
  }
  return {std::sqrt(best), edge};
}

// A point of the outline near q, from the piece of the nearest edge: Newton steps on the squared
// distance, kept within the piece. Whatever they converge to, the point lies on the curve.
Vec outlinePointNear(const Flat& flat, int edgeIndex, Vec q) {
  const Edge& e = flat.edges[edgeIndex];
  const Real s = projection(q, e.a, e.b);
  if (e.curve < 0) return e.a + s * (e.b - e.a);
  const Bezier& c = flat.curves[e.curve];
  Real t = e.t0 + s * (e.t1 - e.t0);
  Jet j = jet(c, t);
  for (int step = 0; step < 5; ++step) {
    const Vec off = j.at - q;
    const Real curvature = dot(j.speed, j.speed) + dot(j.bend, off);
    if (!(curvature > 0)) break;
    const Real next = std::clamp(t - dot(j.speed, off) / curvature, e.t0, e.t1);
    if (next == t) break;
    const bool settled = std::fabs(next - t) < 1e-9L * (e.t1 - e.t0);
    t = next;
    j = jet(c, t);
    if (settled) break;
  }
  return j.at;
}

class Search {
 public:
  Search(const Shape& a, const Shape& b, Real width, std::int64_t maxCells)
      : width_(width), maxCells_(maxCells) {
    slack_ = slackFor(std::max(magnitudeOf(a), magnitudeOf(b)));
    flats_[0] = flatten(a, width / 16, slack_);
    flats_[1] = flatten(b, width / 16, slack_);
    for (int side = 0; side < 2; ++side) {
      all_[side] = {lists_.size(), static_cast<int>(flats_[side].edges.size())};
      for (int i = 0; i < all_[side].count; ++i) lists_.push_back(i);
    }
  }

  Bounds run() {
    for (int side = 0; side < 2; ++side) {
      const Flat& from = flats_[side];
      const Vec centre = midpoint(from.low, from.high);
      const Real half =
          std::max(from.high.x - from.low.x, from.high.y - from.low.y) / 2 * (1 + 1e-15L) + slack_;
      measure(side, centre, half, 0, all_[side], all_[1 - side]);
    }
    while (!heap_.empty() && heap_.front().upper > lower_ + width_ && cells_ < maxCells_) {
      std::pop_heap(heap_.begin(), heap_.end(), byUpper);
      const Cell cell = heap_.back();
      heap_.pop_back();
      const Real h = cell.half / 2;
      for (const Vec corner : {Vec{-1, -1}, Vec{1, -1}, Vec{-1, 1}, Vec{1, 1}}) {
        measure(cell.side, cell.centre + h * corner, h, cell.depth + 1, cell.from, cell.to);
      }
    }
    const Real open = heap_.empty() ? 0 : heap_.front().upper;
    const Real hi = std::max({finalUpper_, open, lower_});
    return {lower_, hi, cells_, hi - lower_ <= width_};
  }

 private:
  // A run of edge indices in lists_.
  struct List {
    std::size_t offset;
    int count;
  };

  struct Cell {
    Vec centre;
    Real half;
    int depth;
    int side;  // 0: a square of A's painted set measured against B; 1: the other way
    Real upper;
    List from, to;  // the edges of each polyline that can be nearest in the square
  };

  static bool byUpper(const Cell& x, const Cell& y) { return x.upper < y.upper; }

  // The nearest edge of `list` to q (which must hold every edge that can be nearest), leaving
  // the squared distance to each edge of the list in `squared`.
  Nearest scan(const Flat& flat, List list, Vec q, std::vector<Real>& squared) const {
    squared.resize(list.count);
    Real best = std::numeric_limits<Real>::infinity();
    int edge = -1;
    for (int k = 0; k < list.count; ++k) {
      const Edge& e = flat.edges[lists_[list.offset + k]];
      squared[k] = squaredSegmentDistance(q, e.a, e.b);
      if (squared[k] < best) best = squared[k], edge = lists_[list.offset + k];
    }
    return {std::sqrt(best), edge};
  }

  // The edges of `parent` that can be nearest to a point within `reach` of q, given their
  // squared distances and the nearest distance d: an edge nearest to such a point p is within
  // d(p) + reach <= d + 2 reach of q.
  List keepNear(List parent, const std::vector<Real>& squared, Real d, Real reach) {
    const Real limit = d + 2 * reach + slack_;
    List kept{lists_.size(), 0};
    for (int k = 0; k < parent.count; ++k) {
      if (squared[k] <= limit * limit) {
        const int edge = lists_[parent.offset + k];
        lists_.push_back(edge);
        ++kept.count;
      }
    }
    return kept;
  }

  // A certain lower bound of d(q, P_to) for a point q certainly in the source's painted set.
  Real lowerAt(const Flat& to, Vec q, Real d) const {
    if (d <= to.eps + 2 * slack_ || inFills(to, q)) return 0;
    return d - to.eps - 2 * slack_;
  }

  void measure(int side, Vec centre, Real half, int depth, List parentFrom, List parentTo) {
    ++cells_;
    const Flat& from = flats_[side];
    const Flat& to = flats_[1 - side];
    const Real r = half * 1.41421356237309504880L + slack_;
    // Points within `reach` of the centre are served by this square's edge lists: its children
    // (within r / 2 of it, reach r + 4 eps) and the outline points found near it.
    const Real reach = 2 * r + 4 * from.eps + slack_;
    const Nearest nf = scan(from, parentFrom, centre, fromSquared_);
    const bool meetsOutline = nf.distance <= r + from.eps + slack_;
    const bool centrePainted = nf.distance > from.eps + slack_ && inFills(from, centre);
    if (!meetsOutline && !centrePainted) return;  // no point of `from`'s painted set here

    const Nearest nt = scan(to, parentTo, centre, toSquared_);
    const bool centreCovered = nt.distance > to.eps + slack_ && inFills(to, centre);
    Real upper;
    if (centreCovered && nt.distance > r + to.eps + slack_) {
      upper = 0;  // the whole square lies in `to`'s fill
    } else {
      upper = (centreCovered ? 0 : nt.distance + to.eps + slack_) + r;
      // The distance to one edge is convex, so on the square it is largest at a corner, and
      // every point of an edge is within eps of the outline. Where `to`'s outline crosses the
      // square this is about half a side, where the centre's distance gives up to three. It is
      // never below the edge's distance from the centre, which skips most edges.
      const Real h = half + slack_;
      const Vec corners[4] = {centre + Vec{h, h}, centre + Vec{-h, h}, centre + Vec{-h, -h},
                              centre + Vec{h, -h}};
      for (int k = 0; k < parentTo.count; ++k) {
        const Real skip = upper - to.eps - slack_;
        if (skip <= 0 || toSquared_[k] >= skip * skip) continue;
        const Edge& e = to.edges[lists_[parentTo.offset + k]];
        Real worst = 0;
        for (const Vec& corner : corners) {
          worst = std::max(worst, squaredSegmentDistance(corner, e.a, e.b));
        }
        upper = std::min(upper, std::sqrt(worst) + to.eps + slack_);
      }
    }

    const List toKept = keepNear(parentTo, toSquared_, nt.distance, reach);
    if (centrePainted) lower_ = std::max(lower_, lowerAt(to, centre, nt.distance));
    // The outline point matters only where the square is to be split: elsewhere its bound is
    // already within the width of what is known.
    if (meetsOutline && upper > lower_ + width_) {
      const Vec x = outlinePointNear(from, nf.edge, centre);
      const Vec off = x - centre;
      const bool near = std::sqrt(dot(off, off)) <= reach;
      const Real d = scan(to, near ? toKept : all_[1 - side], x, xSquared_).distance;
      lower_ = std::max(lower_, lowerAt(to, x, d));
    }
    if (upper <= lower_ + width_ || half <= slack_ || depth >= 80) {
      finalUpper_ = std::max(finalUpper_, upper);
      lists_.resize(toKept.offset);  // no square will read them
      return;
    }
    const List fromKept = keepNear(parentFrom, fromSquared_, nf.distance, reach);
    heap_.push_back({centre, half, depth, side, upper, fromKept, toKept});
    std::push_heap(heap_.begin(), heap_.end(), byUpper);
  }

  Real width_;
  std::int64_t maxCells_;
  Real slack_ = 0;
  Flat flats_[2];
  std::vector<int> lists_;  // every square's edge lists, end to end
  List all_[2];
  std::vector<Cell> heap_;
  std::vector<Real> fromSquared_, toSquared_, xSquared_;
  Real lower_ = 0;
  Real finalUpper_ = 0;
  std::int64_t cells_ = 0;
};

}  // namespace

Bounds fillHausdorff(const Shape& a, const Shape& b, long double width, std::int64_t maxCells) {
  return Search(a, b, width, maxCells).run();
}

PointBounds distanceToPainted(const Shape& shape, long double x, long double y,
                              long double flatness) {
  const Real slack = slackFor(std::max({magnitudeOf(shape), std::fabs(x), std::fabs(y)}));
  const Flat flat = flatten(shape, flatness, slack);
  std::vector<int> all(flat.edges.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  const Vec q{x, y};
  const Real d = nearestOf(flat, all, q).distance;
  if (d <= flat.eps + slack) return {0, d + flat.eps + slack};
  if (inFills(flat, q)) return {0, 0};
  return {d - flat.eps - slack, d + flat.eps + slack};
}

}  // namespace fill_reference
