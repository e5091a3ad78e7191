#include "distance/distance_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/cubic_inline.h"

namespace certified {
namespace {

// Above 1 by a few units of 2^-53: a product or sum of a few rounded terms, scaled by it, is no
// smaller than the exact value.
constexpr double kRoundUp = 1 + 0x1p-48;
// A level's blocks are read at most this many a row and a column.
constexpr int kBlocksAcross = 4;

double edge(double corner, double side, int i) {
  return corner + i * side;
}

// The cell count along one axis that covers [from, to].
int cellsAcross(double from, double to, double side) {
  int count = std::max(1, static_cast<int>(std::ceil((to - from) / side)));
  while (edge(from, side, count) < to) ++count;
  return count;
}

// The cell along one axis whose edges hold x, for an x within the map's edges: the quotient's
// rounding may put it one off, which comparing with the edges themselves puts right.
int cellOf(double x, double corner, double side, int count) {
  int i = std::clamp(static_cast<int>(std::floor((x - corner) / side)), 0, count - 1);
  while (i > 0 && edge(corner, side, i) > x) --i;
  while (i < count - 1 && edge(corner, side, i + 1) < x) ++i;
  return i;
}

// The farthest corner of the cell between the edges from `centre`, rounded up.
double cornerReach(Point2 centre, double x0, double x1, double y0, double y1) {
  const double dx = std::max(centre.x - x0, x1 - centre.x);
  const double dy = std::max(centre.y - y0, y1 - centre.y);
  return std::sqrt(dx * dx + dy * dy) * kRoundUp;
}

// The cells a box within the map's edges meets: columns i0..i1, rows j0..j1.
struct CellRange {
  int i0, j0, i1, j1;
};

CellRange cellsUnder(const DistanceMap& map, const Box& box) {
  return {cellOf(box.minX, map.corner.x, map.side, map.columns),
          cellOf(box.minY, map.corner.y, map.side, map.rows),
          cellOf(box.maxX, map.corner.x, map.side, map.columns),
          cellOf(box.maxY, map.corner.y, map.side, map.rows)};
}

double& cellBound(DistanceMap& map, int i, int j) {
  return map.levels[0][static_cast<std::size_t>(j) * map.columns + i];
}

// Bounds the cells of the block of 2^span x 2^span cells from (i, j) (those within the grid) from
// the block's centre: at most `bound` already, if they are (a bound of a larger block that holds
// this one). A centre whose nearest point found first leaves the bound at most `enough` needs no
// closer look; others are looked at to within a sixteenth of the block's side. `seed`: a nearest
// point near the centre, updated to the centre's.
void boundBlock(DistanceMap& map, PointQueryStore& store, int i, int j, int span, double enough,
                Foot& seed) {
  const int cells = 1 << span;
  const double x0 = edge(map.corner.x, map.side, i), x1 = edge(map.corner.x, map.side, i + cells);
  const double y0 = edge(map.corner.y, map.side, j), y1 = edge(map.corner.y, map.side, j + cells);
  const Point2 centre{x0 * 0.5 + x1 * 0.5, y0 * 0.5 + y1 * 0.5};
  const double reach = cornerReach(centre, x0, x1, y0, y1);
  const QueryPrecision precision{enough - reach, (x1 - x0) * 0.0625, 0.0, 0.0};
  const PointDistance d = distanceToShape(*map.shape, centre, seed, {-1, 0.0}, precision, store);
  if (d.foot.segment >= 0) seed = d.foot;
  const double bound = (d.upper + reach) * kRoundUp;
  for (int row = j; row < std::min(j + cells, map.rows); ++row) {
    for (int column = i; column < std::min(i + cells, map.columns); ++column) {
      double& cell = cellBound(map, column, row);
      cell = std::min(cell, bound);
      map.spans[static_cast<std::size_t>(row) * map.columns + column] =
          static_cast<std::uint8_t>(span);
    }
  }
}

// Recomputes the levels' blocks over cells [i0, i1] x [j0, j1].
void updateLevels(DistanceMap& map, int i0, int j0, int i1, int j1) {
  int columns = map.columns;
  for (std::size_t level = 1; level < map.levels.size(); ++level) {
    const int upColumns = (columns + 1) / 2;
    const int rows = ((map.rows - 1) >> (level - 1)) + 1;
    for (int j = j0 >> level; j <= j1 >> level; ++j) {
      for (int i = i0 >> level; i <= i1 >> level; ++i) {
        double largest = 0.0;
        for (int row = 2 * j; row <= std::min(2 * j + 1, rows - 1); ++row) {
          for (int column = 2 * i; column <= std::min(2 * i + 1, columns - 1); ++column) {
            largest = std::max(
                largest, map.levels[level - 1][static_cast<std::size_t>(row) * columns + column]);
          }
        }
        map.levels[level][static_cast<std::size_t>(j) * upColumns + i] = largest;
      }
    }
    columns = upColumns;
  }
}

// The levels above the cells, each block the largest bound of the 2 x 2 blocks below it.
void buildLevels(DistanceMap& map) {
  int columns = map.columns, rows = map.rows;
  while (columns > 1 || rows > 1) {
    columns = (columns + 1) / 2;
    rows = (rows + 1) / 2;
    map.levels.emplace_back(static_cast<std::size_t>(columns) * rows, 0.0);
  }
  updateLevels(map, 0, 0, map.columns - 1, map.rows - 1);
}

// Divides into quarters the blocks under the box whose cells are bounded above `enough`, where
// the blocks are at least half as wide as the box (smaller ones wait for smaller pieces). Returns
// whether any was divided.
bool divideUnder(DistanceMap& map, PointQueryStore& store, const Box& box, double enough) {
  const auto [i0, j0, i1, j1] = cellsUnder(map, box);
  const double wanted = std::max(box.maxX - box.minX, box.maxY - box.minY) * 0.5;
  // A box over more than a few blocks is looked at again in pieces.
  if (wanted > (1 << map.finer) * map.side) return false;
  bool divided = false;
  int low[2] = {i0, j0}, high[2] = {i1, j1};
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      const int span = map.spans[static_cast<std::size_t>(j) * map.columns + i];
      if (span == 0 || !(cellBound(map, i, j) > enough)) continue;
      if ((1 << span) * map.side < wanted) continue;
      const int bi = i >> span << span, bj = j >> span << span, half = 1 << (span - 1);
      Foot seed{-1, 0.0};
      for (const int dj : {0, half}) {
        for (const int di : {0, half})
          boundBlock(map, store, bi + di, bj + dj, span - 1, enough, seed);
      }
      low[0] = std::min(low[0], bi), low[1] = std::min(low[1], bj);
      high[0] = std::max(high[0], std::min(bi + 2 * half, map.columns) - 1);
      high[1] = std::max(high[1], std::min(bj + 2 * half, map.rows) - 1);
      divided = true;
    }
  }
  if (divided) updateLevels(map, low[0], low[1], high[0], high[1]);
  return divided;
}

}  // namespace

void buildDistanceMap(const SearchShape& shape, const Box& region, double side, int maxCells,
                      int finer, double level, PointQueryStore& store, DistanceMap& map) {
  const double width = region.maxX - region.minX, height = region.maxY - region.minY;
  // Blocks wide enough that the region needs at most maxCells cells.
  const int span = 1 << finer;
  const double blocks = static_cast<double>(maxCells) / (span * span);
  side = std::max(side, std::sqrt(std::max(width, side) * std::max(height, side) / blocks));
  const int blockColumns = cellsAcross(region.minX, region.maxX, side);
  const int blockRows = cellsAcross(region.minY, region.maxY, side);
  map.shape = &shape;
  map.finer = finer;
  map.corner = {region.minX, region.minY};
  map.side = side / span;
  map.columns = cellsAcross(region.minX, region.maxX, map.side);
  map.rows = cellsAcross(region.minY, region.maxY, map.side);
  const std::size_t cells = static_cast<std::size_t>(map.columns) * map.rows;
  map.levels.assign(1, std::vector<double>(cells, std::numeric_limits<double>::infinity()));
  map.spans.assign(cells, 0);
  Foot seed{-1, 0.0};
  // Row by row, to and fro, so that each block starts from its neighbour's nearest point.
  for (int j = 0; j < blockRows && j * span < map.rows; ++j) {
    for (int k = 0; k < blockColumns; ++k) {
      const int i = j % 2 == 0 ? k : blockColumns - 1 - k;
      if (i * span < map.columns) boundBlock(map, store, i * span, j * span, finer, level, seed);
    }
  }
  buildLevels(map);
}

double mapBound(const DistanceMap& map, const Box& box) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  if (map.columns == 0) return kInfinity;
  const bool inside = box.minX >= map.corner.x && box.minY >= map.corner.y &&
                      box.maxX <= edge(map.corner.x, map.side, map.columns) &&
                      box.maxY <= edge(map.corner.y, map.side, map.rows);
  if (!inside) return kInfinity;  // also for NaN
  const auto [i0, j0, i1, j1] = cellsUnder(map, box);
  int level = 0;
  while ((i1 >> level) - (i0 >> level) >= kBlocksAcross ||
         (j1 >> level) - (j0 >> level) >= kBlocksAcross) {
    ++level;
  }
  const std::vector<double>& blocks = map.levels[level];
  const int columns = ((map.columns - 1) >> level) + 1;
  double largest = 0.0;
  for (int j = j0 >> level; j <= j1 >> level; ++j) {
    for (int i = i0 >> level; i <= i1 >> level; ++i) {
      largest = std::max(largest, blocks[static_cast<std::size_t>(j) * columns + i]);
    }
  }
  return largest;
}

namespace {

// curveBound below, on a piece of the curve: the blocks under its box divided where they are as
// wide as it and bounded above `enough`, then the largest of its halves' bounds where its own box
// is still too coarse, a whole box's once the box spans few cells or halvings run out.
double pieceBound(DistanceMap& map, PointQueryStore& store, const CubicCurve& piece, int halvings,
                  double enough, bool& above) {
  const Box box = boxOf(piece);
  double bound = mapBound(map, box);
  if (bound <= enough || above) return bound;
  if (divideUnder(map, store, box, enough)) {
    bound = mapBound(map, box);
    if (bound <= enough) return bound;
  }
  if (halvings == 0 || std::max(box.maxX - box.minX, box.maxY - box.minY) <= 2 * map.side) {
    above = true;
    return bound;
  }
  CubicCurve left, right;
  halveCurve(piece, left, right);
  const double first = pieceBound(map, store, left, halvings - 1, enough, above);
  if (above) return bound;
  return std::max(first, pieceBound(map, store, right, halvings - 1, enough, above));
}

}  // namespace

double curveBound(DistanceMap& map, PointQueryStore& store, const CubicCurve& curve, int halvings,
                  double enough) {
  if (map.columns == 0) return std::numeric_limits<double>::infinity();
  bool above = false;
  const double bound = pieceBound(map, store, curve, halvings, enough, above);
  return above ? mapBound(map, boxOf(curve)) : bound;
}

}  // namespace certified
