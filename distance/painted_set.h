// A shape's painted set prepared for the fill search: its whole boundary as a search shape (the
// drawn segments, then the lines that close its filled paints' open contours), and whether a
// point lies inside its fill, decided exactly by winding numbers.
#ifndef DISTANCE_PAINTED_SET_H
#define DISTANCE_PAINTED_SET_H

#include <utility>
#include <vector>

#include "distance/search_shape.h"
#include "distance/shape.h"

namespace certified {

struct PaintedSet {
  // Every point of the painted set that is not inside a fill lies on these segments: the drawn
  // ones first, in input order, then one line (P, P, Q, Q) from the end Q of each open contour
  // of a filled paint back to its start P, which traces that line exactly.
  SearchShape boundary;
  int drawnSegments;
  // For each segment of `boundary`, the paint it belongs to, or -1 when that paint is not filled.
  std::vector<int> paintOf;
  std::vector<FillRule> rules;  // each paint's rule
  bool anyFill;                 // some paint is filled
  Box fillBox;                  // the box of the filled paints' segments, when anyFill
};

// Prepares the shape in the search's frame, reusing out's storage. The shape's structure must be
// valid (structureProblem empty).
void preparePaintedSet(const Shape& shape, const SearchFrame& frame, PaintedSet& out);

enum class Inside { kNo, kYes, kUnknown };

struct WindingStore {
  std::vector<int> nodes;
  std::vector<std::pair<CubicCurve, int>> pieces;  // a piece and its depth
  std::vector<std::pair<int, int>> windings;       // (paint, winding number) met so far
};

// Whether q lies in the fill's interior: off the boundary with a winding number that some filled
// paint's rule counts. The winding number of each paint is the signed count of its contours'
// crossings of the ray from q to the right: a piece whose control points all lie right of q
// crosses the ray's line as often, net, as its ends say, one wholly left of it or on one side of
// the line does not cross, and other pieces are halved. No roots are found: the answer is exact
// for any q farther from the boundary than the few units of rounding by which halving moves a
// piece, and kUnknown when halving cannot separate q from the boundary.
Inside insideFill(const PaintedSet& set, Point2 q, WindingStore& store);

}  // namespace certified

#endif  // DISTANCE_PAINTED_SET_H
