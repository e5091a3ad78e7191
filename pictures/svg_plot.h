// An SVG picture of one certified Hausdorff result: the two shapes, their control polygons,
// the witness arrow and a caption.
#ifndef PICTURES_SVG_PLOT_H
#define PICTURES_SVG_PLOT_H

#include <string>
#include <utility>
#include <vector>

#include "distance/certified_hausdorff.h"
#include "distance/shape.h"

struct PlotRequest {
  const Shape* a;            // drawn in black
  const Shape* b;            // drawn in blue
  CertifiedDistance result;  // its witness and nearest points make the red arrow
  std::string caption;       // one line of text above the shapes (UTF-8), e.g. the interval
  bool yUp;  // true for mathematical and font coordinates, false for SVG's own (y down)
  // What the legend calls the two operands (UTF-8, cut after about 60 bytes), e.g. a file name
  // or "FreeSerif.otf g"; empty: the legend says only "A" and "B".
  std::string nameA = "";
  std::string nameB = "";
  // Draw each shape's fills lightly under its outlines (the fill distance's picture).
  bool fill = false;
};

// The picture is 800 x 800 user units (pixels when rendered at its own size). Its content box
// is the bounding box [minX, maxX] x [minY, maxY] of both shapes' control points and the
// arrow's two ends, finite coordinates only ({0} x {0} when there are none). A point (x, y) of
// either shape is drawn at
//   px = 400 + s (x - cx),   py = 400 - s (y - cy) when yUp, 400 + s (y - cy) otherwise,
// with (cx, cy) the box's centre and s = 704 / max(maxX - minX, maxY - minY), or s = 1 when the
// box is a single point: the larger side spans 704 units and a margin of 48 is left around it.
// The shapes' curves (class "curve") and control polygons (class "control-polygon", drawn only
// for shapes of at most 2,000 segments) are written as relative path data on a grid of a tenth
// of a unit, which keeps a drawing of 26,000 segments a side under 2 MB; other numbers with six
// significant digits.
//
// The arrow is a line with id "witness-arrow" from the mapped result.witness.point (x1, y1) to
// the mapped result.nearest.point (x2, y2), with a filled head (id "witness-arrowhead") whose
// tip is (x2, y2), drawn last over a white halo. When the two ends lie within one unit of each
// other in the picture there is no direction to show: a dot (id "witness-dot") at the witness
// replaces the head. Whatever the scale, the witness has a ring of radius 6 (id
// "witness-marker") and its nearest point a cross 10 units wide ("nearest-marker"). When either
// end is not finite there is no arrow and no marker.
//
// When the two points are closer than 1% of the box's larger side, an inset of 256 x 256 units
// (group id "inset", in the picture's corner farthest from the witness) shows their
// neighbourhood magnified so that the arrow spans 96 units (inset-arrow, inset-arrowhead or
// inset-dot, and the markers, their ids prefixed "inset-"), with the pieces of both shapes that
// pass there; a dashed square (id "inset-region") frames the neighbourhood in the main view, and
// the inset says its magnification (id "inset-scale"). Coinciding points get a window of a
// thousandth of the box.
//
// The caption is the text element with id "caption", the legend the one with id "legend" (one
// line at the bottom, or three when the operands are named).
//
// Segments with a coordinate that is not finite are left out. A null shape counts as one
// without segments.
std::string plotSvg(const PlotRequest& request);

// A Fréchet result: the same picture, with `leashes` (pairs of a point of A and a point of B:
// the walk at evenly spaced moments) drawn lightly in a group with id "leashes", and the red mark
// the leash at the bottleneck, from result.witness.point on A to result.nearest.point on B, as a
// line with id "bottleneck-leash" and no head.
using LeashList = std::vector<std::pair<Point2, Point2>>;
std::string plotFrechetSvg(const PlotRequest& request, const LeashList& leashes);

#endif  // PICTURES_SVG_PLOT_H
