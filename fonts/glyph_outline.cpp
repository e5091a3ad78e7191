#include "fonts/glyph_outline.h"

#include "shapes/contour_runs.h"

namespace {

// (2 a + b) / 3 in one rounding.
Point2 oneThird(Point2 a, Point2 b) {
  return {(2.0 * a.x + b.x) / 3.0, (2.0 * a.y + b.y) / 3.0};
}

Point2 midpoint(Point2 a, Point2 b) {
  return {a.x * 0.5 + b.x * 0.5, a.y * 0.5 + b.y * 0.5};
}

bool samePlace(Point2 a, Point2 b) {
  return a.x == b.x && a.y == b.y;
}

struct Pen {
  std::vector<CubicCurve>* segments;
  Point2 current;

  void lineTo(Point2 end) {
    if (!samePlace(current, end)) {
      segments->push_back({current, oneThird(current, end), oneThird(end, current), end});
    }
    current = end;
  }
  void conicTo(Point2 control, Point2 end) {
    // Q0 + 2/3 (Q1 - Q0) = (Q0 + 2 Q1) / 3, and likewise from Q2.
    segments->push_back({current, oneThird(control, current), oneThird(control, end), end});
    current = end;
  }
  void cubicTo(Point2 control1, Point2 control2, Point2 end) {
    segments->push_back({current, control1, control2, end});
    current = end;
  }
};

// One contour, points[first..last]; false when it is malformed.
bool walkContour(const std::vector<OutlinePoint>& points, std::size_t first, std::size_t last,
                 Pen& pen) {
  if (points[first].kind == PointKind::kCubic) return false;
  Point2 start = points[first].at;
  std::size_t next = first + 1;
  std::size_t end = last;  // the last point still to be visited
  if (points[first].kind == PointKind::kConic) {
    if (points[last].kind == PointKind::kOn) {
      start = points[last].at;  // starts at the last point, which is then not visited again
      end = last - 1;           // last > first: the first point is not on the curve
    } else {
      start = midpoint(points[last].at, points[first].at);
    }
    next = first;  // the first point is a control point to visit
  }
  pen.current = start;
  const auto at = [&](std::size_t i) { return points[i].at; };
  std::size_t i = next;
  while (i <= end) {
    if (points[i].kind == PointKind::kOn) {
      pen.lineTo(at(i));
      ++i;
    } else if (points[i].kind == PointKind::kConic) {
      Point2 control = at(i);
      ++i;
      for (;;) {
        if (i > end) {
          pen.conicTo(control, start);
          return true;
        }
        if (points[i].kind == PointKind::kOn) {
          pen.conicTo(control, at(i));
          ++i;
          break;
        }
        if (points[i].kind != PointKind::kConic) return false;
        const Point2 implied = midpoint(control, at(i));
        pen.conicTo(control, implied);
        control = at(i);
        ++i;
      }
    } else {
      if (i + 1 > end || points[i + 1].kind != PointKind::kCubic) return false;
      const Point2 c1 = at(i), c2 = at(i + 1);
      i += 2;
      if (i > end) {
        pen.cubicTo(c1, c2, start);
        return true;
      }
      if (points[i].kind != PointKind::kOn) return false;
      pen.cubicTo(c1, c2, at(i));
      ++i;
    }
  }
  pen.lineTo(start);
  return true;
}

}  // namespace

GlyphPoints pointsOfOutline(const FT_Outline& outline, double unitsPerCoordinate) {
  GlyphPoints points;
  const std::size_t count = outline.n_points > 0 ? static_cast<std::size_t>(outline.n_points) : 0;
  points.points.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const char tag = static_cast<char>(FT_CURVE_TAG(outline.tags[i]));
    const PointKind kind = tag == FT_CURVE_TAG_ON      ? PointKind::kOn
                           : tag == FT_CURVE_TAG_CUBIC ? PointKind::kCubic
                                                       : PointKind::kConic;
    points.points.push_back({{static_cast<double>(outline.points[i].x) / unitsPerCoordinate,
                              static_cast<double>(outline.points[i].y) / unitsPerCoordinate},
                             kind});
  }
  for (short c = 0; c < outline.n_contours; ++c) {
    points.contourEnds.push_back(
        outline.contours[c] < 0 ? count : static_cast<std::size_t>(outline.contours[c]));
  }
  return points;
}

bool pointsToSegments(const GlyphPoints& outline, std::vector<CubicCurve>& segments,
                      std::vector<Contour>& contours) {
  segments.clear();
  contours.clear();
  Pen pen{&segments, {0.0, 0.0}};
  std::vector<int> starts;
  std::size_t first = 0;
  for (const std::size_t last : outline.contourEnds) {
    if (last < first || last >= outline.points.size()) return false;
    starts.push_back(static_cast<int>(segments.size()));
    if (!walkContour(outline.points, first, last, pen)) return false;
    first = last + 1;
  }
  contours = contoursFromStarts(segments, starts);
  return true;
}

bool outlineToSegments(const FT_Outline& outline, std::vector<CubicCurve>& segments,
                       std::vector<Contour>& contours) {
  return pointsToSegments(pointsOfOutline(outline, 1.0), segments, contours);
}
