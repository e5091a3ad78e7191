#include "distance/search_shape.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/cubic_inline.h"

namespace certified {
namespace {

constexpr int kLeafSize = 2;
// The index's leaves hold more: a query reads a leaf's pieces side by side in memory, where a
// deeper tree would have it read more nodes scattered over it.
constexpr int kPieceLeafSize = 4;

// Builds the tree over `order` from the items' boxes, with an explicit stack of pending nodes,
// splitting each at the median of the box centres along its longer side. The items are
// partitioned with their boxes beside them, so that the work runs along memory rather than
// through the box of every item it compares.
void buildTree(const std::vector<Box>& boxes, int leafSize, std::vector<int>& order,
               std::vector<BoxNode>& nodes) {
  struct Item {
    Box box;
    int index;
  };
  struct Pending {
    int node, first, count;
  };
  thread_local std::vector<Item> items;
  thread_local std::vector<Pending> pending;
  items.resize(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) items[i] = {boxes[order[i]], order[i]};
  pending.clear();
  nodes.clear();
  nodes.push_back({});
  pending.push_back({0, 0, static_cast<int>(order.size())});
  while (!pending.empty()) {
    const Pending task = pending.back();
    pending.pop_back();
    Box box = items[task.first].box;
    for (int i = task.first + 1; i < task.first + task.count; ++i) {
      box = mergedBoxes(box, items[i].box);
    }
    BoxNode& node = nodes[task.node];
    node.box = box;
    if (task.count <= leafSize) {
      node.first = task.first;
      node.count = task.count;
      node.left = node.right = -1;
      continue;
    }
    const bool alongX = box.maxX - box.minX >= box.maxY - box.minY;
    const auto centre = [alongX](const Item& item) {
      return alongX ? item.box.minX + item.box.maxX : item.box.minY + item.box.maxY;
    };
    const auto begin = items.begin() + task.first;
    const int half = task.count / 2;
    std::nth_element(begin, begin + half, begin + task.count,
                     [&](const Item& a, const Item& b) { return centre(a) < centre(b); });
    const int left = static_cast<int>(nodes.size());
    node.first = task.first;
    node.count = 0;
    node.left = left;
    node.right = left + 1;
    nodes.push_back({});
    nodes.push_back({});
    pending.push_back({left, task.first, half});
    pending.push_back({left + 1, task.first + half, task.count - half});
  }
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = items[i].index;
}

double longerSide(const Box& box) {
  return std::max(box.maxX - box.minX, box.maxY - box.minY);
}

// Halves the pieces whose boxes have a side longer than `size` once, each into its two halves in
// place; when more than `limit` are, only the `limit` longest. Returns how many were halved.
std::size_t halveLonger(std::vector<IndexPiece>& pieces, double size, std::size_t limit) {
  thread_local std::vector<double> sides, wanted;
  sides.resize(pieces.size());
  wanted.clear();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    sides[i] = longerSide(boxOf(pieces[i].control));
    if (pieces[i].depth < kMaxIndexDepth && sides[i] > size) wanted.push_back(sides[i]);
  }
  if (wanted.empty() || limit == 0) return 0;
  double cut = size;
  bool inclusive = false;
  if (wanted.size() > limit) {
    std::nth_element(wanted.begin(), wanted.begin() + (wanted.size() - limit), wanted.end());
    cut = wanted[wanted.size() - limit];
    inclusive = true;
  }
  thread_local std::vector<IndexPiece> halved;
  halved.clear();
  std::size_t count = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const IndexPiece& piece = pieces[i];
    const bool longer = inclusive ? sides[i] >= cut : sides[i] > cut;
    if (count >= limit || piece.depth >= kMaxIndexDepth || !longer) {
      halved.push_back(piece);
      continue;
    }
    // The same halves, and the same parameters, as the point query's own halving makes.
    IndexPiece left = piece, right = piece;
    halveCurve(piece.control, left.control, right.control);
    left.t1 = right.t0 = piece.t0 * 0.5 + piece.t1 * 0.5;
    left.depth = right.depth = piece.depth + 1;
    halved.push_back(left);
    halved.push_back(right);
    ++count;
  }
  pieces.swap(halved);
  return count;
}

}  // namespace

bool refineIndex(SearchShape& shape, double size, std::size_t budget) {
  std::vector<IndexPiece> pieces;
  pieces.swap(shape.pieces);
  if (pieces.empty()) {
    for (int i = 0; i < static_cast<int>(shape.segments.size()); ++i) {
      pieces.push_back({shape.segments[i], 0.0, 1.0, i, 0});
    }
  }
  bool changed = false;
  while (pieces.size() < budget) {
    if (halveLonger(pieces, size, budget - pieces.size()) == 0) break;
    changed = true;
  }
  shape.pieceSize = size;
  if (!changed) {
    // Whole segments are already indexed by the segment tree.
    if (shape.pieceNodes.empty()) pieces.clear();
    shape.pieces.swap(pieces);
    return false;
  }
  thread_local std::vector<Box> boxes;
  thread_local std::vector<int> order;
  boxes.resize(pieces.size());
  order.resize(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    boxes[i] = boxOf(pieces[i].control);
    order[i] = static_cast<int>(i);
  }
  buildTree(boxes, kPieceLeafSize, order, shape.pieceNodes);
  // Stored in the tree's order, so that a leaf covers pieces[first, first + count): its pieces
  // lie side by side, and so do those of nearby leaves, and a query reads a few stretches of
  // memory rather than pieces scattered over it.
  shape.pieces.resize(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) shape.pieces[i] = pieces[order[i]];
  return true;
}

bool chooseFrame(const Shape& a, const Shape& b, SearchFrame& frame) {
  Box box = boxOf(a.segments.front());
  for (const Shape* shape : {&a, &b}) {
    for (const CubicCurve& segment : shape->segments) box = mergedBoxes(box, boxOf(segment));
  }
  // Halves first, so that coordinates near the largest double cannot overflow.
  frame.centre = {box.minX * 0.5 + box.maxX * 0.5, box.minY * 0.5 + box.maxY * 0.5};
  const double reach = std::max({frame.centre.x - box.minX, box.maxX - frame.centre.x,
                                 frame.centre.y - box.minY, box.maxY - frame.centre.y});
  if (!(reach > 0.0)) return false;
  // reach = m * 2^e with m in [0.5, 1): every |coordinate - centre| <= reach < 2^e. The
  // subtraction may round up by a unit, which still leaves the magnitude at most 1.
  std::frexp(reach, &frame.exponent);
  return true;
}

void prepareShape(const Shape& shape, const SearchFrame& frame, SearchShape& out) {
  out.segments.resize(shape.segments.size());
  // A power of two scales exactly; only for a frame so small that its inverse overflows does
  // each coordinate need ldexp.
  const double scale = std::ldexp(1.0, -frame.exponent);
  const bool scaleFits = std::isfinite(scale);
  const auto normalised = [&](double value, double centre) {
    return scaleFits ? (value - centre) * scale : std::ldexp(value - centre, -frame.exponent);
  };
  for (std::size_t i = 0; i < shape.segments.size(); ++i) {
    for (int k = 0; k < 4; ++k) {
      const Point2 p = shape.segments[i].p[k];
      out.segments[i].p[k] = {normalised(p.x, frame.centre.x), normalised(p.y, frame.centre.y)};
    }
  }
  out.boxes.resize(out.segments.size());
  for (std::size_t i = 0; i < out.boxes.size(); ++i) out.boxes[i] = boxOf(out.segments[i]);
  out.order.resize(out.segments.size());
  for (std::size_t i = 0; i < out.order.size(); ++i) out.order[i] = static_cast<int>(i);
  buildTree(out.boxes, kLeafSize, out.order, out.nodes);
  out.pieces.clear();
  out.pieceNodes.clear();
  out.pieceSize = std::numeric_limits<double>::infinity();
}

Box boxOf(const CubicCurve& c) {
  Box box{c.p[0].x, c.p[0].y, c.p[0].x, c.p[0].y};
  for (const Point2& point : c.p) {
    box.minX = std::min(box.minX, point.x);
    box.minY = std::min(box.minY, point.y);
    box.maxX = std::max(box.maxX, point.x);
    box.maxY = std::max(box.maxY, point.y);
  }
  return box;
}

Box mergedBoxes(const Box& a, const Box& b) {
  return {std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::max(a.maxX, b.maxX),
          std::max(a.maxY, b.maxY)};
}

double scaledOutward(double value, int exponent, double outward) {
  const double scaled = std::ldexp(value, exponent);
  const double back = std::ldexp(scaled, -exponent);
  const bool roundedInward = outward < value ? back > value : back < value;
  return roundedInward ? std::nextafter(scaled, outward) : scaled;
}

double squaredDistanceToBox(const Box& box, Point2 q) {
  const double dx = std::max({box.minX - q.x, 0.0, q.x - box.maxX});
  const double dy = std::max({box.minY - q.y, 0.0, q.y - box.maxY});
  return dx * dx + dy * dy;
}

}  // namespace certified
