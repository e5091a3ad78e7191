#include "frechet_reference.h"

#include <algorithm>
#include <cmath>

namespace frechet_reference {
namespace {

Vertex toVertex(Point2 p) {
  return {p.x, p.y};
}

Vertex mix(Vertex a, Vertex b, long double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

long double distance(Vertex a, Vertex b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// The cubic's blossom at (u, v, w): de Casteljau with a different parameter on each row. The
// piece over [u, v] has the control points blossom(u,u,u), (u,u,v), (u,v,v), (v,v,v).
Vertex blossom(const CubicCurve& c, long double u, long double v, long double w) {
  Vertex row[4] = {toVertex(c.p[0]), toVertex(c.p[1]), toVertex(c.p[2]), toVertex(c.p[3])};
  const long double parameters[3] = {u, v, w};
  for (int level = 0; level < 3; ++level) {
    for (int k = 0; k < 3 - level; ++k) row[k] = mix(row[k], row[k + 1], parameters[level]);
  }
  return row[0];
}

// The largest distance between the piece's control points and those of its chord walked at
// constant speed (the chord as a cubic: its ends and the points at a third and two thirds). The
// difference of the two is the Bernstein combination of these, so every pair of points at equal
// parameters is at most that far apart.
long double chordError(const CubicCurve& c, long double u, long double v) {
  const Vertex start = blossom(c, u, u, u), end = blossom(c, v, v, v);
  const long double inner = std::max(distance(blossom(c, u, u, v), mix(start, end, 1.0L / 3)),
                                     distance(blossom(c, u, v, v), mix(start, end, 2.0L / 3)));
  // The polyline's vertices are the blossom's ends, so only the inner points differ.
  return inner;
}

struct Range {
  long double lo, hi;  // empty when lo > hi
  bool empty() const { return lo > hi; }
};

const Range kEmpty{1, 0};

// The parameters t in [0, 1] where a + t (b - a) lies within `leash` of p.
Range freeRange(Vertex p, Vertex a, Vertex b, long double leash) {
  const long double dx = b.x - a.x, dy = b.y - a.y, ox = a.x - p.x, oy = a.y - p.y;
  const long double qa = dx * dx + dy * dy, qb = 2 * (dx * ox + dy * oy);
  const long double qc = ox * ox + oy * oy - leash * leash;
  if (qa == 0) return qc <= 0 ? Range{0, 1} : kEmpty;
  const long double discriminant = qb * qb - 4 * qa * qc;
  if (discriminant < 0) return kEmpty;
  const long double root = std::sqrt(discriminant);
  const Range range{std::max((-qb - root) / (2 * qa), 0.0L),
                    std::min((-qb + root) / (2 * qa), 1.0L)};
  return range;
}

}  // namespace

Polyline polylineOf(const Shape& path, int pieces) {
  Polyline line{{}, 0};
  line.vertices.push_back(toVertex(path.segments.front().p[0]));
  for (const CubicCurve& c : path.segments) {
    for (int k = 0; k < pieces; ++k) {
      const long double u = static_cast<long double>(k) / pieces;
      const long double v = static_cast<long double>(k + 1) / pieces;
      line.vertices.push_back(blossom(c, v, v, v));
      line.error = std::max(line.error, chordError(c, u, v));
    }
  }
  return line;
}

bool withinLeash(const Polyline& p, const Polyline& q, long double leash) {
  const std::vector<Vertex>& P = p.vertices;
  const std::vector<Vertex>& Q = q.vertices;
  const int n = static_cast<int>(P.size()) - 1, m = static_cast<int>(Q.size()) - 1;
  if (distance(P[0], Q[0]) > leash || distance(P[n], Q[m]) > leash) return false;
  // left[i][j]: the reachable part of the edge where p stands at P[i] and q walks Q[j]Q[j+1];
  // bottom[i][j]: where q stands at Q[j] and p walks P[i]P[i+1].
  thread_local std::vector<Range> left, bottom;  // reused: the decision runs many times
  left.assign(static_cast<std::size_t>(n + 1) * m, kEmpty);
  bottom.assign(static_cast<std::size_t>(n) * (m + 1), kEmpty);
  const auto L = [&](int i, int j) -> Range& { return left[static_cast<std::size_t>(i) * m + j]; };
  const auto B = [&](int i, int j) -> Range& {
    return bottom[static_cast<std::size_t>(i) * (m + 1) + j];
  };
  bool open = true;
  for (int j = 0; j < m && open; ++j) {
    const Range free = freeRange(P[0], Q[j], Q[j + 1], leash);
    if (free.empty() || free.lo > 0) break;
    L(0, j) = free;
    open = free.hi >= 1;
  }
  open = true;
  for (int i = 0; i < n && open; ++i) {
    const Range free = freeRange(Q[0], P[i], P[i + 1], leash);
    if (free.empty() || free.lo > 0) break;
    B(i, 0) = free;
    open = free.hi >= 1;
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < m; ++j) {
      const Range fromLeft = L(i, j), fromBelow = B(i, j);
      if (fromLeft.empty() && fromBelow.empty()) continue;
      // The free space of a cell is convex, so from a reachable point every free point above and
      // to the right of it is reachable in a straight line.
      const Range right = freeRange(P[i + 1], Q[j], Q[j + 1], leash);
      const Range top = freeRange(Q[j + 1], P[i], P[i + 1], leash);
      if (!fromBelow.empty()) {
        L(i + 1, j) = right;
      } else {
        L(i + 1, j) = {std::max(right.lo, fromLeft.lo), right.hi};
      }
      if (!fromLeft.empty()) {
        B(i, j + 1) = top;
      } else {
        B(i, j + 1) = {std::max(top.lo, fromBelow.lo), top.hi};
      }
    }
  }
  const Range lastLeft = L(n, m - 1), lastBottom = B(n - 1, m);
  return (!lastLeft.empty() && lastLeft.hi >= 1) || (!lastBottom.empty() && lastBottom.hi >= 1);
}

Interval frechet(const Shape& a, const Shape& b, int pieces) {
  const Polyline p = polylineOf(a, pieces), q = polylineOf(b, pieces);
  long double lo = std::max(distance(p.vertices.front(), q.vertices.front()),
                            distance(p.vertices.back(), q.vertices.back()));
  long double hi = 0;
  for (const Vertex& u : p.vertices) {
    for (const Vertex& v : q.vertices) hi = std::max(hi, distance(u, v));
  }
  // Every walk stays within the largest distance between points of the two polylines, which is
  // attained at vertices; the start and end distances bound it from below.
  const long double error = p.error + q.error;
  // Bisected until the polylines' own error dominates the interval.
  const long double enough = std::max(error / 16, 1e-16L * hi);
  if (withinLeash(p, q, lo)) {
    hi = lo;
  } else {
    for (int step = 0; step < 64 && hi - lo > enough; ++step) {
      const long double middle = (lo + hi) / 2;
      (withinLeash(p, q, middle) ? hi : lo) = middle;
    }
  }
  return {lo - error, hi + error};
}

}  // namespace frechet_reference
