// How a caller stops a search early: a function the search asks, from its own thread, whether to
// go on. A search told to stop returns at once with the interval it has, which still holds the
// distance (toleranceMet false; [0, infinity] when stopped before it measured every segment); the
// public API turns that into beziercurve::Interrupted.
#ifndef DISTANCE_KEEP_GOING_H
#define DISTANCE_KEEP_GOING_H

#include <functional>

using KeepGoing = std::function<bool()>;

// The refinements (halved pieces, split cells, grids rebuilt) a search makes between two
// questions: each takes well under a microsecond, so a search asks at least every millisecond
// or so of its work, and the question costs nothing next to the work.
constexpr int kRefinementsPerQuestion = 64;

// False once `keepGoing` (null: never stop) said to stop.
inline bool toldToStop(const KeepGoing* keepGoing) {
  return keepGoing != nullptr && *keepGoing && !(*keepGoing)();
}

#endif  // DISTANCE_KEEP_GOING_H
