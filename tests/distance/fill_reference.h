// An independent fill distance between shapes, for checking the certified fill search: the
// outlines flattened into polylines with a proven bound, winding numbers counted by ray
// crossings on those polygons, and an adaptive grid of squares over each painted set, all in
// long double. It shares nothing with distance/ but the input types (it reads contours and paints
// itself, deriving them as distance/shape.h describes when a shape leaves them out).
//
// Terms. For a shape S, O_S is its outline: every segment, and for a filled paint the straight
// line that closes each open contour. W_S is the set of points off a filled paint's contours that
// its rule counts as inside (winding number not 0, or odd); the painted set is P_S = O_S ∪ W_S.
// For any point q, d(q, P_S) = 0 when q lies in W_S, and d(q, O_S) otherwise. The fill distance
// is F = max(h(A, B), h(B, A)) with h(A, B) = sup over p in P_A of d(p, P_B).
//
// Why [lo, hi] holds F.
// 1. Flattening. Each segment is halved (de Casteljau, long double) until both inner control
//    points lie within e of the chord between its ends; e_S is the largest such distance over
//    S's pieces plus a rounding allowance s (below). A piece lies in its control points' hull and
//    the distance to a segment is convex, so every point of the piece is within e_S of its chord;
//    the piece runs from one end of the chord to the other, so its projection onto the chord's
//    line passes every chord point, each from a piece point no farther than e_S. So the polyline
//    (closing lines kept exact) is within e_S of O_S both ways: |d(q, O_S) - d(q, poly_S)| <= e_S.
// 2. Winding. If d(q, poly_S) > e_S + s, q is off every curve, and every filled paint's winding
//    number about q is that of its polygon: each piece is carried onto its chord through the
//    straight homotopy to its nearest chord points, which stays within e_S of the polyline and so
//    away from q. The polygon's count is the signed crossings of the ray to +x, each edge taken
//    over the half-open range of its ends' y (exact comparisons), the crossing's x computed to
//    within a few units of the last place, which cannot put it on the wrong side of q when q is
//    more than s from the edge. Closer points have an uncertain winding: they count as neither
//    inside nor outside.
// 3. Cells. Each direction covers the bounding box of the source shape's control points (which
//    holds its painted set) with squares, split into four as needed. A square of centre c and
//    half-diagonal r (rounding included) is measured: with d_X = d(c, poly_X),
//    - if d_from > r + e_from + s, the square meets no curve of `from`, so every fill's winding
//      is constant on it: outside W_from at c, it holds no point of P_from and is dropped;
//    - every point of it is within r of c and d(., P_to) is 1-Lipschitz, so its upper bound is
//      u(c) + r, where u(c) = 0 when c is certainly in W_to, else d_to + e_to + s; and it is 0
//      when the whole square certainly lies in W_to (d_to > r + e_to + s, c inside);
//    - lower bounds come from points certainly in P_from: c when it is certainly in W_from, and
//      when the square meets the outline, the point of the outline nearest c (the nearest edge's
//      piece, its parameter refined by Newton steps on the exact curve; any parameter gives a
//      point of the curve, so the steps only tighten the bound). A point q certainly outside
//      W_to and off O_to has d(q, P_to) >= d_to - e_to - 2s; any other point gives 0.
//    Squares are split largest upper bound first until every upper bound is within `width` of
//    the largest lower bound. lo is that largest lower bound, attained by a point of one painted
//    set; hi is the largest upper bound of the squares left, which together cover both painted
//    sets. Squares of the two directions share one queue, as F is the larger of the two.
// 4. Rounding. s = 1e-15 times the largest coordinate magnitude of the two shapes: the
//    computations' own rounding (long double, 2^-64 per operation, a few dozen operations deep,
//    and halvings that share their points bit for bit) stays below a hundredth of it.
//
// What it proves and what it does not. lo and hi always hold F (the shapes' approximationError is
// not taken into account). Near F the squares shrink until the two bounds meet to within
// `width`, so a positive F is pinned to about `width` (a fraction of a percent of the shapes'
// size in the tests); but sampling cannot tell F = 0 from F smaller than `width`: where the
// painted sets coincide, lo is 0 and hi is only below `width`. It says nothing finer than its
// width, so it checks a certified interval by overlap, not by containment of a number.
#ifndef TESTS_DISTANCE_FILL_REFERENCE_H
#define TESTS_DISTANCE_FILL_REFERENCE_H

#include <cstdint>

#include "distance/shape.h"

namespace fill_reference {

struct Bounds {
  long double lo;
  long double hi;
  std::int64_t cells;  // squares measured
  bool finished;       // hi - lo <= width; false when maxCells squares were measured first
};

// lo <= F <= hi, with hi - lo <= width (absolute, > 0) when finished. Both shapes need at least
// one segment, and their contours must be continuous (a gap inside a filled paint's contour is
// bridged by a straight line, which then belongs to the outline).
Bounds fillHausdorff(const Shape& a, const Shape& b, long double width,
                     std::int64_t maxCells = 4'000'000);

// lo <= d(q, P_S) <= hi for the point q = (x, y), with the outline flattened to within
// `flatness` (absolute, > 0): hi - lo is at most about 2 * flatness, and lo is 0 within that of
// the outline.
struct PointBounds {
  long double lo;
  long double hi;
};
PointBounds distanceToPainted(const Shape& shape, long double x, long double y,
                              long double flatness);

}  // namespace fill_reference

#endif  // TESTS_DISTANCE_FILL_REFERENCE_H
