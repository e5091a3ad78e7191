// The distance from a point to a prepared shape, certified from below: best-first branch and
// bound over the shape's box tree and over halvings of its segments, with Bernstein bounds of
// the squared distance, and Newton steps for the nearest point itself.
#ifndef DISTANCE_POINT_DISTANCE_H
#define DISTANCE_POINT_DISTANCE_H

#include <cstdint>
#include <vector>

#include "distance/search_shape.h"

namespace certified {

// A point of a shape, by segment and parameter; segment -1 for none.
struct Foot {
  int segment;
  double t;
};

// How precisely a query must pin the distance d down, as a function of the smallest distance
// `best` found so far. Only a query whose distance may exceed `interest` needs a lower bound at
// all (a point nearer than that cannot matter to its caller); it is then wanted to within
//   max(absolute, relative * |best - threshold|).
// Other queries are content with a nearest point found to within an eighth of its distance.
struct QueryPrecision {
  double interest;
  double absolute;
  double relative;
  double threshold;
};

struct PointDistance {
  double lower;  // <= d, up to the search's rounding allowance; 0 when no bound was needed
  double upper;  // |q - shape(foot)|, the distance to a point of the shape: >= d
  Foot foot;     // where `upper` is attained
};

// Reusable storage of the query, so that repeated queries allocate nothing.
struct PointQueryStore {
  struct Interval {
    CubicCurve piece;
    double t0, t1;
    int segment;
    int depth;
    int lowest;  // where its smallest Bernstein coefficient sits, 0..6
  };
  struct Entry {
    double lowerSquared;
    int index;  // >= 0: intervals[index]; < 0: the box node -1 - index
  };
  std::vector<Interval> intervals;
  std::vector<Entry> heap;
  // Pieces whose distance bounds the queries have computed, counted over every query: the work
  // of a query, as the index lets it prune.
  std::int64_t visits = 0;
};

// The distance from q to `shape`. Newton steps from each seed that names a segment give a first
// nearest point; if its distance exceeds precision.interest (or there was no seed), the branch
// and bound then bounds the distance from below over the whole shape, starting from the shape's
// index: a node of the tree, or a piece, whose box lies farther than the settled distance holds
// no point nearer than it, and is set aside unopened.
PointDistance distanceToShape(const SearchShape& shape, Point2 q, Foot seed, Foot otherSeed,
                              const QueryPrecision& precision, PointQueryStore& store);

}  // namespace certified

#endif  // DISTANCE_POINT_DISTANCE_H
