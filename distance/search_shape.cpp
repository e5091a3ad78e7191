#include "distance/search_shape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

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

// Appends the piece, halved until its box has no side longer than `size` (or it reaches
// kMaxIndexDepth), to `out`, in order along the segment; false, with `out` left longer than
// `budget`, once it would pass it.
bool appendHalved(const IndexPiece& piece, double size, std::size_t budget,
                  std::vector<IndexPiece>& out) {
  if (piece.depth >= kMaxIndexDepth || !(longerSide(boxOf(piece.control)) > size)) {
    out.push_back(piece);
    return out.size() <= budget;
  }
  // The same halves, and the same parameters, as the point query's own halving makes.
  IndexPiece left = piece, right = piece;
  halveCurve(piece.control, left.control, right.control);
  left.t1 = right.t0 = piece.t0 * 0.5 + piece.t1 * 0.5;
  left.depth = right.depth = piece.depth + 1;
  return appendHalved(left, size, budget, out) && appendHalved(right, size, budget, out);
}

// The pieces halved to `size`, or to the first size of size * sqrt(2)^k that keeps them within
// `budget`.
void halvedWithin(const std::vector<IndexPiece>& pieces, double size, std::size_t budget,
                  std::vector<IndexPiece>& out) {
  for (;;) {
    out.clear();
    std::size_t done = 0;
    while (done < pieces.size() && appendHalved(pieces[done], size, budget, out)) ++done;
    if (done == pieces.size()) return;
    // Pieces are about as many as their length over their size: what the pieces done so far
    // made, over all of them, says how much coarser the next try must be, rounded up to a power
    // of sqrt(2).
    const double over = static_cast<double>(out.size()) * pieces.size() / ((done + 1.0) * budget);
    size *= std::exp2(std::max(1.0, std::ceil(2 * std::log2(over))) * 0.5);
  }
}

// A code that orders points along a Z curve over the box: 16 bits of each coordinate, their bits
// interleaved.
std::uint32_t zOrder(Point2 p, const Box& box) {
  const auto quantised = [](double value, double from, double to) {
    const double unit = to > from ? (value - from) / (to - from) : 0.0;
    return static_cast<std::uint32_t>(std::clamp(unit, 0.0, 1.0) * 65535.0);
  };
  const auto spread = [](std::uint32_t v) {
    v = (v | (v << 8)) & 0x00FF00FFu;
    v = (v | (v << 4)) & 0x0F0F0F0Fu;
    v = (v | (v << 2)) & 0x33333333u;
    v = (v | (v << 1)) & 0x55555555u;
    return v;
  };
  return spread(quantised(p.x, box.minX, box.maxX)) |
         (spread(quantised(p.y, box.minY, box.maxY)) << 1);
}

// The node over boxes[first, first + count) of items stored in Z order: halves by count, as
// buildTree splits, so the tree is as deep; the order does the grouping that buildTree's medians
// do, at the cost of one sort.
int buildOrderedNode(const std::vector<Box>& boxes, int first, int count, int leafSize,
                     std::vector<BoxNode>& nodes) {
  const int index = static_cast<int>(nodes.size());
  nodes.push_back({});
  if (count <= leafSize) {
    Box box = boxes[first];
    for (int i = first + 1; i < first + count; ++i) box = mergedBoxes(box, boxes[i]);
    nodes[index] = {box, first, count, -1, -1};
    return index;
  }
  const int half = count / 2;
  const int left = buildOrderedNode(boxes, first, half, leafSize, nodes);
  const int right = buildOrderedNode(boxes, first + half, count - half, leafSize, nodes);
  nodes[index] = {mergedBoxes(nodes[left].box, nodes[right].box), first, 0, left, right};
  return index;
}

}  // namespace

bool refineIndex(SearchShape& shape, double size, std::size_t budget) {
  std::vector<IndexPiece> from;
  from.swap(shape.pieces);
  if (from.empty()) {
    for (int i = 0; i < static_cast<int>(shape.segments.size()); ++i) {
      from.push_back({shape.segments[i], 0.0, 1.0, i, 0});
    }
  }
  std::vector<IndexPiece> pieces;
  halvedWithin(from, size, std::max(budget, from.size()), pieces);
  shape.pieceSize = size;
  if (pieces.size() == from.size()) {
    // Nothing was halved. Whole segments are already indexed by the segment tree.
    if (!shape.pieceNodes.empty()) shape.pieces.swap(from);
    return false;
  }
  // Sorted along a Z curve over the root box, so that a leaf covers pieces[first, first + count):
  // its pieces lie side by side, and so do those of nearby leaves, and a query reads a few
  // stretches of memory rather than pieces scattered over it.
  const Box& root = shape.nodes[0].box;
  thread_local std::vector<std::pair<std::uint32_t, int>> keys;
  thread_local std::vector<Box> unsorted, boxes;
  keys.resize(pieces.size());
  unsorted.resize(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Box& box = unsorted[i] = boxOf(pieces[i].control);
    const Point2 centre{box.minX * 0.5 + box.maxX * 0.5, box.minY * 0.5 + box.maxY * 0.5};
    keys[i] = {zOrder(centre, root), static_cast<int>(i)};
  }
  std::sort(keys.begin(), keys.end());
  shape.pieces.resize(pieces.size());
  boxes.resize(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    shape.pieces[i] = pieces[keys[i].second];
    boxes[i] = unsorted[keys[i].second];
  }
  shape.pieceNodes.clear();
  buildOrderedNode(boxes, 0, static_cast<int>(boxes.size()), kPieceLeafSize, shape.pieceNodes);
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
