// A map of the distance to a shape over a region of the plane: a grid of square cells, each with
// an upper bound of the distance from every one of its points to the shape, and the maxima of
// those bounds over blocks of 2^k x 2^k cells. It bounds a whole piece of the other shape at once
// from the cells its box meets, however long the piece and however many strands of the shape it
// crosses: where a drawing is dense, every cell is near some strand, and a piece needs no
// halving at all to be shown close.
#ifndef DISTANCE_DISTANCE_MAP_H
#define DISTANCE_DISTANCE_MAP_H

#include <cstdint>
#include <vector>

#include "distance/point_distance.h"
#include "distance/search_shape.h"

namespace certified {

struct DistanceMap {
  // Cell (i, j) covers [edgeX(i), edgeX(i + 1)] x [edgeY(j), edgeY(j + 1)], the edges computed
  // by one formula from the corner, so that neighbouring cells share theirs bit for bit and the
  // cells leave no gap between them. Empty (columns 0) when there is no map.
  Point2 corner;
  double side;
  int columns, rows;
  // levels[0][j * columns + i]: the bound of cell (i, j); levels[k]: the largest bound over
  // blocks of 2^k x 2^k cells (fewer at the grid's far edges), ceil(columns / 2^k) a row.
  std::vector<std::vector<double>> levels;
  // spans[j * columns + i]: k when the cell's bound came from the centre of its block of 2^k x 2^k
  // cells (0: its own centre), which can still be divided.
  std::vector<std::uint8_t> spans;
  const SearchShape* shape;  // the shape whose distance it maps
  int finer;                 // blocks were made of 2^finer x 2^finer cells
};

// A map of the distance to `shape` over `region`, in blocks of about `side` (wider if the region
// needs more than `maxCells` cells), each of 2^finer x 2^finer cells. A block's bound is the
// distance from its centre to a point of the shape plus the centre's distance to the block's
// farthest corner: the distance to a set is 1-Lipschitz. A centre whose nearest point found first
// leaves its bound at most `level` needs no closer look; others are looked at to within a
// sixteenth of the block's side. curveBound divides blocks further where it needs them.
void buildDistanceMap(const SearchShape& shape, const Box& region, double side, int maxCells,
                      int finer, double level, PointQueryStore& store, DistanceMap& map);

// An upper bound of the distance from every point of `box` to the map's shape: the largest bound
// of the cells it meets (of a few blocks that cover them). Infinity when the map is empty or the
// box reaches outside its region.
double mapBound(const DistanceMap& map, const Box& box);

// An upper bound of the distance from every point of `curve` to the map's shape, tighter than its
// box's where the curve winds through a box much larger than the cells: the curve is halved (at
// most `halvings` times) where its pieces' boxes are bounded above `enough`, and the blocks under
// a piece that are about as wide as it are divided into quarters, bounded from their own centres
// (each point of a quarter is in its block, so either bound holds for it; the smaller is kept).
// The bound is the largest of the pieces': every point of the curve lies in one of them, and
// each in its control points' box. Where a piece spanning few cells is still above `enough`, the
// curve's own box's bound is returned: the curve is not within `enough` anyway. Infinity for an
// empty map.
double curveBound(DistanceMap& map, PointQueryStore& store, const CubicCurve& curve, int halvings,
                  double enough);

}  // namespace certified

#endif  // DISTANCE_DISTANCE_MAP_H
