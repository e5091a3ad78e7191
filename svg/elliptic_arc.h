// Elliptical arcs as cubics, with a rigorous bound on how far the cubics lie from the arc.
#ifndef SVG_ELLIPTIC_ARC_H
#define SVG_ELLIPTIC_ARC_H

#include <vector>

#include "geometry/cubic.h"

constexpr double kQuarterTurn = 1.57079632679489661923;
// The widest angle one cubic stands for: an eighth of a turn. The bound falls as the sixth power
// of the angle: 2.7e-4 of the radius for a quarter turn, 4.2e-6 for an eighth, so halving the
// angle doubles the segments and divides the bound by 64.
constexpr double kWidestPiece = kQuarterTurn / 2;
// The narrowest: a 64th of a quarter turn, where the bound (4e-15 of the radius) is already
// below the rounding of the cubics' construction. Narrower pieces would buy nothing, so no arc
// is ever cut into more than 256 pieces a turn, whatever is asked.
constexpr double kNarrowestPiece = kQuarterTurn / 64;

// For the cubic that stands for the unit circle's arc of `angle` radians (|angle| at most a half
// turn): a bound on the Hausdorff distance between the cubic and the arc, rounding included.
double unitArcCubicDeviation(double angle);

// That cubic: from (cos start, sin start) over `angle` radians (negative: clockwise in a
// y-up frame), its inner control points on the end tangents at 4/3 tan(angle/4) from the ends,
// so that its midpoint lies on the circle.
CubicCurve unitArcCubic(double start, double angle);

// The exact lines of a cubic: degree elevation, the same point set with the same
// parameterisation.
CubicCurve lineCubic(Point2 from, Point2 to);
CubicCurve quadraticCubic(Point2 q0, Point2 q1, Point2 q2);

// SVG's elliptical arc in its endpoint form: from `from` to `to` on the ellipse of radii rx, ry
// whose x axis is turned by `rotationDegrees`, the large or the small of the two candidate arcs,
// in the direction of increasing angle (sweep, clockwise on screen in SVG's y-down frame) or
// decreasing. SVG's rules for values out of range apply: negative radii count by their
// magnitude, a zero radius makes the arc a line, radii too small for the end points are scaled
// up until the ellipse just reaches them, and an arc that ends where it starts draws nothing.
struct EndpointArc {
  Point2 from;
  Point2 to;
  double rx;
  double ry;
  double rotationDegrees;
  bool largeArc;
  bool sweep;
};

// Every function below takes `arcError`, the bound asked for (> 0, in the arc's own units): it
// cuts the arc into equal pieces, never wider than kWidestPiece nor narrower than
// kNarrowestPiece, as few as make the returned bound at most arcError. Only where rounding at the
// coordinates' magnitude (about 1e-15 of the radius, plus that of the centre) leaves no room is
// the bound larger; it is then as small as the narrowest pieces make it. The number of pieces
// grows as the sixth root of radius / arcError, so the cost stays linear in the arcs' count.

// Appends the arc's cubics (none, a line, or equal arcs of at most kWidestPiece each) and
// returns the bound on the Hausdorff distance between them and the arc, 0 for a line or
// nothing. The first cubic starts exactly at `from` and the last ends exactly at `to`. With
// extreme inputs the cubics may have coordinates that are not finite or very large, and the
// bound may not be finite: the caller checks both.
double appendEndpointArc(const EndpointArc& arc, double arcError, std::vector<CubicCurve>& out);

// Appends the four quarters of the axis-aligned ellipse with centre `center` and radii rx, ry,
// from (cx + rx, cy) through (cx, cy + ry) and back, and returns their bound.
double appendEllipse(Point2 center, double rx, double ry, double arcError,
                     std::vector<CubicCurve>& out);

// Appends the quarter of that ellipse that starts at quadrant point `quadrant` (0: +x, 1: +y,
// 2: -x, 3: -y) and ends at the next one, as two or more cubics, and returns their bound. Its end
// points are the centre plus or minus the radius along the axis.
double appendEllipseQuarter(Point2 center, double rx, double ry, int quadrant, double arcError,
                            std::vector<CubicCurve>& out);

// How many equal pieces an arc of `sweep` radians needs so that `stretch` (its ellipse's largest
// radius) times unitArcCubicDeviation of one piece is at most `budget`: at least one per
// kWidestPiece, at most one per kNarrowestPiece (also when the budget is below what those reach).
int arcPiecesFor(double sweep, double stretch, double budget);

#endif  // SVG_ELLIPTIC_ARC_H
