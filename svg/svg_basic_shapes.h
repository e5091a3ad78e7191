// SVG's basic shapes as cubics, in their own user units, in the order SVG draws them: each one
// contour (none when it draws nothing), closed but for a line's and a polyline's.
#ifndef SVG_SVG_BASIC_SHAPES_H
#define SVG_SVG_BASIC_SHAPES_H

#include <vector>

#include "distance/shape.h"

// A rectangle of positive width and height from (x, y); rx and ry as SVG resolves them (at most
// half the width and height). Without rounding (rx or ry 0): four lines clockwise on screen from
// (x, y). With it: from (x + rx, y) the top line, the top-right corner, and so on round, lines of
// zero length left out. Corners are cut finely enough for approximationError <= arcError (see
// svg/elliptic_arc.h).
Shape rectShape(double x, double y, double width, double height, double rx, double ry,
                double arcError);

// An ellipse with positive radii: four quarters from (cx + rx, cy) through (cx, cy + ry), within
// arcError as above.
Shape ellipseShape(double cx, double cy, double rx, double ry, double arcError);

// Lines through the points (x0 y0 x1 y1 ...; an even count), closed for a polygon when the last
// point is not the first. Fewer than two points draw nothing.
Shape polylineShape(const std::vector<double>& coordinates, bool closed);

#endif  // SVG_SVG_BASIC_SHAPES_H
