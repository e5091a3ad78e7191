// The certified Fréchet distance between two continuous paths: an interval that always holds the
// shortest leash that lets one point walk along A and another along B, both only forwards, as
// narrow as the caller asks, with the bottleneck of the walk found.
#ifndef DISTANCE_CERTIFIED_FRECHET_H
#define DISTANCE_CERTIFIED_FRECHET_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "distance/certified_hausdorff.h"
#include "distance/shape.h"

// Whether every segment starts where the previous one ends (coordinate for coordinate): a shape
// the Fréchet search can walk. A shape with no segments is not a path.
bool isContinuousPath(const Shape& shape);

// A continuous path whose last segment ends where its first starts.
bool isClosedPath(const Shape& shape);

struct FrechetOptions {
  // Both paths closed: the walkers start together anywhere and each goes once around. Without
  // it (or when either path is open) both start at their first point as drawn and end at their
  // last.
  bool anyStart = false;
  // Asked (null: never) before each new grid, and by the Hausdorff search that gives the first
  // lower bound; told to stop, the search returns the interval it has.
  const KeepGoing* keepGoing = nullptr;
  // The walk along B may go backwards instead (B's segments in reverse order, each from its end
  // to its start): F is then the lesser of the two ways' distances, and the result says which
  // way won.
  bool eitherDirection = false;
};

// One moment of a walk: where each walker is.
struct Leash {
  ShapePoint onA;
  ShapePoint onB;
};

struct CertifiedFrechet {
  // lower <= F <= upper, where F is the Fréchet distance between the two figures (the shapes'
  // approximation errors included), with floating-point rounding accounted for. lower is also
  // at least the certified lower bound of the Hausdorff distance between them.
  double lower;
  double upper;
  // The walk found, as its corners in order: between consecutive corners each walker moves
  // along its path (one may stand still), and the leash stays within `upper` throughout.
  std::vector<Leash> walk;
  // The corner of the walk's longest stretch (the one whose bound is largest) where the leash is
  // longer: where the walk needs its longest leash, to within the interval's width.
  Leash bottleneck;
  std::int64_t steps;  // pieces split
  // upper - lower <= the requested tolerance. False only when rounding at the coordinates'
  // magnitude or the search's size limit would not let the interval narrow that far; the
  // interval then still holds F.
  bool toleranceMet;
  // When toleranceMet is false: why the search ended with the interval it has, as a phrase
  // ("the grid of pieces reached its cap of 2^21 cells"); empty otherwise.
  std::string unmetReason;
  // With eitherDirection: the walk found goes along B backwards (the walk's and bottleneck's
  // places on B are still B's own segments and parameters).
  bool reversed = false;
};

// The most cells the search's grid of pieces of A against pieces of B ever holds. Its first grid
// has a cell for every pair of segments, so it searches paths of n and m segments only when
// n * m is at most this (1,448 segments each, or 100 against 20,971).
constexpr std::size_t kMaxFrechetCells = std::size_t{1} << 21;

// Why paths of `segmentsA` and `segmentsB` segments are too large for the search, as one line
// naming the limit; "" when they fit.
std::string frechetSizeProblem(std::size_t segmentsA, std::size_t segmentsB);

// The interval to within `tolerance` (absolute, in the shapes' units, > 0). Both shapes must be
// continuous paths with finite coordinates of magnitude at most 1e150; anyStart needs both
// closed (it is ignored otherwise). Throws std::invalid_argument with frechetSizeProblem's words,
// before any work, when the paths do not fit the grid.
CertifiedFrechet certifiedFrechet(const Shape& a, const Shape& b, double tolerance,
                                  const FrechetOptions& options = {});

struct FrechetDecision {
  Verdict verdict;
  // The interval as far as the decision needed it narrowed: upper <= threshold when within,
  // lower > threshold when beyond.
  CertifiedFrechet distance;
};

// Whether F <= threshold. Narrows the interval only as far as the answer needs; throws as
// certifiedFrechet does.
FrechetDecision decideFrechetWithin(const Shape& a, const Shape& b, double threshold,
                                    const FrechetOptions& options = {});

#endif  // DISTANCE_CERTIFIED_FRECHET_H
