// A shape prepared for the certified search: its segments in the search's centred, scaled
// coordinates, a tree of bounding boxes over them, and the index the point queries prune by: a
// tree over pieces of the segments, which is the segment tree itself until the search refines it
// (long segments that cross each other everywhere have boxes that hold most of the drawing, and
// a tree over them prunes nothing; halved, their pieces' boxes are small and the tree prunes
// again).
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

// A piece of a segment over [t0, t1], made from it by `depth` halvings, exactly as a point query
// halving the segment would make it.
struct IndexPiece {
  CubicCurve control;
  double t0, t1;
  int segment;
  int depth;
};

struct SearchShape {
  std::vector<CubicCurve> segments;  // normalised, in input order
  std::vector<BoxNode> nodes;        // nodes[0] is the root
  std::vector<int> order;            // segment indices, grouped by leaf
  std::vector<Box> boxes;            // each segment's control points' bounding box
  // The point queries' index. Empty `pieces`: the segment tree above is the index (each segment a
  // whole piece); otherwise pieceNodes is a tree over `pieces`, which cover every segment's
  // parameter range once, a leaf covering pieces[first, first + count).
  std::vector<IndexPiece> pieces;
  std::vector<BoxNode> pieceNodes;
  // The size refineIndex last aimed at (infinity before): pieces' boxes have no longer side
  // unless the depth limit or the budget kept them whole.
  double pieceSize;
};

// Index pieces are halved at most this often below their segment.
constexpr int kMaxIndexDepth = 20;

// The frame that brings both shapes' control points within [-1, 1]. Returns false when every
// control point of both shapes is the same point (the distance is then 0).
bool chooseFrame(const Shape& a, const Shape& b, SearchFrame& frame);

// Normalises the shape's segments into `out` and builds its box tree, reusing out's storage.
void prepareShape(const Shape& shape, const SearchFrame& frame, SearchShape& out);

// Halves every piece of the index whose box has a side longer than `size`, until none has (or
// they reach kMaxIndexDepth), and rebuilds the index's tree. Where the pieces would pass
// `budget`, they are halved to the first of size * sqrt(2)^k that keeps them within it. Returns
// whether any piece was halved.
bool refineIndex(SearchShape& shape, double size, std::size_t budget);

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
