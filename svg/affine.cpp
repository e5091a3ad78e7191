#include "svg/affine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "shapes/contour_runs.h"

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();

// How far the rounded image of p can lie from the exact one: each coordinate is two products
// and two sums, each rounded once, so its error is within 2 eps of the sum of the terms'
// magnitudes (taken with a margin).
double mappingRounding(const Affine& map, Point2 p) {
  const double x = std::fabs(map.a * p.x) + std::fabs(map.c * p.y) + std::fabs(map.e);
  const double y = std::fabs(map.b * p.x) + std::fabs(map.d * p.y) + std::fabs(map.f);
  return 4 * kEpsilon * (x + y);
}

}  // namespace

void cosSinOfDegrees(double degrees, double& cosine, double& sine) {
  constexpr double kPi = 3.14159265358979323846;
  double reduced = std::fmod(degrees, 360.0);
  if (reduced < 0) reduced += 360.0;
  if (reduced == 0 || reduced == 360) {
    cosine = 1, sine = 0;
  } else if (reduced == 90) {
    cosine = 0, sine = 1;
  } else if (reduced == 180) {
    cosine = -1, sine = 0;
  } else if (reduced == 270) {
    cosine = 0, sine = -1;
  } else {
    const double radians = reduced * (kPi / 180);
    cosine = std::cos(radians);
    sine = std::sin(radians);
  }
}

Point2 applyAffine(const Affine& map, Point2 p) {
  return {map.a * p.x + map.c * p.y + map.e, map.b * p.x + map.d * p.y + map.f};
}

Affine composeAffine(const Affine& outer, const Affine& inner) {
  return {outer.a * inner.a + outer.c * inner.b,
          outer.b * inner.a + outer.d * inner.b,
          outer.a * inner.c + outer.c * inner.d,
          outer.b * inner.c + outer.d * inner.d,
          outer.a * inner.e + outer.c * inner.f + outer.e,
          outer.b * inner.e + outer.d * inner.f + outer.f};
}

double largestStretch(const Affine& map) {
  // The singular values of [[a c] [b d]] are sqrt(s ± sqrt(s² - det²)) with s half the sum of
  // the squared entries. The entries are first divided by the largest magnitude so that no
  // square overflows or underflows; a relative margin covers the rounding.
  const double scale =
      std::max({std::fabs(map.a), std::fabs(map.b), std::fabs(map.c), std::fabs(map.d)});
  if (!(scale > 0)) return scale == 0 ? 0.0 : std::numeric_limits<double>::infinity();
  const double a = map.a / scale, b = map.b / scale, c = map.c / scale, d = map.d / scale;
  const double s = (a * a + b * b + c * c + d * d) / 2;
  const double det = a * d - b * c;
  const double root = std::sqrt(std::max(0.0, (s - det) * (s + det)));
  return scale * std::sqrt(s + root) * (1 + 16 * kEpsilon);
}

Shape mapShape(const Affine& map, const Shape& shape) {
  Shape mapped;
  mapped.segments.reserve(shape.segments.size());
  for (const CubicCurve& segment : shape.segments) {
    CubicCurve image;
    for (int i = 0; i < 4; ++i) image.p[i] = applyAffine(map, segment.p[i]);
    mapped.segments.push_back(image);
  }
  mapped.contours = shape.contours;
  mapped.paints = shape.paints;
  markClosedContours(mapped);
  // Exact figures (lines, quadratics, cubics) stay exact: their mapped control points are the
  // figure. An approximation's bound must also cover the rounding of those points.
  if (shape.approximationError > 0) {
    double rounding = 0;
    for (const CubicCurve& segment : shape.segments) {
      for (const Point2& point : segment.p) {
        rounding = std::max(rounding, mappingRounding(map, point));
      }
    }
    mapped.approximationError =
        largestStretch(map) * shape.approximationError * (1 + 4 * kEpsilon) + rounding;
  }
  return mapped;
}

double mapSegmentsInPlace(const Affine& map, SegmentBlocks& segments, std::size_t first,
                          double approximationError) {
  double rounding = 0;
  for (std::size_t i = first; i < segments.size(); ++i) {
    for (Point2& point : segments[i].p) {
      if (approximationError > 0) rounding = std::max(rounding, mappingRounding(map, point));
      point = applyAffine(map, point);
    }
  }
  if (!(approximationError > 0)) return 0.0;
  return largestStretch(map) * approximationError * (1 + 4 * kEpsilon) + rounding;
}
