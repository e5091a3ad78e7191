// An independent Fréchet distance between paths of cubics, for checking the certified search:
// each cubic is replaced by a fine polyline whose distance from it is bounded (every piece
// against its chord walked at constant speed), and the polylines' continuous Fréchet distance is
// found by Alt and Godau's decision procedure and a bisection, in long double. It shares nothing
// with the search but the input types.
#ifndef TESTS_DISTANCE_FRECHET_REFERENCE_H
#define TESTS_DISTANCE_FRECHET_REFERENCE_H

#include <vector>

#include "distance/shape.h"

namespace frechet_reference {

struct Vertex {
  long double x, y;
};

struct Polyline {
  std::vector<Vertex> vertices;
  // The Fréchet distance between the polyline and the path it stands for is at most this.
  long double error;
};

// `pieces` chords per segment, at evenly spaced parameters.
Polyline polylineOf(const Shape& path, int pieces);

// Whether the Fréchet distance between the polylines (walked from first vertex to last) is at
// most `leash`.
bool withinLeash(const Polyline& p, const Polyline& q, long double leash);

// An interval holding the Fréchet distance between the two paths: the polylines' distance,
// bisected to long double precision, widened by both polylines' errors.
struct Interval {
  long double lower, upper;
};
Interval frechet(const Shape& a, const Shape& b, int pieces);

}  // namespace frechet_reference

#endif  // TESTS_DISTANCE_FRECHET_REFERENCE_H
