// The public types and the searches' and readers' own, one into the other. They hold the same
// numbers in the same order; the public ones live in their own namespace so that an installed
// header brings no internal name along.
#ifndef API_CONVERT_H
#define API_CONVERT_H

#include <vector>

#include "beziercurve/beziercurve.h"
#include "distance/certified_frechet.h"
#include "distance/certified_hausdorff.h"
#include "distance/shape.h"

namespace beziercurve::convert {

inline Point2 toInternal(Point p) {
  return {p.x, p.y};
}
inline Point fromInternal(Point2 p) {
  return {p.x, p.y};
}

inline CubicCurve toInternal(const Cubic& c) {
  return {{toInternal(c.p[0]), toInternal(c.p[1]), toInternal(c.p[2]), toInternal(c.p[3])}};
}
inline Cubic fromInternal(const CubicCurve& c) {
  return {{fromInternal(c.p[0]), fromInternal(c.p[1]), fromInternal(c.p[2]), fromInternal(c.p[3])}};
}

inline ::FillRule toInternal(FillRule rule) {
  return rule == FillRule::kEvenOdd ? ::FillRule::kEvenOdd : ::FillRule::kNonzero;
}
inline FillRule fromInternal(::FillRule rule) {
  return rule == ::FillRule::kEvenOdd ? FillRule::kEvenOdd : FillRule::kNonzero;
}

inline ::Contour toInternal(const Contour& c) {
  return {c.firstSegment, c.segmentCount, c.closed};
}
inline Contour fromInternal(const ::Contour& c) {
  return {c.firstSegment, c.segmentCount, c.closed};
}

inline ::Paint toInternal(const Paint& p) {
  return {p.firstContour, p.contourCount, p.filled, toInternal(p.rule)};
}
inline Paint fromInternal(const ::Paint& p) {
  return {p.firstContour, p.contourCount, p.filled, fromInternal(p.rule)};
}

// Every element converted, in order.
template <typename T>
auto toInternalAll(const std::vector<T>& items) {
  std::vector<decltype(toInternal(items.front()))> converted;
  converted.reserve(items.size());
  for (const T& item : items) converted.push_back(toInternal(item));
  return converted;
}
template <typename T>
auto fromInternalAll(const std::vector<T>& items) {
  std::vector<decltype(fromInternal(items.front()))> converted;
  converted.reserve(items.size());
  for (const T& item : items) converted.push_back(fromInternal(item));
  return converted;
}

inline ::Shape toInternal(const Shape& shape) {
  ::Shape internal;
  internal.segments = toInternalAll(shape.segments);
  internal.approximationError = shape.approximationError;
  internal.contours = toInternalAll(shape.contours);
  internal.paints = toInternalAll(shape.paints);
  return internal;
}
inline Shape fromInternal(const ::Shape& internal) {
  Shape shape;
  shape.segments = fromInternalAll(internal.segments);
  shape.approximationError = internal.approximationError;
  shape.contours = fromInternalAll(internal.contours);
  shape.paints = fromInternalAll(internal.paints);
  return shape;
}

inline ShapePoint fromInternal(const ::ShapePoint& p) {
  return {p.segment, p.t, fromInternal(p.point)};
}
inline ::ShapePoint toInternal(const ShapePoint& p) {
  return {p.segment, p.t, toInternal(p.point)};
}

inline Distance fromInternal(const CertifiedDistance& d) {
  return {d.lower, d.upper,       d.witnessShape, fromInternal(d.witness), fromInternal(d.nearest),
          d.steps, d.toleranceMet};
}
inline CertifiedDistance toInternal(const Distance& d) {
  return {d.lower, d.upper,       d.witnessShape, toInternal(d.witness), toInternal(d.nearest),
          d.steps, d.toleranceMet};
}

inline Verdict fromInternal(::Verdict v) {
  switch (v) {
    case ::Verdict::kWithin:
      return Verdict::kWithin;
    case ::Verdict::kBeyond:
      return Verdict::kBeyond;
    case ::Verdict::kUndecided:
      break;
  }
  return Verdict::kUndecided;
}

inline Leash fromInternal(const ::Leash& l) {
  return {fromInternal(l.onA), fromInternal(l.onB)};
}

inline FrechetDistance fromInternal(const CertifiedFrechet& f) {
  FrechetDistance result{f.lower, f.upper,        {},         fromInternal(f.bottleneck),
                         f.steps, f.toleranceMet, f.reversed, f.unmetReason};
  result.walk.reserve(f.walk.size());
  for (const ::Leash& l : f.walk) result.walk.push_back(fromInternal(l));
  return result;
}

}  // namespace beziercurve::convert

#endif  // API_CONVERT_H
