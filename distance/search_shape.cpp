#include "distance/search_shape.h"

#include <algorithm>
#include <cmath>

namespace certified {
namespace {

constexpr int kLeafSize = 2;

// Builds the tree over shape.order from the segments' boxes, with an explicit stack of pending
// nodes, splitting each at the median of the box centres along its longer side.
void buildTree(SearchShape& shape) {
  const std::vector<Box>& boxes = shape.boxes;
  struct Pending {
    int node, first, count;
  };
  thread_local std::vector<Pending> pending;
  pending.clear();
  shape.nodes.push_back({});
  pending.push_back({0, 0, static_cast<int>(shape.order.size())});
  while (!pending.empty()) {
    const Pending task = pending.back();
    pending.pop_back();
    Box box = boxes[shape.order[task.first]];
    for (int i = task.first + 1; i < task.first + task.count; ++i) {
      box = mergedBoxes(box, boxes[shape.order[i]]);
    }
    BoxNode& node = shape.nodes[task.node];
    node.box = box;
    if (task.count <= kLeafSize) {
      node.first = task.first;
      node.count = task.count;
      node.left = node.right = -1;
      continue;
    }
    const bool alongX = box.maxX - box.minX >= box.maxY - box.minY;
    const auto centre = [&](int segment) {
      const Box& b = boxes[segment];
      return alongX ? b.minX + b.maxX : b.minY + b.maxY;
    };
    const auto begin = shape.order.begin() + task.first;
    const int half = task.count / 2;
    std::nth_element(begin, begin + half, begin + task.count,
                     [&](int a, int b) { return centre(a) < centre(b); });
    const int left = static_cast<int>(shape.nodes.size());
    node.first = task.first;
    node.count = 0;
    node.left = left;
    node.right = left + 1;
    shape.nodes.push_back({});
    shape.nodes.push_back({});
    pending.push_back({left, task.first, half});
    pending.push_back({left + 1, task.first + half, task.count - half});
  }
}

}  // namespace

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
  out.nodes.clear();
  buildTree(out);
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
