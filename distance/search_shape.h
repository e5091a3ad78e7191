// A shape prepared for the certified search: its segments in the search's centred, scaled
// coordinates, and a tree of bounding boxes over them so that a point query visits only the
// segments that can be nearest.
#ifndef DISTANCE_SEARCH_SHAPE_H
#define DISTANCE_SEARCH_SHAPE_H

#include <vector>

#include "distance/shape.h"

namespace certified {

// normalised = (original - centre) * 2^-exponent. The exponent is chosen so that every
// normalised coordinate has magnitude at most 1; a power of two scales without rounding.
struct SearchFrame {
  Point2 centre;
  int exponent;
};

struct Box {
  double minX, minY, maxX, maxY;
};

// A node covers segments order[first, first + count) when it is a leaf (count > 0), and has two
// children otherwise.
struct BoxNode {
  Box box;
  int first;
  int count;
  int left;
  int right;
};

struct SearchShape {
  std::vector<CubicCurve> segments;  // normalised, in input order
  std::vector<BoxNode> nodes;        // nodes[0] is the root
  std::vector<int> order;            // segment indices, grouped by leaf
  std::vector<Box> boxes;            // each segment's control points' bounding box
};

// The frame that brings both shapes' control points within [-1, 1]. Returns false when every
// control point of both shapes is the same point (the distance is then 0).
bool chooseFrame(const Shape& a, const Shape& b, SearchFrame& frame);

// Normalises the shape's segments into `out` and builds its box tree, reusing out's storage.
void prepareShape(const Shape& shape, const SearchFrame& frame, SearchShape& out);

// The squared distance from q to the box (0 inside it).
double squaredDistanceToBox(const Box& box, Point2 q);

// The bounding box of the curve's control points, which holds the curve.
Box boxOf(const CubicCurve& c);

// The smallest box that holds both.
Box mergedBoxes(const Box& a, const Box& b);

// value * 2^exponent (a length in the frame, back in the input's units), moved one step toward
// `outward` (0 for a lower bound, infinity for an upper one) if scaling rounded it the other way.
// A power of two scales exactly unless the result falls among the subnormal numbers, whose
// spacing is fixed, and ldexp then rounds to nearest; scaling the result back up is exact, so it
// tells which way the rounding went.
double scaledOutward(double value, int exponent, double outward);

}  // namespace certified

#endif  // DISTANCE_SEARCH_SHAPE_H
