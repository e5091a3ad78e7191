#include "svg/svg_basic_shapes.h"

#include <algorithm>
#include <cmath>

#include "shapes/contour_runs.h"
#include "svg/elliptic_arc.h"

namespace {

void appendLine(Point2 from, Point2 to, std::vector<CubicCurve>& out) {
  if (!samePoint(from, to)) out.push_back(lineCubic(from, to));
}

// A rounded corner: the ellipse quarter about `center` from quadrant point `quadrant`, its ends
// set exactly to the neighbouring lines' ends. Returns its bound, the move of its ends included.
double appendCorner(Point2 center, double rx, double ry, int quadrant, Point2 from, Point2 to,
                    double arcError, std::vector<CubicCurve>& out) {
  const std::size_t first = out.size();
  const double bound = appendEllipseQuarter(center, rx, ry, quadrant, arcError, out);
  Point2& start = out[first].p[0];
  Point2& end = out.back().p[3];
  const double moved = std::max(std::hypot(start.x - from.x, start.y - from.y),
                                std::hypot(end.x - to.x, end.y - to.y));
  start = from;
  end = to;
  return bound + moved;
}

}  // namespace

Shape rectShape(double x, double y, double width, double height, double rx, double ry,
                double arcError) {
  Shape shape;
  std::vector<CubicCurve>& out = shape.segments;
  const double right = x + width;
  const double bottom = y + height;
  if (rx == 0 || ry == 0) {
    appendLine({x, y}, {right, y}, out);
    appendLine({right, y}, {right, bottom}, out);
    appendLine({right, bottom}, {x, bottom}, out);
    appendLine({x, bottom}, {x, y}, out);
    shape.contours = contoursFromStarts(out, {});
    return shape;
  }
  // The ends of the four sides, clockwise on screen from the top side's start.
  const Point2 topStart{x + rx, y}, topEnd{right - rx, y};
  const Point2 rightStart{right, y + ry}, rightEnd{right, bottom - ry};
  const Point2 bottomStart{right - rx, bottom}, bottomEnd{x + rx, bottom};
  const Point2 leftStart{x, bottom - ry}, leftEnd{x, y + ry};
  double bound = 0;
  appendLine(topStart, topEnd, out);
  bound = std::max(
      bound, appendCorner({topEnd.x, rightStart.y}, rx, ry, 3, topEnd, rightStart, arcError, out));
  appendLine(rightStart, rightEnd, out);
  bound = std::max(bound, appendCorner({bottomStart.x, rightEnd.y}, rx, ry, 0, rightEnd,
                                       bottomStart, arcError, out));
  appendLine(bottomStart, bottomEnd, out);
  bound = std::max(bound, appendCorner({bottomEnd.x, leftStart.y}, rx, ry, 1, bottomEnd, leftStart,
                                       arcError, out));
  appendLine(leftStart, leftEnd, out);
  bound = std::max(
      bound, appendCorner({topStart.x, leftEnd.y}, rx, ry, 2, leftEnd, topStart, arcError, out));
  shape.approximationError = bound;
  shape.contours = contoursFromStarts(out, {});
  return shape;
}

Shape ellipseShape(double cx, double cy, double rx, double ry, double arcError) {
  Shape shape;
  shape.approximationError = appendEllipse({cx, cy}, rx, ry, arcError, shape.segments);
  shape.contours = contoursFromStarts(shape.segments, {});
  return shape;
}

Shape polylineShape(const std::vector<double>& coordinates, bool closed) {
  Shape shape;
  const std::size_t points = coordinates.size() / 2;
  if (points < 2) return shape;
  auto point = [&](std::size_t i) { return Point2{coordinates[2 * i], coordinates[2 * i + 1]}; };
  for (std::size_t i = 1; i < points; ++i) {
    shape.segments.push_back(lineCubic(point(i - 1), point(i)));
  }
  if (closed && !samePoint(point(points - 1), point(0))) {
    shape.segments.push_back(lineCubic(point(points - 1), point(0)));
  }
  shape.contours = contoursFromStarts(shape.segments, {});
  return shape;
}
