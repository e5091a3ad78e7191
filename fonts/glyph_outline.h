// A glyph's points as the font stores them, and their cubic segments: the one place where
// on-curve and off-curve points become the shapes that the Hausdorff search measures.
#ifndef FONTS_GLYPH_OUTLINE_H
#define FONTS_GLYPH_OUTLINE_H

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstddef>
#include <vector>

#include "distance/shape.h"
#include "geometry/cubic.h"

// What a point of an outline is: on the curve, or a quadratic (TrueType) or cubic (CFF) control
// point; the values are FreeType's FT_CURVE_TAG_ON, _CONIC and _CUBIC.
enum class PointKind : char { kOn = 1, kConic = 0, kCubic = 2 };

struct OutlinePoint {
  Point2 at;
  PointKind kind;
};

// Contours of points in font units, y up. Coordinates are the font's own, with their fractions:
// integers, halves, 1/64ths, or the exact images of such points under a component's transform.
struct GlyphPoints {
  std::vector<OutlinePoint> points;
  std::vector<std::size_t> contourEnds;  // index of each contour's last point, ascending
};

// The points of a FreeType outline whose coordinates are `unitsPerCoordinate` times font units
// (1 for FT_LOAD_NO_SCALE, 64 for 26.6 at one pixel per font unit); division by a power of two
// is exact. Drops FreeType's extra tag bits.
GlyphPoints pointsOfOutline(const FT_Outline& outline, double unitsPerCoordinate);

// Replaces `segments` with the outline's segments, contour after contour. Each contour is
// closed: it ends with a line back to its first point unless its last point is that point.
// Conic arcs (Q0, Q1, Q2) become the cubics (Q0, (Q0 + 2 Q1) / 3, (2 Q1 + Q2) / 3, Q2) and lines
// (P, Q) the cubics (P, (2 P + Q) / 3, (P + 2 Q) / 3, Q): the same curves, with each control point
// the double nearest to the exact one (2 P + Q is exact for coordinates of up to 51 significant
// bits, so only the division rounds). Cubic arcs are kept as they are. TrueType's implied
// on-curve point between two conic control points is their exact midpoint (halving a double is
// exact), and a contour that starts on a control point starts at its last point when that is on
// the curve, else at the midpoint of its last and first points, as FreeType renders it.
// Zero-length lines are left out: they add no point that their neighbours don't have, and a
// contour of one point (a mark attachment) draws nothing. `contours` gets one contour for each
// font contour that draws a segment, in order: each starts at its first point as above and ends
// there, so every one is closed. Returns false, with `segments` and `contours` unspecified, when
// the outline is malformed (a cubic control point without its partner, or a contour end out of
// order or beyond the points).
bool pointsToSegments(const GlyphPoints& outline, std::vector<CubicCurve>& segments,
                      std::vector<Contour>& contours);

// pointsToSegments on a FreeType outline in font units (FT_LOAD_NO_SCALE).
bool outlineToSegments(const FT_Outline& outline, std::vector<CubicCurve>& segments,
                       std::vector<Contour>& contours);

#endif  // FONTS_GLYPH_OUTLINE_H
