#include "distance/painted_set.h"

#include <algorithm>

#include "geometry/cubic_inline.h"

namespace certified {
namespace {

// Halving a piece 64 times leaves it 2^-64 of its segment: below the frame's resolution, so a
// point still inside its box lies within rounding of the curve.
constexpr int kMaxWindingDepth = 64;

// Whether the box may hold a piece that crosses the ray's line right of q: it reaches right of q
// and spans the line (points above it and points on or below it).
bool mayCross(const Box& box, Point2 q) {
  return box.maxX >= q.x && box.minY <= q.y && box.maxY > q.y;
}

int above(Point2 p, Point2 q) {
  return p.y > q.y ? 1 : 0;
}

void addWinding(std::vector<std::pair<int, int>>& windings, int paint, int crossing) {
  for (auto& [known, winding] : windings) {
    if (known == paint) {
      winding += crossing;
      return;
    }
  }
  windings.push_back({paint, crossing});
}

// Adds the segment's net crossings of the ray to its paint's winding; false when some piece of
// it could not be separated from q.
bool addCrossings(const CubicCurve& segment, int paint, Point2 q, WindingStore& store) {
  store.pieces.clear();
  store.pieces.push_back({segment, 0});
  while (!store.pieces.empty()) {
    const auto [piece, depth] = store.pieces.back();
    store.pieces.pop_back();
    const Box box = boxOf(piece);
    if (!mayCross(box, q)) continue;
    if (box.minX > q.x) {
      const int crossing = above(piece.p[3], q) - above(piece.p[0], q);
      if (crossing != 0) addWinding(store.windings, paint, crossing);
      continue;
    }
    if (depth >= kMaxWindingDepth) return false;
    CubicCurve left, right;
    halveCurve(piece, left, right);
    store.pieces.push_back({left, depth + 1});
    store.pieces.push_back({right, depth + 1});
  }
  return true;
}

bool counts(FillRule rule, int winding) {
  return rule == FillRule::kNonzero ? winding != 0 : (winding % 2) != 0;
}

}  // namespace

void preparePaintedSet(const Shape& shape, const SearchFrame& frame, PaintedSet& out) {
  const std::vector<Contour> contours = contoursOf(shape);
  const std::vector<Paint> paints = paintsOf(shape);
  Shape whole;
  whole.segments = shape.segments;
  out.drawnSegments = static_cast<int>(shape.segments.size());
  out.paintOf.assign(shape.segments.size(), -1);
  out.rules.clear();
  for (int p = 0; p < static_cast<int>(paints.size()); ++p) {
    const Paint& paint = paints[p];
    out.rules.push_back(paint.rule);
    if (!paint.filled) continue;
    for (int c = paint.firstContour; c < paint.firstContour + paint.contourCount; ++c) {
      const Contour& contour = contours[c];
      for (int i = 0; i < contour.segmentCount; ++i) out.paintOf[contour.firstSegment + i] = p;
      if (contour.closed) continue;
      const Point2 start = shape.segments[contour.firstSegment].p[0];
      const Point2 end = shape.segments[contour.firstSegment + contour.segmentCount - 1].p[3];
      whole.segments.push_back(CubicCurve{{end, end, start, start}});
      out.paintOf.push_back(p);
    }
  }
  prepareShape(whole, frame, out.boundary);
  out.anyFill = false;
  for (std::size_t i = 0; i < out.paintOf.size(); ++i) {
    if (out.paintOf[i] < 0) continue;
    const Box& box = out.boundary.boxes[i];
    out.fillBox = out.anyFill ? mergedBoxes(out.fillBox, box) : box;
    out.anyFill = true;
  }
}

Inside insideFill(const PaintedSet& set, Point2 q, WindingStore& store) {
  if (!set.anyFill) return Inside::kNo;
  const SearchShape& boundary = set.boundary;
  store.windings.clear();
  store.nodes.clear();
  store.nodes.push_back(0);
  while (!store.nodes.empty()) {
    const BoxNode& node = boundary.nodes[store.nodes.back()];
    store.nodes.pop_back();
    if (!mayCross(node.box, q)) continue;
    if (node.count == 0) {
      store.nodes.push_back(node.left);
      store.nodes.push_back(node.right);
      continue;
    }
    for (int i = node.first; i < node.first + node.count; ++i) {
      const int segment = boundary.order[i];
      const int paint = set.paintOf[segment];
      if (paint < 0) continue;
      if (!addCrossings(boundary.segments[segment], paint, q, store)) return Inside::kUnknown;
    }
  }
  for (const auto& [paint, winding] : store.windings) {
    if (counts(set.rules[paint], winding)) return Inside::kYes;
  }
  return Inside::kNo;
}

}  // namespace certified
