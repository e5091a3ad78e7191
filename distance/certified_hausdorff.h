// The certified Hausdorff distance between two shapes: an interval that always holds the true
// distance, as narrow as the caller asks, with the point where it is attained.
#ifndef DISTANCE_CERTIFIED_HAUSDORFF_H
#define DISTANCE_CERTIFIED_HAUSDORFF_H

#include <cstdint>

#include "distance/keep_going.h"
#include "distance/shape.h"

// A point of a shape: its segment, the parameter on that segment and the point itself (the
// segment evaluated at t, in the shape's own coordinates).
struct ShapePoint {
  int segment;
  double t;
  Point2 point;
};

struct CertifiedDistance {
  // lower <= H <= upper, where H is the Hausdorff distance between the two figures (the shapes'
  // approximation errors included), with floating-point rounding accounted for.
  double lower;
  double upper;
  // lower is the witness's own distance to the other shape (its global minimum, certified from
  // below), less the rounding and approximation allowances; witnessShape says which shape the
  // witness lies on: 0 the first, 1 the second.
  int witnessShape;
  ShapePoint witness;
  // A point of the other shape whose distance from the witness lies within [lower, upper]: the
  // witness's nearest point as far as the tolerance tells (another point may be nearer by at
  // most upper - lower).
  ShapePoint nearest;
  std::int64_t steps;  // pieces refined
  // upper - lower <= the requested tolerance. False only when rounding at the coordinates'
  // magnitude (or the search's size limit) would not let the interval narrow that far; the
  // interval is then as narrow as it could be made, and still holds H.
  bool toleranceMet;
  // Pieces of the other shape whose distance bounds the point queries computed: their work, as
  // the shapes' indexes let them prune (a few tens a step when they do).
  std::int64_t visits = 0;
};

// The interval to within `tolerance` (absolute, in the shapes' units, > 0). Both shapes must
// have at least one segment and finite coordinates of magnitude at most 1e150. `keepGoing` (null:
// none) is asked every kRefinementsPerQuestion refinements; told to stop, the search returns the
// interval it has.
CertifiedDistance certifiedHausdorff(const Shape& a, const Shape& b, double tolerance,
                                     const KeepGoing* keepGoing = nullptr);

enum class Verdict {
  kWithin,     // H <= threshold, certainly
  kBeyond,     // H > threshold, certainly
  kUndecided,  // the threshold lies within rounding of H
};

struct WithinDecision {
  Verdict verdict;
  // The interval as far as the decision needed it narrowed: upper <= threshold when within,
  // lower > threshold when beyond.
  CertifiedDistance distance;
};

// Whether H <= threshold. Narrows the interval only as far as the answer needs.
WithinDecision decideWithin(const Shape& a, const Shape& b, double threshold,
                            const KeepGoing* keepGoing = nullptr);

#endif  // DISTANCE_CERTIFIED_HAUSDORFF_H
